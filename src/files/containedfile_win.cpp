// A contained file on Windows opens each name relative to the folder handle before it,
// as itself and never as the target of a reparse point, and checks its handle's final
// path. A name opened by its whole path would pass through every folder above it again,
// and one of those could have become a junction meanwhile. Wine shows a link to a file as
// a plain file, and only its final path gives it away, so both checks are needed.
#include "files/containedfile.h"

#include <QDir>

#include <windows.h>
#include <winternl.h>

#include <vector>

namespace {
// The statuses that say what was found under a name.
constexpr NTSTATUS notAFolder = NTSTATUS(0xC0000103L);   // STATUS_NOT_A_DIRECTORY
constexpr NTSTATUS aFolder = NTSTATUS(0xC00000BAL);      // STATUS_FILE_IS_A_DIRECTORY
constexpr NTSTATUS invalidName = NTSTATUS(0xC0000033L);  // STATUS_OBJECT_NAME_INVALID
// The open went through, but another program holds an opportunistic lock on the file
// and has yet to let go. Reading now would wait for that program as long as it likes.
constexpr NTSTATUS oplockBreakInProgress = NTSTATUS(0x00000108L);

HANDLE Handle(qintptr handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

const wchar_t *Wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

bool IsNotThere(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

QString FinalPath(HANDLE handle)
{
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), DWORD(buffer.size()), VOLUME_NAME_DOS);
        if (length == 0)
            return QString();
        if (length < buffer.size())
            return QString::fromWCharArray(buffer.data(), int(length));
        buffer.resize(length + 1);
    }
    return QString();
}

// Only the native call opens a name relative to a folder handle. It is looked up at run
// time, because a program built without the driver kit's import library can't link it.
struct NativeCalls
{
    decltype(&NtCreateFile) createFile = nullptr;
    decltype(&RtlNtStatusToDosError) toError = nullptr;

    NativeCalls()
    {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        if (!ntdll)
            return;
        createFile = reinterpret_cast<decltype(createFile)>(reinterpret_cast<void *>(GetProcAddress(ntdll, "NtCreateFile")));
        toError = reinterpret_cast<decltype(toError)>(reinterpret_cast<void *>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    }
};

const NativeCalls &Native()
{
    static const NativeCalls calls;
    return calls;
}

// Opens `name` in `folder` without following a reparse point. On a failure the status is
// also left as the thread's last error, for the reason in the debug line.
NTSTATUS OpenRelative(HANDLE folder, const QString &name, ACCESS_MASK access, ULONG share, ULONG options, HANDLE &opened)
{
    const NativeCalls &native = Native();
    if (!native.createFile || !native.toError) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return NTSTATUS(0xC0000002L); // STATUS_NOT_IMPLEMENTED
    }
    UNICODE_STRING unicodeName;
    unicodeName.Buffer = const_cast<PWSTR>(Wide(name));
    unicodeName.Length = USHORT(name.size() * sizeof(wchar_t));
    unicodeName.MaximumLength = unicodeName.Length;
    OBJECT_ATTRIBUTES attributes = {};
    attributes.Length = sizeof attributes;
    attributes.RootDirectory = folder;
    attributes.ObjectName = &unicodeName;
    attributes.Attributes = OBJ_CASE_INSENSITIVE;
    IO_STATUS_BLOCK status = {};
    const NTSTATUS result = native.createFile(&opened, access | SYNCHRONIZE, &attributes, &status, nullptr, 0, share, FILE_OPEN,
                                              options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT
                                                  | FILE_COMPLETE_IF_OPLOCKED,
                                              nullptr, 0);
    if (result < 0)
        SetLastError(native.toError(result));
    return result;
}

// Folders on the way are shared for reading and writing but not for deletion, so that
// nobody can rename or replace them while we work below them.
NTSTATUS OpenFolderHandle(HANDLE parent, const QString &name, HANDLE &opened)
{
    return OpenRelative(parent, name, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        FILE_DIRECTORY_FILE, opened);
}

// The file is shared for reading only, so that nobody else may write it while we read and
// rewrite it. A file held open by another program is not waited for, because its user
// could hold every file that way and stall the run for everyone.
NTSTATUS OpenFileHandle(HANDLE parent, const QString &name, HANDLE &opened)
{
    return OpenRelative(parent, name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, FILE_NON_DIRECTORY_FILE, opened);
}
}

void ContainedFile::CloseAll()
{
    for (const qintptr handle : handles)
        CloseHandle(Handle(handle));
    handles.clear();
}

