#include "files/fileedit.h"

#include "files/containedfile.h"
#include "files/filelock.h"
#include "files/filereplacer.h"
#include "files/filesnapshot.h"
#include "files/filesystem.h"
#include "files/waitpolicy.h"
#include "messages/returnmessages.h"

#include <QDebug>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

#include <new>

namespace {
void Log(const QString &path, const QString &what)
{
    qDebug().noquote() << QStringLiteral("FileEdit - filePath = \"%1\": %2").arg(path, what);
}

ResultCode Failure(const QString &path, ResultCode code, const QString &reason)
{
    Log(path, reason);
    return code;
}

// Logs the reason of a failure that the edit itself decided on.
ResultCode Finished(const QString &path, const Edited &edited)
{
    if (edited.result == RESULT_OK)
        return RESULT_OK;
    const QString reason = edited.reason.isEmpty() ? ReturnMessages::Instance().GetShortMessage(edited.result) : edited.reason;
    return Failure(path, edited.result, reason);
}

QString LockFailure(const QDeadlineTimer &deadline)
{
    return deadline.hasExpired() ? QStringLiteral("another run held the file for %1 s").arg(WaitPolicy::lockMilliseconds / 1000)
                                 : QStringLiteral("no lock: ") + qt_error_string();
}

// Qt reports a failed allocation by throwing. A file too large for the memory left then
// fails on its own, and the run goes on with the next file.
template <typename Step>
ResultCode Guarded(const QString &path, const FailureCodes &codes, const Step &step)
{
    try {
        return step();
    } catch (const std::bad_alloc &) {
        return Failure(path, codes.tooLarge, QStringLiteral("out of memory"));
    }
}

ResultCode RunLocked(const QString &path, const FailureCodes &codes, const TextEdit &edit)
{
    for (int attempt = 1;; ++attempt) {
        const bool exists = FileEdit::Exists(path);
        const ResultCode failed = exists ? codes.openFailed : codes.createFailed;
        FileSnapshot snapshot = FileSnapshot::Absent();
        if (exists && !snapshot.Take(path, FileEdit::maxBytes))
            return Failure(path, snapshot.TooLarge() ? codes.tooLarge : failed, snapshot.ErrorString());
        const Edited edited = edit(exists ? &snapshot.Bytes() : nullptr);
        if (!edited.bytes)
            return Finished(path, edited);
        QString reason;
        switch (FileReplacer::Replace(path, snapshot, *edited.bytes, reason)) {
        case FileReplacer::Outcome::Replaced:
            return Finished(path, edited);
        case FileReplacer::Outcome::Failed:
            return Failure(path, failed, reason);
        case FileReplacer::Outcome::ChangedMeanwhile:
            if (attempt == WaitPolicy::editAttempts)
                return Failure(path, failed, QStringLiteral("changed by another program at each of %1 reads").arg(attempt));
        }
    }
}
}

ResultCode FileEdit::Run(const QString &path, const FailureCodes &codes, const TextEdit &edit)
{
    const QDeadlineTimer deadline(WaitPolicy::lockMilliseconds);
    const FileLock lock(path, deadline);
    if (!lock.IsHeld())
        return Failure(path, Exists(path) ? codes.openFailed : codes.createFailed, LockFailure(deadline));
    return Guarded(path, codes, [&] { return RunLocked(path, codes, edit); });
}

ResultCode FileEdit::Run(const QString &path, ResultCode openFailed, ResultCode createFailed, const TextEdit &edit)
{
    return Run(path, FailureCodes{openFailed, createFailed, openFailed}, edit);
}

ResultCode FileEdit::RunContained(const QString &base, const QStringList &names, const FailureCodes &codes,
                                  const TextEdit &edit)
{
    const QString path = base + QLatin1Char('/') + names.join(QLatin1Char('/'));
    ContainedFile file;
    switch (file.Open(base, names)) {
    case ContainedFile::Opened::Missing:
        return RESULT_OK;
    case ContainedFile::Opened::Refused:
        Log(path, QStringLiteral("left alone, ") + file.Reason());
        return RESULT_OK;
    case ContainedFile::Opened::Failed:
        return Failure(path, codes.openFailed, file.Reason());
    case ContainedFile::Opened::Open:
        break;
    }
    // No lock is taken: the file's user could hold it and so stall a run for every user
    // at each of their files. The open handle already keeps every other writer out, and
    // a run of the user's own that read the file before finds it changed and reads again.
    return Guarded(path, codes, [&] {
        QByteArray bytes;
        bool tooLarge = false;
        if (!file.Read(bytes, maxBytes, tooLarge))
            return Failure(path, tooLarge ? codes.tooLarge : codes.openFailed,
                           tooLarge ? QStringLiteral("larger than %1 bytes").arg(maxBytes) : file.Reason());
        const Edited edited = edit(&bytes);
        if (edited.bytes && !file.Write(bytes, *edited.bytes))
            return Failure(path, codes.openFailed, file.Reason());
        return Finished(path, edited);
    });
}

bool FileEdit::Exists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

// The path is kept cleaned and absolute, so that "dir/./file" or a relative path still
// names the file that was read.
QString ReadBasis::Cleaned(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

void ReadBasis::Note(const QString &path, const QByteArray *bytes)
{
    this->path = Cleaned(path);
    this->bytes = bytes ? std::optional<QByteArray>(*bytes) : std::nullopt;
}

Edited ReadBasis::WriteOver(const QString &path, const QByteArray *current, const QByteArray &bytes, ResultCode code) const
{
    const bool read = Cleaned(path).compare(this->path, FileSystem::PathCase()) == 0;
    const bool asRead = current ? this->bytes == *current : !this->bytes;
    if (read && !asRead)
        return Edited::Unchanged(code, QStringLiteral("changed since it was read, nothing written"));
    return Edited::Written(bytes);
}
