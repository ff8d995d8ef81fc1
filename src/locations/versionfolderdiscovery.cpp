// The discovery half of VivadoIntegration: where the version folders are.
#include "integration/vivadointegration.h"

#include <QDirIterator>

namespace {
const QString roamingMarker = QStringLiteral("AppData/Roaming");
}

// A missing Vivado folder is no failure: Vivado has not run yet, and there is nothing to do.
ResultCode VivadoIntegration::FindVersionFolders(VersionFolderList &folders)
{
    folders.clear();
    QString root;
    const ResultCode found = FindVivadoFolder(root);
    if (found == RESULT_OK)
        ListVersionFolders(folders, root);
    return found;
}

QString VivadoIntegration::GetRoamingFolder(const QStringList &locations)
{
    for (const QString &location : locations) {
        const int position = location.indexOf(roamingMarker, 0, Qt::CaseSensitive);
        if (position >= 0)
            return location.left(position + roamingMarker.size());
    }
    return QString();
}

void VivadoIntegration::ListVersionFolders(VersionFolderList &folders, const QString &rootFolder)
{
    folders.clear();
    QDirIterator entries(rootFolder, QDirIterator::NoIteratorFlags);
    while (entries.hasNext()) {
        const QString entryPath = entries.next();
        const QString name = GetFolderName(entryPath);
        if (!IsVersionName(name))
            continue;
        folders.append(VersionFolder{QStringLiteral("%2/commands").arg(entryPath), name});
    }
}

bool VivadoIntegration::IsVersionName(const QString &name)
{
    return name.startsWith(QLatin1String("20"), Qt::CaseSensitive);
}

QString VivadoIntegration::GetFolderName(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}
