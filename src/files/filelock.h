#ifndef FILELOCK_H
#define FILELOCK_H

#include "files/filesystem.h"

#include <QDeadlineTimer>
#include <QString>

// Holds the file's lock for as long as it lives, so that runs of the tool take turns on
// the file.
class FileLock
{
public:
    FileLock(const QString &path, const QDeadlineTimer &deadline)
        : handle(FileSystem::Lock(path, deadline))
    {
    }
    ~FileLock() { FileSystem::Unlock(handle); }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    bool IsHeld() const { return handle != FileSystem::noLock; }

private:
    const FileSystem::LockHandle handle;
};

#endif // FILELOCK_H
