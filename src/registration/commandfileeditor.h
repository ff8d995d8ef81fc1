#ifndef COMMANDFILEEDITOR_H
#define COMMANDFILEEDITOR_H

#include "files/fileedit.h"
#include "messages/resultcodes.h"

#include <QString>
#include <QStringList>

// What an editor of one Vivado command file format does to a file. An editor serves one
// file and is discarded afterwards.
//
// Update writes the tool's entry for the application folder. Remove and Refresh take out
// the entries that Registration::Sweep picks and keep every other byte; when no own entry
// is left, Refresh adds one. RemoveContained does what Remove does, to a file in another
// user's folder that `names` lead to from `base` (see ContainedFile). A file with nothing
// to change is not written.
class CommandFileEditor
{
public:
    virtual ~CommandFileEditor() = default;

    virtual ResultCode Update(const QString &appFolder, const QString &filePath) = 0;
    virtual ResultCode Remove(const QString &appFolder, const QString &filePath) = 0;
    virtual ResultCode RemoveContained(const QString &appFolder, const QString &base, const QStringList &names) = 0;
    virtual ResultCode Refresh(const QString &appFolder, const QString &filePath) = 0;

    // Whether the path leads to a regular file, the only kind an editor reads; a folder
    // of the file's name counts as missing.
    static bool FileExists(const QString &filePath) { return FileEdit::Exists(filePath); }
};

#endif // COMMANDFILEEDITOR_H
