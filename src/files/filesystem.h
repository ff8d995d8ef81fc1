#ifndef FILESYSTEM_H
#define FILESYSTEM_H

#include <QString>
#include <Qt>
#include <QtGlobal>

class QDeadlineTimer;
class QFile;

// Everything the file layer does differently on Windows and Unix, and nothing else. Each
// system has its own implementation in its own file.
namespace FileSystem {

using LockHandle = qintptr;
constexpr LockHandle noLock = -1;
// The lock's name is held by someone who may not edit the file or, on Unix, the account
// has no runtime folder of its own. The run then goes on without the lock rather than be
// blocked by a stranger.
constexpr LockHandle unguarded = -2;

// Takes the lock that every run editing the file takes, whatever path reaches the file
// and whoever runs. It waits for a live holder until the deadline; a dead holder's lock
// went away with its process. Returns noLock when the lock could not be had. Only those
// who may edit the file can hold it.
LockHandle Lock(const QString &path, const QDeadlineTimer &deadline);
void Unlock(LockHandle lock);
// The name of the file's lock, which is the same for every path that reaches the file.
// On Windows it lies in the global namespace; on Unix it is a file in the running
// account's runtime folder, or empty when there is none.
QString LockName(const QString &path);

// Whether the running user may write the path, as the system will judge the write.
bool MayWrite(const QString &path);

// Whether the system says that nothing is there, rather than merely not letting us look.
bool IsMissing(const QString &path);

// Gives the new file the owner, group and mode of the one it is to replace. Returns false
// when the system doesn't let us, as a new file would then take the old one from its
// owner.
bool KeepOwnerAndMode(QFile &newFile, const QString &target);

// Gives a new file to the account that runs us, not to its token's default owner.
bool GiveToProcessUser(QFile &newFile);

// Puts the file's content on the disk before we rely on it.
bool Sync(QFile &file);

// Moves the new file over the target, or into its place when there is none; the target
// keeps its attributes and security on Windows. A target held open by another program
// is waited for, as WaitPolicy says.
bool MoveOver(const QString &source, const QString &target, bool replacing);

// How the system names files: whether letter case tells names apart, whether a local
// path begins with a drive's letter, and how its own text files end their lines.
Qt::CaseSensitivity PathCase();
bool HasDriveLetters();
QString NativeLineEnd();

// Whether the path ("E:/x/y") lies on a fixed local disk, asking no medium and no
// server. Always true where there are no drive letters.
bool IsOnFixedDrive(const QString &path);

} // namespace FileSystem

#endif // FILESYSTEM_H
