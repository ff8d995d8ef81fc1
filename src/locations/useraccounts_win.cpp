// The running account and the machine's profiles, as Windows knows them.
#include "locations/useraccounts.h"

#include <QDir>
#include <QSettings>

#include <windows.h>

#include <vector>

namespace UserAccounts {

namespace {
QString FromWide(const wchar_t *text)
{
    return QString::fromWCharArray(text);
}

// Profile paths are stored with variables such as %SystemDrive% in them.
QString Expanded(const QString &text)
{
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const DWORD size = ExpandEnvironmentStringsW(wide, nullptr, 0);
    if (size == 0)
        return text;
    std::vector<wchar_t> expanded(size);
    return ExpandEnvironmentStringsW(wide, expanded.data(), size) == 0 ? text : FromWide(expanded.data());
}

// Whether the SID is a person's account: a local or domain account, or one of Azure AD.
// The system's own accounts (S-1-5-18 to S-1-5-20) and services (S-1-5-80-...) have
// profiles too.
bool IsPersonSid(const QString &sid)
{
    return sid.startsWith(QLatin1String("S-1-5-21-")) || sid.startsWith(QLatin1String("S-1-12-1-"));
}
}

bool IsSystemAccount()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> buffer(size);
    const bool read = size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    CloseHandle(token);
    if (!read)
        return false;
    const PSID sid = reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid;
    return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinLocalServiceSid)
        || IsWellKnownSid(sid, WinNetworkServiceSid);
}

// Where the system can't say, nobody is taken to be there, because a window that nobody
// answers holds up an uninstall, while one not shown only loses its message.
bool HasInteractiveDesktop()
{
    const HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags = {};
    DWORD size = 0;
    return station && GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &size)
        && (flags.dwFlags & WSF_VISIBLE) != 0;
}

// Windows gives every process a window station, seen or not.
bool NeedsWindowlessPlatform()
{
    return false;
}

QString WindowsFolder()
{
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH + 1);
    return length == 0 || length > MAX_PATH ? QString() : QDir::fromNativeSeparators(FromWide(folder));
}

// The list is read in the registry's 64-bit view, because a 32-bit build would otherwise
// be shown a redirected copy.
bool ProfileFolders(QStringList &folders)
{
    folders.clear();
    QSettings profiles(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList"),
                       QSettings::Registry64Format);
    const QStringList sids = profiles.childGroups();
    if (sids.isEmpty())
        return false;
    const QString windows = WindowsFolder();
    for (const QString &sid : sids) {
        const QString profile = Expanded(profiles.value(sid + QStringLiteral("/ProfileImagePath")).toString());
        if (!IsPersonSid(sid) || profile.isEmpty())
            continue;
        const QString folder = QDir::fromNativeSeparators(profile);
        // A profile's backup key (<sid>.bak) names the same folder again.
        if (!IsSystemProfile(folder, windows) && !folders.contains(folder, Qt::CaseInsensitive))
            folders.append(folder);
    }
    return true;
}

} // namespace UserAccounts
