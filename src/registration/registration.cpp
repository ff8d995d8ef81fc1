#include "registration/registration.h"

#include "files/filesystem.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace Registration {

const QString commandName = QStringLiteral("TALVORN_Probe_Core_Inserter");
const QString earlierName = QStringLiteral("Talvorn_Core_Inserter");

namespace {
const QString scriptName = QStringLiteral("/vivado_server.tcl");
const QString iconName = QStringLiteral("/Talvorn_CI_A.png");
const QString space = QStringLiteral(" ");
const QString encodedSpace = QStringLiteral("%20");

bool HoldsLoneSurrogate(const QString &text)
{
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate())
            return true;
    }
    return false;
}

// Looking at a share waits on the network, and makes the account that looks (the system,
// in an uninstall for every user) sign in to whatever server an entry names. So only a
// local path is ever looked at: on Windows one that begins with the root of a fixed
// local drive. A removable drive, a CD, a RAM disk or a mapped network drive may hold
// another medium, none or a server that is away under the same letter, so an
// installation there is not gone. A share, a device or an NT path, in whatever mix of
// separators, is never looked at, and neither is a folder with a byte that was no text in
// the file's encoding (a lone surrogate), because no folder of that name is the one the
// entry meant.
bool IsOutOfReach(const QString &folder)
{
    static const QRegularExpression driveRoot(QStringLiteral("^[A-Za-z]:/"));
    const QString path = QString(folder).replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.startsWith(QLatin1String("//")) || HoldsLoneSurrogate(path))
        return true;
    if (!driveRoot.match(path).hasMatch())
        return FileSystem::HasDriveLetters();
    return !FileSystem::IsOnFixedDrive(path) || !QFileInfo::exists(path.left(3));
}

// A space in the folder was written as %20, and so was a "%20" of its own, so every %20
// is read both ways. Past six of them, only two readings are made: all as spaces, and all
// as written.
constexpr int maxReadChoices = 6;

QStringList Readings(const QString &written)
{
    const QStringList pieces = written.split(encodedSpace);
    const int choices = pieces.size() - 1;
    if (choices > maxReadChoices)
        return {QString(written).replace(encodedSpace, space), written};
    QStringList readings;
    for (int spaces = (1 << choices) - 1; spaces >= 0; --spaces) {
        QString reading = pieces.first();
        for (int i = 1; i < pieces.size(); ++i)
            reading += ((spaces >> (i - 1)) & 1 ? space : encodedSpace) + pieces.at(i);
        readings << reading;
    }
    return readings;
}

QString FolderOfCommand(const QString &command)
{
    static const QRegularExpression form(QStringLiteral("^source \"(.*)/vivado_server\\.tcl\" -notrace$"),
                                         QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression escaped(QStringLiteral("\\\\(.)"));
    const QRegularExpressionMatch match = form.match(command);
    const QString folder = match.captured(1).replace(escaped, QStringLiteral("\\1"));
    return match.hasMatch() && Command(folder) == command ? folder : QString();
}
}

QString MenuName()
{
    return QStringLiteral("TALVORN Probe Core Inserter");
}

QString Tooltip()
{
    return QStringLiteral("Start TALVORN Probe Core Inserter");
}

QString IconPath(const QString &folder)
{
    return folder + iconName;
}

QString CommandName(int number)
{
    return number == 0 ? commandName : commandName + QLatin1Char('_') + QString::number(number);
}

int NumberOfCommandName(const QString &name)
{
    if (name == commandName)
        return 0;
    if (!name.startsWith(commandName + QLatin1Char('_')))
        return -1;
    bool isNumber = false;
    const int number = name.midRef(commandName.size() + 1).toInt(&isNumber, 10);
    return isNumber && number >= 2 && CommandName(number) == name ? number : -1;
}

bool IsEarlierRegistration(const QString &name, const QString &command)
{
    return command.contains(scriptName.mid(1), Qt::CaseSensitive)
        && name.contains(earlierName, Qt::CaseSensitive);
}

QString TclQuoted(QString text)
{
    for (const char special : {'\\', '[', ']', '$', '"'})
        text.replace(QLatin1Char(special), QString(QLatin1Char('\\')).append(QLatin1Char(special)));
    return text;
}

