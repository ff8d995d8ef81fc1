#ifndef VIVADOINTEGRATION_H
#define VIVADOINTEGRATION_H

#include "locations/versionfolder.h"
#include "messages/resultcodes.h"
#include "registration/commandfileeditor.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// Registers the custom command with every Vivado version of the current user, and takes
// it out again for the removal companion.
class VivadoIntegration
{
public:
    ResultCode Integrate(const QString &appFolder);
    ResultCode UpdateVersionFolders(const VersionFolderList &folders);
    static bool IsLegacyVersion(const QString &version);
    static std::unique_ptr<CommandFileEditor> NewEditor(bool legacy);
    // commands.paini for a version before 2018, commands.xml from 2018 on.
    static QString CommandFileName(bool legacy);
    // Whether the folder that would hold the command file is there. Vivado makes it when
    // it first starts.
    static bool HasCommandsFolder(const QString &filePath);

    // Removes the entries for this installation's folder and those of installations that
    // are gone. An uninstaller must not stop halfway, so every version is visited; the first
    // failure is the result.
    ResultCode Remove(const QString &appFolder);
    ResultCode RemoveFromVersionFolders(const VersionFolderList &folders);
    // The same for every person's profile on the machine, for an uninstall that runs
    // elevated or as the system. Where there is no list of profiles, nothing is touched.
    ResultCode RemoveForAllUsers(const QString &appFolder);
    // The same in one profile, for a run with more rights than the profile's user. A file
    // reached through a link, junction or mount point is left alone, with a debug line.
    ResultCode RemoveFromProfile(const QString &appFolder, const QString &profileFolder);

    // Leaves one entry of the tool's for the application folder in every version, and
    // none for folders that are gone. A version that is already like that is not written.
    // It runs at every logon, so that versions installed later get their entry, and goes
    // on after a failure.
    ResultCode Refresh(const QString &appFolder);
    ResultCode RefreshVersionFolders(const VersionFolderList &folders);

    // Hands each version folder's command file to the task, with whether it is the
    // commands.paini of a version before 2018. Stops at the first failure, or goes on
    // through every folder and returns the first failure.
    enum class OnFailure { Stop, GoOn };
    using FileTask = std::function<ResultCode(const QString &filePath, bool legacy)>;
    static ResultCode ForEachCommandFile(const VersionFolderList &folders, OnFailure onFailure, const FileTask &task);

    // Finds the per-version commands folders; it uses no object state.
    static ResultCode FindVersionFolders(VersionFolderList &folders);
    // The running user's Vivado folder, which holds a folder per version: below the
    // roaming folder on Windows, in the home folder on Linux.
    static ResultCode FindVivadoFolder(QString &folder);
    // The path of that folder below a profile or home folder.
    static const QString profileVivadoFolder;
    static QString GetRoamingFolder(const QStringList &locations);
    static void ListVersionFolders(VersionFolderList &folders, const QString &rootFolder);
    // Vivado names each version's folder by its version, such as 2017.4.
    static bool IsVersionName(const QString &name);
    static QString GetFolderName(const QString &path);

private:
    using FoldersTask = ResultCode (VivadoIntegration::*)(const VersionFolderList &folders);
    ResultCode ForFoundFolders(const QString &appFolder, FoldersTask task);

    QString appFolder;
};

#endif // VIVADOINTEGRATION_H
