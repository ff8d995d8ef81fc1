#ifndef VIVADOREMOVAL_H
#define VIVADOREMOVAL_H

#include "locations/versionfolder.h"
#include "messages/resultcodes.h"

#include <QString>

// Takes the custom command out of every Vivado version of the current user again: the
// entries for this installation's folder and those of installations that are gone.
// An uninstaller must not stop halfway, so every version is visited; the first
// failure is the result.
class VivadoRemoval
{
public:
    ResultCode Remove(const QString &appFolder);
    ResultCode RemoveFromVersionFolders(const VersionFolderList &folders);

private:
    QString appFolder;
};

#endif // VIVADOREMOVAL_H
