#ifndef FILELOCK_H
#define FILELOCK_H

#include "files/filesystem.h"
#include "files/waitloop.h"

#include <QDeadlineTimer>
#include <QString>

// Holds the file's lock for as long as it lives, so that runs of the tool take turns on
// the file.
class FileLock
{
public:
    // Waits for a live holder until the deadline. A lock that could not be had is not
    // held; a run that goes on unguarded counts as holding it.
    FileLock(const QString &path, const QDeadlineTimer &deadline)
        : handle(Take(path, deadline))
    {
    }
    ~FileLock() { FileSystem::Unlock(handle); }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    bool IsHeld() const { return handle != FileSystem::noLock; }

private:
    static FileSystem::LockHandle Take(const QString &path, const QDeadlineTimer &deadline)
    {
        const FileSystem::LockHandle lock = FileSystem::OpenLock(path);
        if (lock == FileSystem::noLock || lock == FileSystem::unguarded)
            return lock;
        if (WaitLoop::TryUntil(deadline, [lock] { return FileSystem::TryLock(lock); }) == FileSystem::Attempt::Done)
            return lock;
        FileSystem::CloseLock(lock);
        return FileSystem::noLock;
    }

    const FileSystem::LockHandle handle;
};

#endif // FILELOCK_H
