#ifndef REGISTRATION_H
#define REGISTRATION_H

#include <QString>
#include <QStringList>

// What this tool writes into both Vivado command files, and the one rule that tells its
// own entries from everyone else's, and for which installation folder.
namespace Registration {

// The text as Tcl reads it between double quotes: the registered command is a Tcl
// command, and a folder such as "Tools [1]" would otherwise run a command named 1.
QString TclQuoted(QString text);

// The commands.xml command that sources the server script from the folder.
QString Command(const QString &folder);

// What follows the key and "=" in the commands.paini line for the folder.
QString IniValue(const QString &folder);

// The folders that an entry of the tool's names, or none for any other entry. An entry
// is the tool's when it is exactly what the tool writes for a folder: in commands.xml a
// command named TALVORN_Probe_Core_Inserter or TALVORN_Probe_Core_Inserter_<n> whose
// command is Command(folder); in commands.paini a line whose value is IniValue(folder).
QStringList FoldersOfXmlEntry(const QString &name, const QString &command);
QStringList FoldersOfIniLine(const QString &line);

// Own: an entry for the running tool's folder. Dead: for an installation whose folder no
// longer holds the server script. Live: any other, including one on a network share
// or a drive that isn't there now, which is never looked at.
enum class Fate { Own, Live, Dead };
Fate Judge(const QStringList &folders, const QString &ownFolder);

} // namespace Registration

#endif // REGISTRATION_H
