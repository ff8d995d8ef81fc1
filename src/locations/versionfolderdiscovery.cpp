// The discovery half of VivadoIntegration: where the version folders are.
#include "integration/vivadointegration.h"

#include "locations/useraccounts.h"

#include <QDebug>
#include <QDirIterator>
#include <QStandardPaths>

namespace {
const QString roamingMarker = QStringLiteral("AppData/Roaming");
}

ResultCode VivadoIntegration::FindVersionFolders(VersionFolderList &folders)
{
    folders.clear();
    const QStringList locations = QStandardPaths::standardLocations(QStandardPaths::AppDataLocation);
    QString root = GetRoamingFolder(locations);
    if (root.isEmpty()) {
        qDebug() << "VivadoIntegration::FindVersionFolders - no roaming folder among" << locations;
        return ERR_ROAMING_FOLDER_NOT_FOUND;
    }
    if (UserAccounts::IsSystemAccount() || UserAccounts::IsSystemProfile(root, UserAccounts::WindowsFolder())) {
        qDebug() << "VivadoIntegration::FindVersionFolders - a system account's roaming folder:" << root;
        return ERR_SYSTEM_ACCOUNT;
    }

    root.append(QStringLiteral("/Xilinx/Vivado"));
    ListVersionFolders(folders, root);
    return RESULT_OK;
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
