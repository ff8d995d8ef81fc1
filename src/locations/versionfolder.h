#ifndef VERSIONFOLDER_H
#define VERSIONFOLDER_H

#include <QList>
#include <QString>

// One Vivado version folder found below the roaming folder.
struct VersionFolder
{
    QString commandsPath; // the version folder followed by "/commands"
    QString version;      // the version folder's own name, e.g. 2017.4
};

using VersionFolderList = QList<VersionFolder>;

#endif // VERSIONFOLDER_H
