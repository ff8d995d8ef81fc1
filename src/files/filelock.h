#ifndef FILELOCK_H
#define FILELOCK_H

#include <QLockFile>
#include <QString>

// Lets one run at a time edit a file, so that runs started together don't each redo
// their edit after another's. A lock that can't be had in time is gone without: the
// check before each replacement still keeps every change.
class FileLock
{
public:
    explicit FileLock(const QString &path);

private:
    QLockFile lock;
};

#endif // FILELOCK_H
