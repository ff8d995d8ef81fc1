#ifndef CONTAINEDFILE_H
#define CONTAINEDFILE_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

// A file in another user's folder, for a run that acts for that user with more rights
// than they have (the system in an uninstall for every user). The user controls every
// folder below their own, so a path there may lead anywhere: a link could make us write
// a system file. So the file is opened from the base folder down one name at a time,
// following no link, junction or mount point; every folder on the way stays open and
// can't be renamed or replaced until we are done; and the file's own handle must name
// the place we meant. It is then read and written in place through that handle: no new
// file is made beside it, nothing is deleted, its owner and security stay as they are.
class ContainedFile
{
public:
    enum class Opened { Open, Missing, Refused, Failed };
    enum class Kind { File, Folder };

    ContainedFile() = default;
    ~ContainedFile();
    ContainedFile(const ContainedFile &) = delete;
    ContainedFile &operator=(const ContainedFile &) = delete;

    // `names` lead from `base` to the file (or folder), one plain name each. Returns
    // Refused for a link or another file system on the way, a file with more than one
    // name, or not the kind asked for; Missing when nothing is there; Failed when the
    // system refused to open it.
    Opened Open(const QString &base, const QStringList &names, Kind last = Kind::File);
    // Why Open did not give an open file, in the system's words where it gave any.
    const QString &Reason() const { return reason; }

    // The whole content; false when it can't be read or holds more than `limit` bytes
    // (`tooLarge` then tells which).
    bool Read(QByteArray &bytes, qint64 limit, bool &tooLarge);
    // Replaces the content in place; on a failure the old content goes back.
    bool Write(const QByteArray &old, const QByteArray &bytes);
    // The names in an open folder, read through its handle.
    QStringList Names();

private:
    // The steps each platform implements. Each step keeps the handle it opens.
    Opened OpenBase(const QString &base);
    Opened OpenFolder(const QString &name);
    Opened OpenFile(const QString &name);
    // On Windows, OpenFolder and OpenFile both go through OpenName, and Checked checks the
    // handle that each opens.
    Opened OpenName(const QString &name, bool folder);
    Opened Checked(bool folder);
    bool WriteAll(const QByteArray &bytes);
    void CloseAll();

    Opened Refused(const QString &why);
    // Fails with the system's reason for the last failure.
    Opened Failed(const QString &what);

    // The handles of the folders from the base down, then of the file.
    std::vector<qintptr> handles;
    QString reason;
    // On Windows, the path opened last, and the place the system must give for its handle.
    QString path;
    QString expected;
};

#endif // CONTAINEDFILE_H
