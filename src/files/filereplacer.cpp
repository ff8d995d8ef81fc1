#include "files/filereplacer.h"

#include "files/filesnapshot.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#ifdef Q_OS_WIN
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <windows.h>
#else
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
#ifdef Q_OS_WIN
// Virus scanners and sync clients hold files open for a moment; installers wait as long.
constexpr qint64 lockWaitMilliseconds = 2000;

bool IsLocked(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED
        || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

bool MoveOver(const QString &source, const QString &target, bool replacing)
{
    const QString from = QDir::toNativeSeparators(source);
    const QString to = QDir::toNativeSeparators(target);
    const auto fromW = reinterpret_cast<const wchar_t *>(from.utf16());
    const auto toW = reinterpret_cast<const wchar_t *>(to.utf16());
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        // ReplaceFile keeps the old file's attributes and security.
        if (replacing ? ReplaceFileW(toW, fromW, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                      : MoveFileExW(fromW, toW, MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        // The old file is gone already, the new one not yet in its place: finish the move.
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT)
            return MoveFileExW(fromW, toW, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!IsLocked(error) || waited.elapsed() >= lockWaitMilliseconds)
            return false;
        QThread::msleep(100);
    }
}

bool Sync(QFile &)
{
    return true; // no descriptor to sync here; the move writes through
}

bool KeepOwnerAndMode(const QString &, QFile &)
{
    return true; // ReplaceFile does
}

bool MayWrite(const QString &path)
{
    return QFileInfo(path).isWritable();
}
#else
bool MoveOver(const QString &source, const QString &target, bool)
{
    return std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0;
}

bool Sync(QFile &file)
{
    return fsync(file.handle()) == 0;
}

// Asked for the effective user, whom the file system judges, like the writes themselves.
bool MayWrite(const QString &path)
{
    return faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
}

// Fails for someone else's file unless run as root: only root can give a file away.
bool KeepOwnerAndMode(const QString &target, QFile &temp)
{
    struct stat old;
    const int fd = temp.handle();
    return stat(QFile::encodeName(target).constData(), &old) == 0 && fchown(fd, old.st_uid, old.st_gid) == 0
        && fchmod(fd, old.st_mode & 07777) == 0;
}
#endif

bool CreateTemporary(const QString &target, QFile &temp)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const quint32 random = QRandomGenerator::global()->generate();
        temp.setFileName(QStringLiteral("%1.%2.tmp").arg(target).arg(random, 8, 16, QLatin1Char('0')));
        if (temp.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return true;
        if (!temp.exists())
            return false; // not a name taken by chance
    }
    return false;
}

bool Overwrite(QFile &file, const QByteArray &bytes)
{
    return file.seek(0) && file.write(bytes) == bytes.size() && file.resize(bytes.size()) && Sync(file);
}

// A writable file in a folder that isn't, or someone else's, can only be written where
// it is. Should that fail, the old bytes go back, and the old modification time.
FileReplacer::Outcome WriteInPlace(const QString &target, const QByteArray &bytes)
{
    QFile file(target);
    const QDateTime modified = QFileInfo(target).lastModified();
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return FileReplacer::Outcome::Failed;
    const QByteArray old = file.readAll();
    if (Overwrite(file, bytes))
        return FileReplacer::Outcome::Replaced;
    if (Overwrite(file, old))
        file.setFileTime(modified, QFileDevice::FileModificationTime);
    return FileReplacer::Outcome::Failed;
}
}

FileReplacer::Outcome FileReplacer::Replace(const QString &path, const FileSnapshot &expected, const QByteArray &bytes)
{
    const QFileInfo info(path);
    const bool present = info.exists() || info.isSymLink();
    if (present && !info.isFile())
        return Outcome::Failed; // a folder, FIFO, device or dangling link: left alone
    const QString target = present ? info.canonicalFilePath() : path;
    if (!expected.Matches(target))
        return Outcome::ChangedMeanwhile;
    if (present && !MayWrite(target))
        return Outcome::Failed;

    QFile temp;
    if (!CreateTemporary(target, temp)) {
        const bool lockedFolder = !MayWrite(QFileInfo(target).absolutePath());
        return present && lockedFolder ? WriteInPlace(target, bytes) : Outcome::Failed;
    }
    if (present && !KeepOwnerAndMode(target, temp)) {
        // Someone else's file that we may write: a new one in its place would be ours.
        temp.remove();
        return WriteInPlace(target, bytes);
    }
    const bool written = temp.write(bytes) == bytes.size() && Sync(temp);
    temp.close();
    if (written && MoveOver(temp.fileName(), target, present))
        return Outcome::Replaced;
    if (!present || QFileInfo::exists(target)) // else the new content is all that is left: kept
        temp.remove();
    return Outcome::Failed;
}
