#include "files/fileedit.h"

#include "files/filelock.h"
#include "files/filereplacer.h"
#include "files/filesnapshot.h"
#include "files/waitpolicy.h"

#include <QDeadlineTimer>
#include <QFileInfo>

ResultCode FileEdit::Run(const QString &path, ResultCode openFailed, ResultCode createFailed, const TextEdit &edit)
{
    const FileLock lock(path, QDeadlineTimer(WaitPolicy::lockMilliseconds));
    for (int attempt = 1;; ++attempt) {
        const bool exists = Exists(path);
        const ResultCode failed = exists ? openFailed : createFailed;
        FileSnapshot snapshot = FileSnapshot::Absent();
        if (!lock.IsHeld() || (exists && !snapshot.Take(path)))
            return failed;
        const Edited edited = edit(exists ? &snapshot.Bytes() : nullptr);
        if (!edited.bytes)
            return edited.result;
        switch (FileReplacer::Replace(path, snapshot, *edited.bytes)) {
        case FileReplacer::Outcome::Replaced:
            return edited.result;
        case FileReplacer::Outcome::Failed:
            return failed;
        case FileReplacer::Outcome::ChangedMeanwhile:
            if (attempt == WaitPolicy::editAttempts)
                return failed;
        }
    }
}

bool FileEdit::Exists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}
