#include "xmlcommands/registration.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace Registration {

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

QString FolderOf(const QString &command)
{
    static const QRegularExpression form(QStringLiteral("^source \"(.*)/vivado_server\\.tcl\" -notrace$"));
    static const QRegularExpression escaped(QStringLiteral("\\\\(.)"));
    const QRegularExpressionMatch match = form.match(command);
    const QString folder = match.captured(1).replace(escaped, QStringLiteral("\\1"));
    return match.hasMatch() && Command(folder) == command ? folder : QString();
}

bool IsOwnName(const QString &name)
{
    static const QRegularExpression own(QStringLiteral("^TALVORN_Probe_Core_Inserter(_[0-9]+)?$"));
    return own.match(name).hasMatch();
}

bool IsToBeRemoved(const QString &folder, const QString &ownFolder)
{
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity paths = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity paths = Qt::CaseSensitive;
#endif
    return folder.compare(ownFolder, paths) == 0 || !QFileInfo::exists(folder + QStringLiteral("/vivado_server.tcl"));
}

} // namespace Registration
