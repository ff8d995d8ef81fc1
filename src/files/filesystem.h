#ifndef FILESYSTEM_H
#define FILESYSTEM_H

#include <QString>
#include <QtGlobal>

class QDeadlineTimer;
class QFile;

// What Windows and Unix do differently for the file layer, and nothing else: one
// implementation per system, each in its own file.
namespace FileSystem {

using LockHandle = qintptr;
constexpr LockHandle noLock = -1;
// The lock's name is held by someone who may not edit the file, or (Unix) the account has
// no runtime folder of its own: the run goes on without the lock rather than be blocked
// by a stranger.
constexpr LockHandle unguarded = -2;

// The lock that every run editing the file takes, whatever path reaches the file and
// whoever runs: waits for a live holder until the deadline, and a dead holder's lock is
// gone with its process. noLock when it could not be had. Only those who may edit the
// file can hold it.
LockHandle Lock(const QString &path, const QDeadlineTimer &deadline);
void Unlock(LockHandle lock);
// The name of the file's lock, the same for every path that reaches the file: on Windows
// in the global namespace, on Unix a file of the running account's runtime folder (empty
// when there is none).
QString LockName(const QString &path);

// Whether the running user may write the path, as the system will judge the write.
bool MayWrite(const QString &path);

// Whether the system says that nothing is there: not merely that we may not look.
bool IsMissing(const QString &path);

// Gives the new file the owner, group and mode of the one it is to replace. False when
// the system doesn't let us: then a new file would take the old one from its owner.
bool KeepOwnerAndMode(QFile &newFile, const QString &target);

// Gives a new file to the account that runs us, not to its token's default owner.
bool GiveToProcessUser(QFile &newFile);

// Puts the file's content on the disk before we rely on it.
bool Sync(QFile &file);

// Moves the new file over the target, or into its place when there is none; the target
// keeps its attributes and security on Windows. A target held open by another program
// is waited for, as WaitPolicy says.
bool MoveOver(const QString &source, const QString &target, bool replacing);

// Whether the path ("E:/x/y") lies on a fixed local disk, asking no medium and no
// server. Always true where there are no drive letters.
bool IsOnFixedDrive(const QString &path);

} // namespace FileSystem

#endif // FILESYSTEM_H
