#ifndef FILEEDIT_H
#define FILEEDIT_H

#include "messages/resultcodes.h"

#include <QByteArray>
#include <QString>

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

// The only place that touches an edited file: it takes the file's lock, reads the file,
// hands its bytes to the edit and replaces the file with the result. When another
// program changed the file meanwhile, the edit is made anew on what it holds then.
class FileEdit
{
public:
    // Failures give openFailed, or createFailed for a file that wasn't there.
    static ResultCode Run(const QString &path, ResultCode openFailed, ResultCode createFailed, const TextEdit &edit);

    // A regular file, links followed: what can be read and replaced.
    static bool Exists(const QString &path);
};

#endif // FILEEDIT_H
