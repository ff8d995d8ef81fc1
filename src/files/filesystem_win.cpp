// The file layer's system calls on Windows.
#include "files/filesystem.h"

#include "files/waitpolicy.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <io.h>
#include <windows.h>
#include <aclapi.h>

namespace FileSystem {

namespace {
const wchar_t *Wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// Paths name the same file whatever their letter case, and through links.
QString MutexName(const QString &path)
{
    const QFileInfo info(path);
    const QString file = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QByteArray key = QDir::cleanPath(file).toCaseFolded().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32);
    return QStringLiteral("Global\\VivadoIntegration-") + QString::fromLatin1(hash);
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

// A named mutex in the global namespace, open to everyone, so that runs of every user
// and session share it; the system abandons it when its holder dies, and the next
// waiter gets it at once.
LockHandle Lock(const QString &path, const QDeadlineTimer &deadline)
{
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), &descriptor, FALSE};
    const QString name = MutexName(path);
    HANDLE mutex = CreateMutexW(&attributes, FALSE, Wide(name));
    if (!mutex)
        mutex = OpenMutexW(SYNCHRONIZE, FALSE, Wide(name));
    if (!mutex)
        return noLock;
    const qint64 remaining = deadline.remainingTime();
    const DWORD waited = WaitForSingleObject(mutex, remaining < 0 ? INFINITE : DWORD(remaining));
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return noLock;
    }
    return reinterpret_cast<LockHandle>(mutex);
}

void Unlock(LockHandle lock)
{
    if (lock == noLock)
        return;
    const HANDLE mutex = reinterpret_cast<HANDLE>(lock);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
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

// ReplaceFile keeps the old file's attributes and access rules, but not its owner: a run
// as an administrator or the system (an uninstall for every user) would take the user's
// file from them. Giving a file to someone else needs the restore privilege, which
// those accounts hold but don't enable by default.
bool KeepOwnerAndMode(QFile &newFile, const QString &target)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR oldDescriptor = nullptr;
    PSID newOwner = nullptr;
    PSECURITY_DESCRIPTOR newDescriptor = nullptr;
    const QString newPath = QDir::toNativeSeparators(newFile.fileName());
    const bool read = GetNamedSecurityInfoW(Wide(QDir::toNativeSeparators(target)), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                            &owner, nullptr, nullptr, nullptr, &oldDescriptor) == ERROR_SUCCESS
        && GetNamedSecurityInfoW(Wide(newPath), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &newOwner, nullptr, nullptr, nullptr,
                                 &newDescriptor) == ERROR_SUCCESS;
    bool kept = read && EqualSid(owner, newOwner);
    if (read && !kept) {
        EnableRestorePrivilege();
        kept = SetNamedSecurityInfoW(const_cast<wchar_t *>(Wide(newPath)), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner,
                                     nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }
    LocalFree(oldDescriptor);
    LocalFree(newDescriptor);
    // A file system without owners (FAT, some shares) has none to keep.
    return kept || !read;
}

// Qt's file handle on Windows is a C runtime descriptor over the system's handle.
bool Sync(QFile &file)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
}

bool MoveOver(const QString &source, const QString &target, bool replacing)
{
    const QString from = QDir::toNativeSeparators(source);
    const QString to = QDir::toNativeSeparators(target);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (replacing ? ReplaceFileW(Wide(to), Wide(from), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                      : MoveFileExW(Wide(from), Wide(to), MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        // The old file is gone already, the new one not yet in its place: finish the move.
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT)
            return MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!IsHeldOpen(error) || waited.elapsed() >= WaitPolicy::sharingMilliseconds)
            return false;
        QThread::msleep(WaitPolicy::pollMilliseconds);
    }
}

} // namespace FileSystem
