#ifndef REGISTRATION_H
#define REGISTRATION_H

#include <QString>

// What this tool writes into a Vivado command file, and how its own entries are told
// from everyone else's when they are to be removed.
namespace Registration {

// The text as Tcl reads it between double quotes: the registered command is a Tcl
// command, and a folder such as "Tools [1]" would otherwise run a command named 1.
QString TclQuoted(QString text);

// The command that sources the server script from the folder.
QString Command(const QString &folder);

// The folder that a command written by Command() names, or a null string for any other.
QString FolderOf(const QString &command);

// The command's own name, or a numbered one.
bool IsOwnName(const QString &name);

// An entry for the folder is removed when it is the running tool's own, or when the
// folder holds no server script any more (an installation deleted without removal).
bool IsToBeRemoved(const QString &folder, const QString &ownFolder);

} // namespace Registration

#endif // REGISTRATION_H
