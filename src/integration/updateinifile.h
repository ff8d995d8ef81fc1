#ifndef UPDATEINIFILE_H
#define UPDATEINIFILE_H

#include "files/textencoding.h"
#include "files/fileedit.h"
#include "messages/resultcodes.h"
#include "registration/commandfileeditor.h"
#include "registration/registration.h"

#include <QString>
#include <QStringList>

// Creates or edits commands.paini, the custom command file of Vivado before 2018. The
// edits work on the file's bytes alone; FileEdit reads and replaces the file for them.
class UpdateIniFile : public CommandFileEditor
{
public:
    // Update rewrites the first line that names the tool in place, or appends one. Refresh
    // never takes over another installation's line: it appends a numbered one instead.
    ResultCode Update(const QString &appFolder, const QString &filePath) override;
    ResultCode Remove(const QString &appFolder, const QString &filePath) override;
    ResultCode RemoveContained(const QString &appFolder, const QString &base, const QStringList &names) override;
    ResultCode Refresh(const QString &appFolder, const QString &filePath) override;

    // The edits themselves. Each takes the file's bytes, or null for a missing file, and
    // gives the result and the new bytes.
    Edited EditForUpdate(const QString &appFolder, const QByteArray *bytes);
    Edited EditForRemoval(const QString &appFolder, const QByteArray *bytes);
    Edited EditForRefresh(const QString &appFolder, const QByteArray *bytes);

    // The steps of Update. Every read and write goes through FileEdit, under the file's
    // lock; WriteLines writes only over the bytes that ReadLines read (see ReadBasis).
    ResultCode CreateNewFile(const QString &filePath);
    ResultCode UpdateExistingFile(const QString &filePath);
    ResultCode ReadLines(const QString &filePath, QStringList &lines);
    // The steps of the edit, on lines already read.
    ResultCode InsertEntry(QStringList &lines);
    ResultCode ReplaceEntry(QStringList &lines, qint32 index);
    ResultCode AppendEntry(QStringList &lines);
    static ResultCode ReadEntryNumber(const QString &line, qint32 &number);
    QString MakeEntry(qint32 keyNumber) const;
    ResultCode WriteLines(const QString &filePath, const QStringList &lines);

private:
    static qint32 NextKey(const QStringList &lines);
    static QStringList SplitLines(const QString &text);
    static QString JoinLines(const QStringList &lines);
    // Puts in `kept` the file's text without the lines that the sweep takes, each kept
    // line with its own line end. Returns whether any line went.
    static bool WithoutLines(const QString &text, Registration::Sweep &sweep, QString &kept);
    QString Appended(const QString &text) const;
    QByteArray NewFile() const;

    QString appFolder;
    // The encoding of the file read, for writing it back.
    TextEncoding encoding{TextEncoding::Locale()};
    ReadBasis basis;
};

#endif // UPDATEINIFILE_H
