#ifndef FILEREPLACER_H
#define FILEREPLACER_H

#include <QByteArray>
#include <QString>

class FileSnapshot;

// Replaces a file's content as a whole. The new content is written to a file beside it,
// synced, and then moved over it, so that a failure or a crash part-way leaves the old
// file as it was. The file keeps
// its owner, group and mode (on Windows its attributes and security), and a link stays a
// link to the file it names.
//
// QSaveFile is not used, because its new file belongs to whoever runs us, it can't tell
// that another program changed the file meanwhile, and on Windows it drops the old file's
// security.
class FileReplacer
{
public:
    enum class Outcome { Replaced, ChangedMeanwhile, Failed };

    // Replaces the file, or creates it when the snapshot expects none, unless it is no
    // longer what the snapshot holds. Only a regular file is replaced. The caller must hold
    // the file's lock, because new files that a killed run left beside it are removed.
    // `reason` tells why it failed, in the system's words where it gave any.
    static Outcome Replace(const QString &path, const FileSnapshot &expected, const QByteArray &bytes, QString &reason);
};

#endif // FILEREPLACER_H
