// The file layer's system calls on Unix.
#include "files/filesystem.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileSystem {

// The lock is a file in the running account's runtime folder (XDG_RUNTIME_DIR, or the
// private one Qt makes in its place), which nobody else may enter, named after the file's
// real path. A lock on the folder that holds the file would not do, as anyone who may
// read that folder could take it. The kernel drops the lock when its process ends.
QString LockName(const QString &path)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return QString();
    const QFileInfo info(path);
    const QString file = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(QDir::cleanPath(file)), QCryptographicHash::Sha256);
    return runtime + QStringLiteral("/VivadoIntegration.FileLock-") + QString::fromLatin1(hash.toHex().left(32));
}

// Without a runtime folder of our own (Qt refuses one that another account made first),
// the run goes on without the lock, since the check before the move still keeps every
// change.
LockHandle OpenLock(const QString &path)
{
    const QString name = LockName(path);
    const int fd = name.isEmpty() ? -1
                                  : ::open(QFile::encodeName(name).constData(),
                                           O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0600);
    return fd < 0 ? unguarded : fd;
}

Attempt TryLock(LockHandle lock)
{
    if (flock(int(lock), LOCK_EX | LOCK_NB) == 0)
        return Attempt::Done;
    // On a file system without locks the run goes on as if it held one, since the check
    // before the move still keeps every change.
    return errno == EWOULDBLOCK || errno == EINTR ? Attempt::Busy : Attempt::Done;
}

void CloseLock(LockHandle lock)
{
    if (lock >= 0)
        ::close(int(lock));
}

// Closing the descriptor drops its lock.
void Unlock(LockHandle lock)
{
    CloseLock(lock);
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

// Unix replaces a file that others hold open, so the move is never Busy.
Attempt TryMoveOver(const QString &source, const QString &target, bool)
{
    return std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0
        ? Attempt::Done
        : Attempt::Failed;
}

Qt::CaseSensitivity PathCase()
{
    return Qt::CaseSensitive;
}

bool HasDriveLetters()
{
    return false;
}

QString NativeLineEnd()
{
    return QStringLiteral("\n");
}

bool IsOnFixedDrive(const QString &)
{
    return true;
}

} // namespace FileSystem
