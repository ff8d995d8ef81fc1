#include "files/filesnapshot.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

FileSnapshot FileSnapshot::Absent()
{
    FileSnapshot snapshot;
    snapshot.kind = Kind::Absent;
    return snapshot;
}

bool FileSnapshot::Take(const QString &path, qint64 limit)
{
    *this = FileSnapshot();
    const QFileInfo info(path);
    // Opening a FIFO would wait for a writer forever, and a device is nobody's file.
    if (!info.isFile()) {
        error = QStringLiteral("no regular file");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    // The open file's size is checked before anything is read, so that a file above the
    // limit is never read into memory.
    tooLarge = file.size() > limit;
    if (!tooLarge) {
        modified = info.lastModified();
        bytes = file.readAll();
        tooLarge = bytes.size() > limit;
    }
    if (tooLarge) {
        error = QStringLiteral("larger than %1 bytes").arg(limit);
        bytes.clear();
        return false;
    }
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    kind = Kind::Present;
    return true;
}

bool FileSnapshot::Matches(const QString &path) const
{
    const QFileInfo info(path);
    switch (kind) {
    case Kind::Unknown:
        return true;
    case Kind::Absent:
        return !info.exists() && !info.isSymLink();
    case Kind::Present:
        break;
    }
    if (!info.isFile() || info.size() != bytes.size() || info.lastModified() != modified)
        return false;
    // The file is compared a piece at a time, because a second copy of a large file in
    // memory costs more than the reading.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray piece(1 << 16, Qt::Uninitialized);
    for (qint64 at = 0; at < bytes.size();) {
        const qint64 read = file.read(piece.data(), piece.size());
        if (read <= 0 || read > bytes.size() - at || std::memcmp(piece.constData(), bytes.constData() + at, size_t(read)) != 0)
            return false;
        at += read;
    }
    return file.atEnd();
}
