// The file layer's system calls on Unix.
#include "files/filesystem.h"

#include "files/waitpolicy.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileSystem {

namespace {
int OpenForLock(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    return ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
}
}

// The folder that holds the file is locked, not the file: the file is replaced by a new
// one, which a lock on the old one would not cover, and a lock file beside it could not
// be made in a folder we may not write. The kernel drops the lock with its process.
LockHandle Lock(const QString &path, const QDeadlineTimer &deadline)
{
    const QFileInfo info(path);
    const QString file = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    int fd = OpenForLock(QFileInfo(file).path());
    if (fd < 0 && info.isFile())
        fd = OpenForLock(file); // a folder we may only pass through: the file will do
    if (fd < 0)
        return noLock;
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // A file system without locks (some network shares): the check before the move
        // still keeps every change of another run.
        if (errno != EWOULDBLOCK && errno != EINTR)
            break;
        if (deadline.hasExpired()) {
            ::close(fd);
            return noLock;
        }
        QThread::msleep(WaitPolicy::pollMilliseconds);
    }
    return fd;
}

void Unlock(LockHandle lock)
{
    if (lock >= 0)
        ::close(int(lock));
}

bool MayWrite(const QString &path)
{
    return faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
}

bool IsMissing(const QString &path)
{
    struct stat status;
    return stat(QFile::encodeName(path).constData(), &status) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

// Only root may give a file away, so this fails for someone else's file.
bool KeepOwnerAndMode(QFile &newFile, const QString &target)
{
    struct stat old;
    const int fd = newFile.handle();
    return stat(QFile::encodeName(target).constData(), &old) == 0 && fchown(fd, old.st_uid, old.st_gid) == 0
        && fchmod(fd, old.st_mode & 07777) == 0;
}

// A new file already belongs to whoever creates it.
bool GiveToProcessUser(QFile &)
{
    return true;
}

bool Sync(QFile &file)
{
    return fsync(file.handle()) == 0;
}

bool MoveOver(const QString &source, const QString &target, bool)
{
    return std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0;
}

bool IsOnFixedDrive(const QString &)
{
    return true;
}

} // namespace FileSystem
