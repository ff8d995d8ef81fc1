#ifndef FILEEDIT_H
#define FILEEDIT_H

#include "files/filelock.h"
#include "files/filereplacer.h"
#include "files/filesnapshot.h"

#include <QByteArray>
#include <QString>

// One edit of one file: read it, change it, replace it whole. Runs of the tool take
// turns on a file, and an edit whose file another process changed between the read
// and the replacement is made again on what the file holds then.
class FileEdit
{
public:
    // An edit whose file keeps changing under it gives up after this many reads.
    static constexpr int attempts = 5;

    // Runs the attempt, which reads through Read() or ExpectAbsent() and writes through
    // Replace(), until its file did not change under it, a few times at most.
    template <typename Attempt>
    auto Run(const QString &path, Attempt attempt) -> decltype(attempt())
    {
        const FileLock lock(path);
        for (int tries = 1;; ++tries) {
            changedMeanwhile = false;
            const auto result = attempt();
            if (!changedMeanwhile || tries == attempts)
                return result;
        }
    }

    // False when the path is no regular file or can't be read.
    bool Read(const QString &path) { return snapshot.Take(path); }
    // The file is about to be created: none may appear meanwhile.
    void ExpectAbsent() { snapshot = FileSnapshot::Absent(); }
    const QByteArray &Bytes() const { return snapshot.Bytes(); }
    // True once the bytes are in the file's place.
    bool Replace(const QString &path, const QByteArray &bytes);

private:
    FileSnapshot snapshot;
    bool changedMeanwhile = false;
};

#endif // FILEEDIT_H