// The base folder must not be a link either, and must be where its path says, because a
// profile folder that was deleted and made again as a junction could lead anywhere.
ContainedFile::Opened ContainedFile::OpenBase(const QString &base)
{
    path = QDir::toNativeSeparators(QDir::cleanPath(base));
    const HANDLE folder = CreateFileW(Wide(path), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return IsNotThere(GetLastError()) ? Opened::Missing : Failed(path);
    handles.push_back(reinterpret_cast<qintptr>(folder));
    expected = QStringLiteral("\\\\?\\") + path;
    return Checked(true);
}

ContainedFile::Opened ContainedFile::OpenFolder(const QString &name)
{
    return OpenName(name, true);
}

ContainedFile::Opened ContainedFile::OpenFile(const QString &name)
{
    return OpenName(name, false);
}

ContainedFile::Opened ContainedFile::OpenName(const QString &name, bool folder)
{
    path += QLatin1Char('\\') + name;
    expected += QLatin1Char('\\') + name;
    HANDLE opened = INVALID_HANDLE_VALUE;
    const HANDLE parent = Handle(handles.back());
    const NTSTATUS result = folder ? OpenFolderHandle(parent, name, opened) : OpenFileHandle(parent, name, opened);
    if (result == oplockBreakInProgress) {
        CloseHandle(opened);
        return Refused(QStringLiteral("another program holds it: ") + path);
    }
    if (result == notAFolder || result == aFolder)
        return Refused((folder ? QStringLiteral("no folder: ") : QStringLiteral("no regular file: ")) + path);
    if (result == invalidName)
        return Refused(QStringLiteral("a name the file system does not take: ") + path);
    if (result < 0)
        return IsNotThere(GetLastError()) ? Opened::Missing : Failed(path);
    handles.push_back(reinterpret_cast<qintptr>(opened));
    return Checked(folder);
}

// Checks that the handle opened last is no reparse point, is of the kind asked for and is
// the file's only name, and that the system places it where we meant.
ContainedFile::Opened ContainedFile::Checked(bool folder)
{
    const HANDLE handle = Handle(handles.back());
    // Wine opens a FIFO or a device under a name and tells nothing more about it, so only
    // its file type gives it away.
    if (GetFileType(handle) != FILE_TYPE_DISK)
        return Refused(QStringLiteral("no regular file: ") + path);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return Failed(path);
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return Refused(QStringLiteral("a link, junction or mount point: ") + path);
    const bool isFolder = info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    if (folder != isFolder)
        return Refused((folder ? QStringLiteral("no folder: ") : QStringLiteral("no regular file: ")) + path);
    if (!folder && info.nNumberOfLinks != 1)
        return Refused(QStringLiteral("a file with more than one name: ") + path);
    const QString final = FinalPath(handle);
    if (final.compare(expected, Qt::CaseInsensitive) != 0)
        return Refused(QStringLiteral("leads elsewhere: ") + path + QStringLiteral(" is ") + final);
    return Opened::Open;
}

bool ContainedFile::Read(QByteArray &bytes, qint64 limit, bool &tooLarge)
{
    const HANDLE file = Handle(handles.back());
    LARGE_INTEGER size;
    tooLarge = false;
    if (!GetFileSizeEx(file, &size)) {
        Failed(path);
        return false;
    }
    tooLarge = size.QuadPart > limit;
    if (tooLarge)
        return false;
    bytes.resize(int(size.QuadPart));
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
        Failed(path);
        return false;
    }
    for (qint64 done = 0; done < bytes.size();) {
        DWORD read = 0;
        if (!ReadFile(file, bytes.data() + done, DWORD(bytes.size() - done), &read, nullptr) || read == 0) {
            Failed(path);
            return false;
        }
        done += read;
    }
    return true;
}

bool ContainedFile::WriteAll(const QByteArray &bytes)
{
    const HANDLE file = Handle(handles.back());
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    for (qint64 done = 0; done < bytes.size();) {
        DWORD written = 0;
        if (!WriteFile(file, bytes.constData() + done, DWORD(bytes.size() - done), &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return SetEndOfFile(file) && FlushFileBuffers(file);
}

QStringList ContainedFile::Names()
{
    QStringList names;
    std::vector<char> buffer(64 * 1024);
    const HANDLE folder = Handle(handles.back());
    while (GetFileInformationByHandleEx(folder, FileIdBothDirectoryInfo, buffer.data(), DWORD(buffer.size()))) {
        for (std::size_t offset = 0;;) {
            const auto *entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO *>(buffer.data() + offset);
            const QString name = QString::fromWCharArray(entry->FileName, int(entry->FileNameLength / sizeof(wchar_t)));
            if (name != QLatin1String(".") && name != QLatin1String(".."))
                names.append(name);
            if (entry->NextEntryOffset == 0)
                break;
            offset += entry->NextEntryOffset;
        }
    }
    return names;
}
