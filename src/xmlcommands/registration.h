#ifndef REGISTRATION_H
#define REGISTRATION_H

#include <QString>
#include <QStringList>

// What this tool writes into both Vivado command files, and the one rule that tells its
// own entries from everyone else's and which installation folder each is for.
namespace Registration {

// Escapes the text so that Tcl reads it as it is between double quotes. The registered
// command is a Tcl command, and a folder such as "Tools [1]" would otherwise run a
// command named 1.
QString TclQuoted(QString text);

// The commands.xml command that sources the server script from the folder.
QString Command(const QString &folder);

// What follows the key and "=" in the commands.paini line for the folder.
QString IniValue(const QString &folder);

// Own: an entry for the running tool's folder. Dead: for an installation whose folder no
// longer holds the server script. Live: any other, including one on a network share
// or a drive that isn't there now, which is never looked at.
enum class Fate { Own, Live, Dead };
// A file may name any number of folders, and a user may write as many as they like into
// their own file, so past this many looks on disk in one file, a folder is taken to be
// live. The next run goes on from where this one stopped, because the dead entries this
// run found are gone by then.
constexpr int maxLooksPerFile = 256;
Fate Judge(const QStringList &folders, const QString &ownFolder, int &looksLeft);

// An entry is the tool's when it is exactly what the tool writes for a folder.
// In commands.xml, that is a command named TALVORN_Probe_Core_Inserter or
// TALVORN_Probe_Core_Inserter_<n> whose command is Command(folder). This gives its
// folder, or none for any other entry.
QStringList FoldersOfXmlEntry(const QString &name, const QString &command);

// In commands.paini, that is a line whose value is IniValue(folder). This gives its
// folder as written there (a space as %20), or a null string for any other line. A space
// and a %20 in the folder's name are both written %20, so the folder is own when one
// reading of it is the own folder, and dead only when no reading holds the server script.
// Past six %20 not every reading is looked at, so such a folder is never taken for dead.
QString WrittenFolderOfIniLine(const QString &line);
Fate JudgeIniFolder(const QString &written, const QString &ownFolder, int &looksLeft);

} // namespace Registration

#endif // REGISTRATION_H
