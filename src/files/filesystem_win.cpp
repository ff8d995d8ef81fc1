// The file layer's system calls on Windows.
#include "files/filesystem.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <io.h>
#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <vector>

namespace FileSystem {

namespace {
const wchar_t *Wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// A security identifier, owned for as long as the object lives.
class Sid
{
public:
    explicit Sid(WELL_KNOWN_SID_TYPE type)
    {
        DWORD size = SECURITY_MAX_SID_SIZE;
        bytes.resize(size);
        if (!CreateWellKnownSid(type, nullptr, Get(), &size))
            bytes.clear();
    }
    explicit Sid(PSID sid)
    {
        if (sid && IsValidSid(sid)) {
            bytes.resize(GetLengthSid(sid));
            CopySid(DWORD(bytes.size()), Get(), sid);
        }
    }
    PSID Get() { return bytes.empty() ? nullptr : bytes.data(); }
    bool Is(PSID other) { return Get() && other && EqualSid(Get(), other); }

private:
    std::vector<BYTE> bytes;
};

// The account the process runs as (TokenUser), or the owner that the process gives what
// it creates (TokenOwner). A file we create is meant to belong to the former, whatever
// the token's default owner, which for an elevated administrator is the Administrators
// group.
Sid ProcessSid(TOKEN_INFORMATION_CLASS kind)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return Sid(PSID(nullptr));
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    const bool read = size > 0 && GetTokenInformation(token, kind, buffer.data(), size, &size);
    CloseHandle(token);
    if (!read)
        return Sid(PSID(nullptr));
    return Sid(kind == TokenUser ? reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid
                                 : reinterpret_cast<TOKEN_OWNER *>(buffer.data())->Owner);
}

Sid ProcessUser()
{
    return ProcessSid(TokenUser);
}

// The owner of the file, or of the folder that will hold it, is the person whose file it
// is.
Sid OwnerOf(const QString &path)
{
    const QFileInfo info(path);
    const QString existing = info.exists() ? path : info.absolutePath();
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(Wide(QDir::toNativeSeparators(existing)), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return Sid(PSID(nullptr));
    Sid sid(owner);
    LocalFree(descriptor);
    return sid;
}

// The accounts that may edit a user's file and so may take its lock: the user, whoever
// runs us (and the owner it gives its objects), the system and the administrators.
std::vector<Sid> LockHolders(const QString &path)
{
    std::vector<Sid> holders;
    holders.push_back(OwnerOf(path));
    holders.push_back(ProcessUser());
    holders.push_back(ProcessSid(TokenOwner));
    holders.emplace_back(WinLocalSystemSid);
    holders.emplace_back(WinBuiltinAdministratorsSid);
    return holders;
}

// The lock's access list names only the holders, so no one else can open it, wait on it
// and so take it.
PACL LockAccessList(std::vector<Sid> &holders)
{
    std::vector<EXPLICIT_ACCESSW> entries;
    for (Sid &holder : holders) {
        if (!holder.Get())
            continue;
        EXPLICIT_ACCESSW entry{};
        entry.grfAccessPermissions = SYNCHRONIZE | MUTEX_MODIFY_STATE | READ_CONTROL;
        entry.grfAccessMode = SET_ACCESS;
        entry.grfInheritance = NO_INHERITANCE;
        entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        entry.Trustee.ptstrName = static_cast<LPWSTR>(holder.Get());
        entries.push_back(entry);
    }
    PACL list = nullptr;
    return SetEntriesInAclW(ULONG(entries.size()), entries.data(), nullptr, &list) == ERROR_SUCCESS ? list : nullptr;
}

// A lock that someone else made first, and that names none of the holders as its owner,
// is a squatter's: a user without rights to the file who wants to block its edits.
bool IsHoldersLock(HANDLE mutex, std::vector<Sid> &holders)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr, &descriptor)
        != ERROR_SUCCESS)
        return false;
    const bool ours = std::any_of(holders.begin(), holders.end(), [owner](Sid &holder) { return holder.Is(owner); });
    LocalFree(descriptor);
    return ours;
}

void EnableRestorePrivilege()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, L"SeRestorePrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
}

bool IsHeldOpen(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED
        || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}
}

// The lock is a named mutex in the global namespace, so that runs of every user and
// session share it, and only those who may edit the file can open it. A lock of the same
// name that someone else made is not ours: the run goes on without it rather than wait
// for a stranger, and the check before the move still keeps every change of another run.
// Our open handle keeps the mutex in being while we wait, so no stranger can make one of
// its name between two tries.
LockHandle OpenLock(const QString &path)
{
    std::vector<Sid> holders = LockHolders(path);
    const PACL list = LockAccessList(holders);
    if (!list)
        return noLock;
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), &descriptor, FALSE};
    const HANDLE mutex = CreateMutexExW(&attributes, Wide(LockName(path)), 0, SYNCHRONIZE | MUTEX_MODIFY_STATE | READ_CONTROL);
    const DWORD created = GetLastError();
    LocalFree(list);
    // No mutex means someone else's lock that we may not open, or another kind of object
    // under its name.
    if (!mutex)
        return unguarded;
    if (created == ERROR_ALREADY_EXISTS && !IsHoldersLock(mutex, holders)) {
        CloseHandle(mutex);
        return unguarded;
    }
    return reinterpret_cast<LockHandle>(mutex);
}

