#ifndef REGISTRATION_H
#define REGISTRATION_H

#include <QHash>
#include <QString>
#include <QStringList>

// Everything about the tool's own entry in both Vivado command files: the texts it
// writes, the one rule that tells its entries from everyone else's, and which of them a
// removal or a refresh takes out. Both editors ask here and decide nothing of this alone.
namespace Registration {

// The name of the commands.xml command, and the name under which an earlier release of
// the tool registered itself. A file with an earlier registration is left alone.
extern const QString commandName;
extern const QString earlierName;

// The texts of a new commands.xml command.
QString MenuName();
QString Tooltip();
QString IconPath(const QString &folder);
// The command that sources the server script from the folder.
QString Command(const QString &folder);

// The name of the command numbered `number`: the plain name for 0, and the name with
// "_<number>" for 2 on, as the registration names a command when the plain one is taken.
QString CommandName(int number);
// The number of a name that CommandName gives, or -1 for any other name, "_02" and "_1"
// included: the registration never writes those.
int NumberOfCommandName(const QString &name);

// Whether a commands.xml command is an earlier registration: its name holds the earlier
// name and its command names the server script.
bool IsEarlierRegistration(const QString &name, const QString &command);

// Escapes the text so that Tcl reads it as it is between double quotes. The registered
// command is a Tcl command, and a folder such as "Tools [1]" would otherwise run a
// command named 1.
QString TclQuoted(QString text);

// What follows the key and "=" in the commands.paini line for the folder.
QString IniValue(const QString &folder);
// Whether a commands.paini line names the tool, so that a registration rewrites it in
// place: it holds the words TALVORN, Core and Inserter in any order.
bool IniLineNamesTool(const QString &line);

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
// In commands.xml, that is a command named as CommandName names one, whose command is
// Command(folder). This gives its folder, or none for any other entry.
QStringList FoldersOfXmlEntry(const QString &name, const QString &command);

// In commands.paini, that is a line whose value is IniValue(folder). This gives its
// folder as written there (a space as %20), or a null string for any other line. A space
// and a %20 in the folder's name are both written %20, so the folder is own when one
// reading of it is the own folder, and dead only when no reading holds the server script.
// Past six %20 not every reading is looked at, so such a folder is never taken for dead.
QString WrittenFolderOfIniLine(const QString &line);
Fate JudgeIniFolder(const QString &written, const QString &ownFolder, int &looksLeft);

// Decides which of the tool's entries in one file a removal or a refresh takes out. The
// entries are handed over in file order. A removal takes every own and every dead entry;
// a refresh takes the dead ones and every own entry after the first, so that one stays.
// Each folder is judged once, because a large file holds many entries for few folders
// and a judgement may look at the disk.
class Sweep
{
public:
    enum class Purpose { Removal, Refresh };
    Sweep(Purpose purpose, const QString &ownFolder);

    bool TakesXmlEntry(const QString &name, const QString &command);
    bool TakesIniLine(const QString &line);
    // Whether an entry for the own folder stays in the file.
    bool KeepsOwnEntry() const { return ownKept; }

private:
    template <typename Judgement>
    bool Takes(const QString &folder, const Judgement &judge);

    const Purpose purpose;
    const QString ownFolder;
    QHash<QString, Fate> fates;
    int looksLeft = maxLooksPerFile;
    bool ownKept = false;
};

} // namespace Registration

#endif // REGISTRATION_H