QString Command(const QString &folder)
{
    return QLatin1String("source \"") + TclQuoted(folder) + scriptName + QLatin1String("\" -notrace");
}

// The line's fields are separated by single spaces, so a space within a field is written
// %20. Its tooltip lacks the word Probe, unlike the commands.xml one. Its eighth field has
// always been one U+0000 character: the lines of earlier runs carry it, and a line is
// recognised as the tool's only when it is exactly what the tool writes.
QString IniValue(const QString &folder)
{
    const auto field = [](QString text) { return text.replace(space, encodedSpace, Qt::CaseSensitive); };
    const QString none = QStringLiteral("\"\"");
    const QString yes = QStringLiteral("true");
    return QStringList{field(MenuName()), field(Command(folder)), none, field(IconPath(folder)),
                       field(QStringLiteral("Start TALVORN Core Inserter")), none, yes, QString(QChar(0)), none, yes,
                       QStringLiteral("0")}
        .join(QLatin1Char(' '));
}

bool IniLineNamesTool(const QString &line)
{
    return line.contains(QLatin1String("TALVORN"), Qt::CaseSensitive) && line.contains(QLatin1String("Core"), Qt::CaseSensitive)
        && line.contains(QLatin1String("Inserter"), Qt::CaseSensitive);
}

QStringList FoldersOfXmlEntry(const QString &name, const QString &command)
{
    const QString folder = NumberOfCommandName(name) >= 0 ? FolderOfCommand(command) : QString();
    return folder.isNull() ? QStringList() : QStringList{folder};
}

// The icon field, the fourth, names the folder without Tcl's escapes.
QString WrittenFolderOfIniLine(const QString &line)
{
    const int equalSign = line.indexOf(QLatin1Char('='));
    const QString value = line.mid(equalSign + 1);
    const QString icon = value.section(QLatin1Char(' '), 3, 3);
    if (equalSign < 0 || !icon.endsWith(iconName))
        return QString();
    const QString written = icon.chopped(iconName.size());
    return IniValue(written) == value ? written : QString();
}

Fate JudgeIniFolder(const QString &written, const QString &ownFolder, int &looksLeft)
{
    if (QString(ownFolder).replace(space, encodedSpace).compare(written, FileSystem::PathCase()) == 0)
        return Fate::Own;
    const Fate fate = Judge(Readings(written), ownFolder, looksLeft);
    return fate == Fate::Dead && written.count(encodedSpace) > maxReadChoices ? Fate::Live : fate;
}

Fate Judge(const QStringList &folders, const QString &ownFolder, int &looksLeft)
{
    for (const QString &folder : folders) {
        if (folder.compare(ownFolder, FileSystem::PathCase()) == 0)
            return Fate::Own;
    }
    for (const QString &folder : folders) {
        if (looksLeft <= 0)
            return Fate::Live;
        --looksLeft;
        if (IsOutOfReach(folder) || !FileSystem::IsMissing(folder + scriptName))
            return Fate::Live;
    }
    return Fate::Dead;
}

Sweep::Sweep(Purpose purpose, const QString &ownFolder) : purpose(purpose), ownFolder(ownFolder) {}

bool Sweep::TakesXmlEntry(const QString &name, const QString &command)
{
    const QStringList folders = FoldersOfXmlEntry(name, command);
    return !folders.isEmpty() && Takes(folders.first(), [&] { return Judge(folders, ownFolder, looksLeft); });
}

bool Sweep::TakesIniLine(const QString &line)
{
    const QString written = WrittenFolderOfIniLine(line);
    return !written.isNull() && Takes(written, [&] { return JudgeIniFolder(written, ownFolder, looksLeft); });
}

template <typename Judgement>
bool Sweep::Takes(const QString &folder, const Judgement &judge)
{
    auto fate = fates.find(folder);
    if (fate == fates.end())
        fate = fates.insert(folder, judge());
    if (*fate == Fate::Live)
        return false;
    if (*fate == Fate::Dead || purpose == Purpose::Removal)
        return true;
    const bool later = ownKept;
    ownKept = true;
    return later;
}

} // namespace Registration
