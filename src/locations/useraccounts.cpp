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

// Also through links: where the folder really is decides.
bool IsSystemProfile(const QString &roamingFolder, const QString &windowsFolder)
{
    return Inside(roamingFolder, windowsFolder)
        || Inside(QFileInfo(roamingFolder).canonicalFilePath(), QFileInfo(windowsFolder).canonicalFilePath());
}

} // namespace UserAccounts
