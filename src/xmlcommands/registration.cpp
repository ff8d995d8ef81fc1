#include "xmlcommands/registration.h"

#include "files/filesystem.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace Registration {

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

QString TclQuoted(QString text)
{
    for (const char special : {'\\', '[', ']', '$', '"'})
        text.replace(QLatin1Char(special), QString(QLatin1Char('\\')).append(QLatin1Char(special)));
    return text;
}

QString Command(const QString &folder)
{
    return QStringLiteral("source \"%1/vivado_server.tcl\" -notrace").arg(TclQuoted(folder));
}

QString IniValue(const QString &folder)
{
    const QString iconFolder = QString(folder).replace(space, encodedSpace, Qt::CaseSensitive);
    const QString commandFolder = TclQuoted(folder).replace(space, encodedSpace, Qt::CaseSensitive);

    QString value = QStringLiteral("TALVORN%20Probe%20Core%20Inserter ");
    value += QLatin1String("source%20\"") + commandFolder + QLatin1String("/vivado_server.tcl\"%20-notrace ");
    value += QLatin1String("\"\" ") + iconFolder + iconName + QLatin1Char(' ');
    value += QLatin1String("Start%20TALVORN%20Core%20Inserter \"\" true ");
    value += QChar(0); // This field is one U+0000 character, neither a digit nor quotes.
    value += QLatin1String(" \"\" true 0");
    return value;
}

QStringList FoldersOfXmlEntry(const QString &name, const QString &command)
{
    static const QRegularExpression own(QStringLiteral("^TALVORN_Probe_Core_Inserter(_[0-9]+)?$"));
    const QString folder = own.match(name).hasMatch() ? FolderOfCommand(command) : QString();
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

} // namespace Registration
