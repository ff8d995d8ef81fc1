#include "locations/useraccounts.h"

#include <QDir>
#include <QFileInfo>

namespace UserAccounts {

namespace {
// Windows paths, with either separator.
QString Cleaned(const QString &path)
{
    return QDir::cleanPath(QString(path).replace(QLatin1Char('\\'), QLatin1Char('/')));
}

bool Inside(const QString &path, const QString &folder)
{
    if (path.isEmpty() || folder.isEmpty())
        return false;
    const QString inner = Cleaned(path);
    QString outer = Cleaned(folder);
    if (!outer.endsWith(QLatin1Char('/')))
        outer += QLatin1Char('/');
    return inner.startsWith(outer, Qt::CaseInsensitive) || (inner + QLatin1Char('/')).compare(outer, Qt::CaseInsensitive) == 0;
}
}

// A roaming folder reached through a link into the Windows folder is a system profile
// too: the folder's real place decides, not the path that names it.
bool IsSystemProfile(const QString &roamingFolder, const QString &windowsFolder)
{
    return Inside(roamingFolder, windowsFolder)
        || Inside(QFileInfo(roamingFolder).canonicalFilePath(), QFileInfo(windowsFolder).canonicalFilePath());
}

} // namespace UserAccounts
