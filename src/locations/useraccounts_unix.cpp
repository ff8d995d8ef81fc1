// Unix has no system accounts in this sense (root is a person's account there) and no
// machine-wide list of profiles.
#include "locations/useraccounts.h"

namespace UserAccounts {

bool IsSystemAccount()
{
    return false;
}

// A person sees the windows on an X or Wayland display, or on the screen of a platform
// that the caller named (a frame buffer, say). A run over SSH or from a package manager's
// script has none of these.
// This is judged once, before main chooses the windowless platform for a process without
// any of them.
bool HasInteractiveDesktop()
{
#ifdef Q_OS_MACOS
    return true;
#else
    static const bool seen = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    return seen;
#endif
}

bool NeedsWindowlessPlatform()
{
    return !HasInteractiveDesktop();
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
