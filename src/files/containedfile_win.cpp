// A contained file on Windows: each name opened as itself, never as the target of a
// reparse point, and its handle's final path checked. Wine shows a link to a file as a
// plain file that its final path gives away, so both checks are needed.
#include "files/containedfile.h"

#include "files/waitpolicy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <windows.h>

#include <vector>

namespace {
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

// Folders on the way are shared for reading and writing but not for deletion, so that
// nobody can rename or replace them while we work below them.
HANDLE OpenFolderHandle(const QString &path, DWORD flags)
{
    return CreateFileW(Wide(path), FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

// Nobody else may write the file while we read and rewrite it. A virus scanner or sync
// client that holds it for a moment is waited for.
HANDLE OpenFileHandle(const QString &path)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const HANDLE file = CreateFileW(Wide(path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION
            || waited.elapsed() >= WaitPolicy::sharingMilliseconds)
            return file;
        QThread::msleep(WaitPolicy::pollMilliseconds);
    }
}
}

void ContainedFile::CloseAll()
{
    for (const qintptr handle : handles)
        CloseHandle(Handle(handle));
    handles.clear();
}

ContainedFile::Opened ContainedFile::OpenBase(const QString &base)
{
    path = QDir::toNativeSeparators(base);
    const HANDLE folder = OpenFolderHandle(path, 0);
    if (folder == INVALID_HANDLE_VALUE)
        return IsNotThere(GetLastError()) ? Opened::Missing : Failed(path);
    handles.push_back(reinterpret_cast<qintptr>(folder));
    expected = FinalPath(folder);
    return expected.isEmpty() ? Failed(path) : Opened::Open;
}

ContainedFile::Opened ContainedFile::OpenFolder(const QString &name)
{
    path += QLatin1Char('\\') + name;
    expected += QLatin1Char('\\') + name;
    const HANDLE folder = OpenFolderHandle(path, FILE_FLAG_OPEN_REPARSE_POINT);
    if (folder == INVALID_HANDLE_VALUE)
        return IsNotThere(GetLastError()) ? Opened::Missing : Failed(path);
    handles.push_back(reinterpret_cast<qintptr>(folder));
    return Checked(true);
}

ContainedFile::Opened ContainedFile::OpenFile(const QString &name)
{
    path += QLatin1Char('\\') + name;
    expected += QLatin1Char('\\') + name;
    const HANDLE file = OpenFileHandle(path);
    if (file == INVALID_HANDLE_VALUE)
        return IsNotThere(GetLastError()) ? Opened::Missing : Failed(path);
    handles.push_back(reinterpret_cast<qintptr>(file));
    return Checked(false);
}

// The handle last opened is no reparse point, of the kind asked for, the file's only
// name, and where the system says it is is where we meant.
ContainedFile::Opened ContainedFile::Checked(bool folder)
{
    const HANDLE handle = Handle(handles.back());
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return Failed(path);
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return Refused(QStringLiteral("a link, junction or mount point: ") + path);
    if (folder != bool(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
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
