#include "integration/vivadoremoval.h"

#include "integration/updateinifile.h"
#include "integration/vivadointegration.h"
#include "xmlcommands/updatexmlfile.h"

ResultCode VivadoRemoval::Remove(const QString &appFolder)
{
    this->appFolder = appFolder;
    VersionFolderList folders;
    const ResultCode result = VivadoIntegration::FindVersionFolders(folders);
    if (result != RESULT_OK)
        return result;
    return RemoveFromVersionFolders(folders);
}

ResultCode VivadoRemoval::RemoveFromVersionFolders(const VersionFolderList &folders)
{
    ResultCode first = RESULT_OK;
    for (const VersionFolder &folder : folders) {
        const QString filePath = folder.commandsPath + QLatin1Char('/');
        const ResultCode result = VivadoIntegration::IsLegacyVersion(folder.version)
            ? UpdateIniFile().Remove(appFolder, filePath + QStringLiteral("commands.paini"))
            : UpdateXmlFile().Remove(appFolder, filePath + QStringLiteral("commands.xml"));
        if (first == RESULT_OK)
            first = result;
    }
    return first;
}
