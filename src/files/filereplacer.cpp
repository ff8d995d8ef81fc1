#include "files/filereplacer.h"

#include "files/filesnapshot.h"
#include "files/filesystem.h"
#include "files/waitloop.h"
#include "files/waitpolicy.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace {
const QString temporarySuffix = QStringLiteral(".tmp");

QString TemporaryName(const QString &target)
{
    const quint32 random = QRandomGenerator::global()->generate();
    return QStringLiteral("%1.%2").arg(target).arg(random, 8, 16, QLatin1Char('0')) + temporarySuffix;
}

// Removes the new files that an earlier run left beside the target. Only a run that held
// the lock can have left them, and as we hold it now, that run is dead.
void RemoveLeftovers(const QString &target)
{
    const QFileInfo info(target);
    const QRegularExpression ours(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(info.fileName()) + QStringLiteral("\\.[0-9a-f]{8}\\.tmp")));
    const QStringList pattern{info.fileName() + QStringLiteral(".*") + temporarySuffix};
    for (const QString &name : info.dir().entryList(pattern, QDir::Files | QDir::Hidden)) {
        if (ours.match(name).hasMatch())
            QFile::remove(info.dir().filePath(name));
    }
}

bool Overwrite(QFile &file, const QByteArray &bytes)
{
    return file.seek(0) && file.write(bytes) == bytes.size() && file.resize(bytes.size()) && FileSystem::Sync(file);
}

FileReplacer::Outcome Failed(QString &reason, const QString &why)
{
    reason = why;
    return FileReplacer::Outcome::Failed;
}

// Writes the file where it is: the one case without a new file. It serves a writable
// file in a folder we may not write, and another user's writable file, which a new file
// would take from its owner. Refusing would leave such a user without the command, so
// every write is checked, and on a failure the old bytes and modification time are put
// back. A crash in the middle can damage the file; that is the price, and the README
// says so.
FileReplacer::Outcome WriteInPlace(const QString &target, const QByteArray &bytes, QString &reason)
{
    QFile file(target);
    const QDateTime modified = QFileInfo(target).lastModified();
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return Failed(reason, file.errorString());
    const QByteArray old = file.readAll();
    if (Overwrite(file, bytes))
        return FileReplacer::Outcome::Replaced;
    reason = file.errorString();
    if (Overwrite(file, old))
        file.setFileTime(modified, QFileDevice::FileModificationTime);
    return FileReplacer::Outcome::Failed;
}

// A program that holds the target open for a moment is waited for, as WaitPolicy says.
bool MoveOver(const QString &source, const QString &target, bool replacing)
{
    const QDeadlineTimer deadline(WaitPolicy::sharingMilliseconds);
    return WaitLoop::TryUntil(deadline, [&] { return FileSystem::TryMoveOver(source, target, replacing); })
        == FileSystem::Attempt::Done;
}

FileReplacer::Outcome WriteNewAndMove(QFile &temp, const QString &target, bool present, const QByteArray &bytes,
                                      QString &reason)
{
    const bool written = temp.write(bytes) == bytes.size() && FileSystem::Sync(temp);
    reason = written ? QString() : temp.errorString();
    temp.close();
    if (written && MoveOver(temp.fileName(), target, present))
        return FileReplacer::Outcome::Replaced;
    if (written)
        reason = qt_error_string();
    if (!present || QFileInfo::exists(target)) // Otherwise the new file is the only copy left, so it stays.
        temp.remove();
    return FileReplacer::Outcome::Failed;
}
}

FileReplacer::Outcome FileReplacer::Replace(const QString &path, const FileSnapshot &expected, const QByteArray &bytes,
                                            QString &reason)
{
    const QFileInfo info(path);
    const bool present = info.exists() || info.isSymLink();
    if (present && !info.isFile())
        return Failed(reason, QStringLiteral("no regular file")); // A folder, FIFO, device or dangling link is left alone.
    const QString target = present ? info.canonicalFilePath() : path;
    if (!expected.Matches(target))
        return Outcome::ChangedMeanwhile;
    if (present && !FileSystem::MayWrite(target))
        return Failed(reason, QStringLiteral("not writable"));

    // Leftovers of an earlier run that crashed are removed only while the file itself is
    // there. Without it, such a leftover may be the only copy of the user's commands.
    if (present)
        RemoveLeftovers(target);
    QFile temp(TemporaryName(target));
    if (!temp.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        const bool lockedFolder = !FileSystem::MayWrite(QFileInfo(target).absolutePath());
        return present && lockedFolder ? WriteInPlace(target, bytes, reason) : Failed(reason, temp.errorString());
    }
    const bool owned = present ? FileSystem::KeepOwnerAndMode(temp, target) : FileSystem::GiveToProcessUser(temp);
    if (present && !owned) {
        temp.remove();
        return WriteInPlace(target, bytes, reason);
    }
    return WriteNewAndMove(temp, target, present, bytes, reason);
}
