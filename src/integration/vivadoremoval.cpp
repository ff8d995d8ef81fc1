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
    using Integration = VivadoIntegration;
    return Integration::ForEachCommandFile(folders, Integration::OnFailure::GoOn, [this](const QString &filePath, bool legacy) {
        return legacy ? UpdateIniFile().Remove(appFolder, filePath) : UpdateXmlFile().Remove(appFolder, filePath);
    });
}
