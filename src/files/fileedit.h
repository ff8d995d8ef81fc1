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
    static Edited Unchanged(ResultCode result) { return {result, std::nullopt}; }
    static Edited Written(const QByteArray &bytes) { return {RESULT_OK, bytes}; }

    ResultCode result;
    std::optional<QByteArray> bytes;
};

// Given the file's bytes, or nothing for a file that isn't there, what becomes of it.
using TextEdit = std::function<Edited(const QByteArray *bytes)>;

// What a failed edit returns: openFailed, createFailed for a file that wasn't there,
// tooLarge for one above the size limit or one that there isn't memory enough to edit.
struct FailureCodes
{
    ResultCode openFailed;
    ResultCode createFailed;
    ResultCode tooLarge;
};

// The only place that touches an edited file: it takes the file's lock, reads the file,
// hands its bytes to the edit and replaces the file with the result. When another
// program changed the file meanwhile, the edit is made anew on what it holds then.
// Every failure leaves one debug line that names the file and the reason.
class FileEdit
{
public:
    // Vivado's files hold some kilobytes, and 100,000 commands some 37 MB; a file above
    // this is refused before it is read, as its edit would need some 8 times as much
    // memory.
    static constexpr qint64 maxBytes = 64 * 1024 * 1024;

    static ResultCode Run(const QString &path, const FailureCodes &codes, const TextEdit &edit);
    // A file above the limit gives openFailed.
    static ResultCode Run(const QString &path, ResultCode openFailed, ResultCode createFailed, const TextEdit &edit);

    // The edit of an existing file of another user's folder, `names` leading to it from
    // `base`, as ContainedFile opens it: written in place, never created. A file reached
    // through a link is left alone with a debug line, and is no failure. No lock is
    // taken: the file's user could hold it.
    static ResultCode RunContained(const QString &base, const QStringList &names, const FailureCodes &codes,
                                   const TextEdit &edit);

    // A regular file, links followed: what can be read and replaced.
    static bool Exists(const QString &path);
};

#endif // FILEEDIT_H
