#ifndef VIVADOINTEGRATION_H
#define VIVADOINTEGRATION_H

#include "locations/versionfolder.h"
#include "messages/resultcodes.h"

#include <QString>
#include <QStringList>

// Registers the custom command with every Vivado version of the current user.
class VivadoIntegration
{
public:
    ResultCode Integrate(const QString &appFolder);
    ResultCode UpdateVersionFolders(const VersionFolderList &folders);
    static bool IsLegacyVersion(const QString &version);

    // Discovery of the per-version commands folders; uses no object state.
    static ResultCode FindVersionFolders(VersionFolderList &folders);
    static QString GetRoamingFolder(const QStringList &locations);
    static void ListVersionFolders(VersionFolderList &folders, const QString &rootFolder);
    static QString GetFolderName(const QString &path);

private:
    QString appFolder;
};

#endif // VIVADOINTEGRATION_H
