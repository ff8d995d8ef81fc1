#include "integration/vivadointegration.h"

#include "integration/updateinifile.h"
#include "xmlcommands/updatexmlfile.h"

namespace {
// Vivado keeps its custom commands in commands.xml from this major version on.
constexpr uint firstXmlVersion = 2018;

#if QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
constexpr auto skipEmptyParts = Qt::SkipEmptyParts;
#else
constexpr auto skipEmptyParts = QString::SkipEmptyParts;
#endif
}

ResultCode VivadoIntegration::Integrate(const QString &appFolder)
{
    this->appFolder = appFolder;
    VersionFolderList folders;
    const ResultCode result = FindVersionFolders(folders);
    if (result != RESULT_OK)
        return result;
    return UpdateVersionFolders(folders);
}

ResultCode VivadoIntegration::UpdateVersionFolders(const VersionFolderList &folders)
{
    for (const VersionFolder &folder : folders) {
        QString filePath = folder.commandsPath + QLatin1Char('/');
        ResultCode result;
        if (IsLegacyVersion(folder.version)) {
            filePath.append(QStringLiteral("commands.paini"));
            result = UpdateIniFile().Update(appFolder, filePath);
        } else {
            filePath.append(QStringLiteral("commands.xml"));
            result = UpdateXmlFile().Update(appFolder, filePath);
        }
        if (result != RESULT_OK)
            return result;
    }
    return RESULT_OK;
}

bool VivadoIntegration::IsLegacyVersion(const QString &version)
{
    const QStringList pieces = version.split(QLatin1Char('.'), skipEmptyParts, Qt::CaseSensitive);
    if (pieces.size() != 2)
        return false;
    return pieces.first().toUInt(nullptr, 10) < firstXmlVersion;
}
