#ifndef FILESNAPSHOT_H
#define FILESNAPSHOT_H

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <limits>

// What a file held when it was read, so that its replacement can tell whether another
// process changed it in between.
class FileSnapshot
{
public:
    // A snapshot that knows nothing, so that a replacement checks nothing.
    FileSnapshot() = default;
    // For a file about to be created: a replacement then requires that no file appeared
    // meanwhile.
    static FileSnapshot Absent();

    // Reads the whole file, following links. Returns false when it is no regular file,
    // can't be read or holds more than `limit` bytes; the snapshot then knows nothing.
    bool Take(const QString &path, qint64 limit = std::numeric_limits<qint64>::max());
    bool TooLarge() const { return tooLarge; }
    // Why Take failed.
    const QString &ErrorString() const { return error; }
    // True when the file at the path still is what was read.
    bool Matches(const QString &path) const;

    const QByteArray &Bytes() const { return bytes; }

private:
    enum class Kind { Unknown, Absent, Present };

    Kind kind = Kind::Unknown;
    QByteArray bytes;
    QDateTime modified;
    bool tooLarge = false;
    QString error;
};

#endif // FILESNAPSHOT_H
