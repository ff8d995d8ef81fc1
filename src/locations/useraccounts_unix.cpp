// Unix has no system accounts in this sense (root is a person's account there) and no
// machine-wide list of profiles.
#include "locations/useraccounts.h"

namespace UserAccounts {

bool IsSystemAccount()
{
    return false;
}

// A session without a display is not told apart yet.
bool HasInteractiveDesktop()
{
    return true;
}

QString WindowsFolder()
{
    return QString();
}

bool ProfileFolders(QStringList &folders)
{
    folders.clear();
    return false;
}

} // namespace UserAccounts