// The system abandons the mutex when its holder dies, and the next try gets it at once.
Attempt TryLock(LockHandle lock)
{
    switch (WaitForSingleObject(reinterpret_cast<HANDLE>(lock), 0)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
        return Attempt::Done;
    case WAIT_TIMEOUT:
        return Attempt::Busy;
    default:
        return Attempt::Failed;
    }
}

// The name comes from the real path, case-folded, because paths name the same file
// whatever their letter case, and through links.
QString LockName(const QString &path)
{
    const QFileInfo info(path);
    const QString file = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QByteArray key = QDir::cleanPath(file).toCaseFolded().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32);
    return QStringLiteral("Global\\VivadoIntegration.FileLock-") + QString::fromLatin1(hash);
}

void CloseLock(LockHandle lock)
{
    if (lock != noLock && lock != unguarded)
        CloseHandle(reinterpret_cast<HANDLE>(lock));
}

void Unlock(LockHandle lock)
{
    if (lock != noLock && lock != unguarded)
        ReleaseMutex(reinterpret_cast<HANDLE>(lock));
    CloseLock(lock);
}

bool MayWrite(const QString &path)
{
    return QFileInfo(path).isWritable();
}

bool IsMissing(const QString &path)
{
    if (GetFileAttributesW(Wide(QDir::toNativeSeparators(path))) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool SetOwner(const QString &path, PSID owner)
{
    return SetNamedSecurityInfoW(const_cast<wchar_t *>(Wide(QDir::toNativeSeparators(path))), SE_FILE_OBJECT,
                                 OWNER_SECURITY_INFORMATION, owner, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// ReplaceFile keeps the old file's attributes and access rules, but not its owner: a run
// as an administrator or the system (an uninstall for every user) would take the user's
// file from them. Giving a file to someone else needs the restore privilege, which
// those accounts hold but don't enable by default. A file that an elevated run gave to
// the Administrators group goes back to the user who runs us.
bool KeepOwnerAndMode(QFile &newFile, const QString &target)
{
    Sid owner = OwnerOf(target);
    Sid current = OwnerOf(newFile.fileName());
    if (!owner.Get() || !current.Get())
        return true; // a file system without owners (FAT, some shares) has none to keep
    Sid administrators(WinBuiltinAdministratorsSid);
    Sid user = ProcessUser();
    Sid &wanted = administrators.Is(owner.Get()) && user.Get() ? user : owner;
    if (current.Is(wanted.Get()))
        return true;
    EnableRestorePrivilege();
    return SetOwner(newFile.fileName(), wanted.Get());
}

// An elevated administrator's new files belong to the Administrators group by default;
// a file in the user's own profile must be the user's.
bool GiveToProcessUser(QFile &newFile)
{
    Sid user = ProcessUser();
    Sid current = OwnerOf(newFile.fileName());
    return !user.Get() || !current.Get() || current.Is(user.Get()) || SetOwner(newFile.fileName(), user.Get());
}

// Qt's file handle on Windows is a C runtime descriptor over the system's handle.
bool Sync(QFile &file)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
}

Attempt TryMoveOver(const QString &source, const QString &target, bool replacing)
{
    const QString from = QDir::toNativeSeparators(source);
    const QString to = QDir::toNativeSeparators(target);
    if (replacing ? ReplaceFileW(Wide(to), Wide(from), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                  : MoveFileExW(Wide(from), Wide(to), MOVEFILE_WRITE_THROUGH))
        return Attempt::Done;
    const DWORD error = GetLastError();
    // The old file is gone already but the new one is not yet in its place, so the move
    // is finished here.
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT)
        return MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? Attempt::Done
                                                                                                      : Attempt::Failed;
    return IsHeldOpen(error) ? Attempt::Busy : Attempt::Failed;
}

Qt::CaseSensitivity PathCase()
{
    return Qt::CaseInsensitive;
}

bool HasDriveLetters()
{
    return true;
}

QString NativeLineEnd()
{
    return QStringLiteral("\r\n");
}

// The drive is judged by the volume that holds the path, because another drive may be
// mounted in a folder of a fixed one.
bool IsOnFixedDrive(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    std::vector<wchar_t> volume(std::size_t(native.size()) + 2);
    const bool found = GetVolumePathNameW(Wide(native), volume.data(), DWORD(volume.size()));
    return GetDriveTypeW(found ? volume.data() : Wide(native.left(3))) == DRIVE_FIXED;
}

} // namespace FileSystem
