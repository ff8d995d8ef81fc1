// A contained file on Unix opens each name relative to the folder before it.
#include "files/containedfile.h"

#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
int Fd(qintptr handle)
{
    return int(handle);
}

bool WriteAt(int fd, const QByteArray &bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const ssize_t written = pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}
}

void ContainedFile::CloseAll()
{
    for (const qintptr handle : handles)
        ::close(Fd(handle));
    handles.clear();
}

ContainedFile::Opened ContainedFile::OpenBase(const QString &base)
{
    const int fd = ::open(QFile::encodeName(base).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Opened::Missing : Failed(base);
    handles.push_back(fd);
    return Opened::Open;
}

// A link is not followed, and a folder of another file system (a mount point) is not
// entered.
ContainedFile::Opened ContainedFile::OpenFolder(const QString &name)
{
    const int fd = openat(Fd(handles.back()), QFile::encodeName(name).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        return Opened::Missing;
    if (fd < 0 && (errno == ELOOP || errno == ENOTDIR))
        return Refused(QStringLiteral("a link or no folder: ") + name);
    if (fd < 0)
        return Failed(name);
    handles.push_back(fd);
    struct stat base;
    struct stat folder;
    if (fstat(Fd(handles.front()), &base) != 0 || fstat(fd, &folder) != 0)
        return Failed(name);
    return folder.st_dev == base.st_dev ? Opened::Open : Refused(QStringLiteral("another file system: ") + name);
}

// The file is examined before it is opened, so that a FIFO or a device is never opened
// at all. The file then opened must be the one that was examined.
ContainedFile::Opened ContainedFile::OpenFile(const QString &name)
{
    const int folder = Fd(handles.back());
    const QByteArray local = QFile::encodeName(name);
    struct stat seen;
    if (fstatat(folder, local.constData(), &seen, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Opened::Missing : Failed(name);
    if (!S_ISREG(seen.st_mode))
        return Refused(QStringLiteral("a link or no regular file: ") + name);
    if (seen.st_nlink != 1)
        return Refused(QStringLiteral("a file with more than one name: ") + name);
    const int fd = openat(folder, local.constData(), O_RDWR | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP ? Refused(QStringLiteral("a link: ") + name) : Failed(name);
    handles.push_back(fd);
    struct stat opened;
    if (fstat(fd, &opened) != 0)
        return Failed(name);
    const bool same = opened.st_dev == seen.st_dev && opened.st_ino == seen.st_ino && opened.st_nlink == 1;
    return same ? Opened::Open : Refused(QStringLiteral("replaced while it was opened: ") + name);
}

bool ContainedFile::Read(QByteArray &bytes, qint64 limit, bool &tooLarge)
{
    const int fd = Fd(handles.back());
    struct stat status;
    tooLarge = false;
    if (fstat(fd, &status) != 0) {
        Failed(QStringLiteral("size"));
        return false;
    }
    tooLarge = status.st_size > limit;
    if (tooLarge)
        return false;
    bytes.resize(int(status.st_size));
    for (qint64 done = 0; done < bytes.size();) {
        const ssize_t read = pread(fd, bytes.data() + done, size_t(bytes.size() - done), off_t(done));
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0) {
            Failed(QStringLiteral("read"));
            return false;
        }
        done += read;
    }
    return true;
}

bool ContainedFile::WriteAll(const QByteArray &bytes)
{
    const int fd = Fd(handles.back());
    return WriteAt(fd, bytes) && ftruncate(fd, off_t(bytes.size())) == 0 && fsync(fd) == 0;
}

QStringList ContainedFile::Names()
{
    QStringList names;
    // The folder stream takes over the descriptor it is given, so it gets a copy and the
    // folder's own handle stays open.
    const int copy = fcntl(Fd(handles.back()), F_DUPFD_CLOEXEC, 0);
    DIR *const folder = copy < 0 ? nullptr : fdopendir(copy);
    if (!folder) {
        if (copy >= 0)
            ::close(copy);
        return names;
    }
    rewinddir(folder);
    while (const dirent *entry = readdir(folder)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            names.append(name);
    }
    closedir(folder);
    return names;
}
