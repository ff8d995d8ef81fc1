#ifndef USERACCOUNTS_H
#define USERACCOUNTS_H

#include <QString>
#include <QStringList>

// Tells whose roaming folders there are: what kind of account runs us, and which other
// profiles the machine holds. Only Windows has system accounts and a list of profiles.
namespace UserAccounts {

// Whether the process runs as LocalSystem, LocalService or NetworkService, the accounts
// that deployment tools and services run installers as. Their roaming folder belongs to
// no person.
bool IsSystemAccount();

// Whether the process runs where a person sees its windows. A deployment tool's system
// account and a service run in a window station of their own, which nobody sees, so
// nobody could answer a window there.
bool HasInteractiveDesktop();
// Whether Qt's usual platform would find no display and abort, so that the process must
// run on the windowless one.
bool NeedsWindowlessPlatform();

// The Windows folder, "/"-separated; empty where there is none.
QString WindowsFolder();

// Whether the roaming folder lies inside the Windows folder, as the system accounts'
// profiles do (…/config/systemprofile/…, …/ServiceProfiles/…).
bool IsSystemProfile(const QString &roamingFolder, const QString &windowsFolder);

// Gives the folder of every person's profile on the machine, "/"-separated. Returns
// false where the system keeps no list of profiles.
bool ProfileFolders(QStringList &folders);

} // namespace UserAccounts

#endif // USERACCOUNTS_H
