#include "files/filelock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace {
constexpr int waitMilliseconds = 10000;

// Beside no user's file: in the temporary folder, named after the file it guards.
QString LockPath(const QString &path)
{
    const QString key = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir::tempPath() + QStringLiteral("/vivadointegration-") + QString::fromLatin1(hash) + QStringLiteral(".lock");
}
}

FileLock::FileLock(const QString &path)
    : lock(LockPath(path))
{
    lock.tryLock(waitMilliseconds);
}
