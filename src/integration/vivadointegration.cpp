#include "integration/vivadointegration.h"

#include "files/containedfile.h"
#include "integration/updateinifile.h"
#include "locations/useraccounts.h"
#include "xmlcommands/updatexmlfile.h"

#include <QDebug>
#include <QFileInfo>

namespace {
// Vivado keeps its custom commands in commands.xml from this major version on.
constexpr uint firstXmlVersion = 2018;

#if QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
constexpr auto skipEmptyParts = Qt::SkipEmptyParts;
#else
constexpr auto skipEmptyParts = QString::SkipEmptyParts;
#endif
}

// A fresh editor for each file, of the format the version uses.
std::unique_ptr<CommandFileEditor> VivadoIntegration::NewEditor(bool legacy)
{
    if (legacy)
        return std::make_unique<UpdateIniFile>();
    return std::make_unique<UpdateXmlFile>();
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
    return ForEachCommandFile(folders, OnFailure::Stop, [this](const QString &filePath, bool legacy) {
        return NewEditor(legacy)->Update(appFolder, filePath);
    });
}

ResultCode VivadoIntegration::Remove(const QString &appFolder)
{
    return ForFoundFolders(appFolder, &VivadoIntegration::RemoveFromVersionFolders);
}

// Finds the version folders, then runs the task over them. A failure to find them ends
// the run at once.
ResultCode VivadoIntegration::ForFoundFolders(const QString &appFolder, FoldersTask task)
{
    this->appFolder = appFolder;
    VersionFolderList folders;
    const ResultCode result = FindVersionFolders(folders);
    return result == RESULT_OK ? (this->*task)(folders) : result;
}

// A version without a commands folder (Vivado installed but never started) has nothing
// to remove.
ResultCode VivadoIntegration::RemoveFromVersionFolders(const VersionFolderList &folders)
{
    return ForEachCommandFile(folders, OnFailure::GoOn, [this](const QString &filePath, bool legacy) {
        if (!HasCommandsFolder(filePath))
            return RESULT_OK;
        return NewEditor(legacy)->Remove(appFolder, filePath);
    });
}

ResultCode VivadoIntegration::RemoveForAllUsers(const QString &appFolder)
{
    this->appFolder = appFolder;
    QStringList profiles;
    if (!UserAccounts::ProfileFolders(profiles)) {
        qDebug() << "VivadoIntegration::RemoveForAllUsers - the system keeps no list of profiles";
        return ERR_ROAMING_FOLDER_NOT_FOUND;
    }
    ResultCode first = RESULT_OK;
    for (const QString &profile : profiles) {
        const ResultCode result = RemoveFromProfile(appFolder, profile);
        if (first == RESULT_OK)
            first = result;
    }
    return first;
}

// The profile's user controls every folder below the profile, so the versions are listed
// and each file is reached from the profile folder one name at a time, following no link
// (see ContainedFile). The folders stay open, so the names listed are those we then open.
ResultCode VivadoIntegration::RemoveFromProfile(const QString &appFolder, const QString &profileFolder)
{
    this->appFolder = appFolder;
    const QStringList vivadoNames = profileVivadoFolder.split(QLatin1Char('/'));
    ContainedFile vivado;
    switch (vivado.Open(profileFolder, vivadoNames, ContainedFile::Kind::Folder)) {
    case ContainedFile::Opened::Open:
        break;
    case ContainedFile::Opened::Missing:
        return RESULT_OK;
    case ContainedFile::Opened::Refused:
    case ContainedFile::Opened::Failed:
        qDebug().noquote() << QStringLiteral("VivadoIntegration::RemoveFromProfile - \"%1/%2\": left alone, %3")
                                  .arg(profileFolder, profileVivadoFolder, vivado.Reason());
        return RESULT_OK;
    }
    ResultCode first = RESULT_OK;
    for (const QString &version : vivado.Names()) {
        if (!IsVersionName(version))
            continue;
        const bool legacy = IsLegacyVersion(version);
        const QStringList names = vivadoNames + QStringList{version, QStringLiteral("commands"), CommandFileName(legacy)};
        const ResultCode result = NewEditor(legacy)->RemoveContained(appFolder, profileFolder, names);
        if (first == RESULT_OK)
            first = result;
    }
    return first;
}

ResultCode VivadoIntegration::Refresh(const QString &appFolder)
{
    return ForFoundFolders(appFolder, &VivadoIntegration::RefreshVersionFolders);
}

ResultCode VivadoIntegration::RefreshVersionFolders(const VersionFolderList &folders)
{
    return ForEachCommandFile(folders, OnFailure::GoOn, [this](const QString &filePath, bool legacy) {
        // A version without a commands folder (Vivado not started since it was installed, or
        // no version at all) has nothing to put in order yet; the first refresh after
        // Vivado made the folder will do it.
        if (!HasCommandsFolder(filePath))
            return RESULT_OK;
        return NewEditor(legacy)->Refresh(appFolder, filePath);
    });
}

ResultCode VivadoIntegration::ForEachCommandFile(const VersionFolderList &folders, OnFailure onFailure, const FileTask &task)
{
    ResultCode first = RESULT_OK;
    for (const VersionFolder &folder : folders) {
        const bool legacy = IsLegacyVersion(folder.version);
        const ResultCode result = task(folder.commandsPath + QLatin1Char('/') + CommandFileName(legacy), legacy);
        if (first == RESULT_OK)
            first = result;
        if (result != RESULT_OK && onFailure == OnFailure::Stop)
            break;
    }
    return first;
}

bool VivadoIntegration::HasCommandsFolder(const QString &filePath)
{
    return QFileInfo(QFileInfo(filePath).path()).isDir();
}

QString VivadoIntegration::CommandFileName(bool legacy)
{
    return legacy ? QStringLiteral("commands.paini") : QStringLiteral("commands.xml");
}

bool VivadoIntegration::IsLegacyVersion(const QString &version)
{
    const QStringList pieces = version.split(QLatin1Char('.'), skipEmptyParts, Qt::CaseSensitive);
    if (pieces.size() != 2)
        return false;
    return pieces.first().toUInt(nullptr, 10) < firstXmlVersion;
}
