#ifndef FILEEDIT_H
#define FILEEDIT_H

#include "messages/resultcodes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What an edit of a file's text decided: its result, and the new bytes when the file is
// to be written.
struct Edited
{
    static Edited Unchanged(ResultCode result, const QString &reason = QString()) { return {result, std::nullopt, reason}; }
    static Edited Written(const QByteArray &bytes) { return {RESULT_OK, bytes, QString()}; }

    ResultCode result;
    std::optional<QByteArray> bytes;
    // Why the edit failed, for the log; without it the log gives the code's text.
    QString reason;
};

// Decides what becomes of a file, given its bytes, or null for a file that isn't there.
using TextEdit = std::function<Edited(const QByteArray *bytes)>;

// The codes a failed edit returns: createFailed for a file that wasn't there, tooLarge
// for one above the size limit or too large for the memory left, openFailed otherwise.
struct FailureCodes
{
    ResultCode openFailed;
    ResultCode createFailed;
    ResultCode tooLarge;
};

// What a read through FileEdit found of a file, for a later write of text made from it.
// That write goes only over the same bytes, so that it never puts text made from old
// content over a change that another program made in between. A file read as missing
// must still be missing.
class ReadBasis
{
public:
    void Note(const QString &path, const QByteArray *bytes);
    // The edit that writes `bytes` over `current` when that is what was read of the path,
    // and otherwise fails with `code`. A path that was not read has no basis to keep to,
    // so it is written whatever it holds.
    Edited WriteOver(const QString &path, const QByteArray *current, const QByteArray &bytes, ResultCode code) const;

private:
    static QString Cleaned(const QString &path);

    QString path;
    std::optional<QByteArray> bytes;
};

// The only place that touches an edited file: it takes the file's lock, reads the file,
// hands its bytes to the edit and replaces the file with the result. When another
// program changed the file meanwhile, the edit is made anew on what it holds then.
// Every failure leaves one debug line that names the file and the reason.
class FileEdit
{
public:
    // Vivado's files hold some kilobytes, and 100,000 commands take some 37 MB. A file
    // above this is refused before it is read, because its edit would need some 8 times
    // as much memory.
    static constexpr qint64 maxBytes = 64 * 1024 * 1024;

    static ResultCode Run(const QString &path, const FailureCodes &codes, const TextEdit &edit);
    // A file above the limit gives openFailed.
    static ResultCode Run(const QString &path, ResultCode openFailed, ResultCode createFailed, const TextEdit &edit);

    // Edits an existing file in another user's folder, which `names` lead to from `base`,
    // as ContainedFile opens it. The file is written in place and never created. A file
    // reached through a link is left alone with a debug line, which is no failure. No
    // lock is taken, because the file's user could hold it.
    static ResultCode RunContained(const QString &base, const QStringList &names, const FailureCodes &codes,
                                   const TextEdit &edit);

    // Whether the path leads to a regular file, following links, as only that can be read
    // and replaced.
    static bool Exists(const QString &path);
};

#endif // FILEEDIT_H
