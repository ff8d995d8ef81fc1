#ifndef FILESYSTEM_H
#define FILESYSTEM_H

#include <QString>
#include <Qt>
#include <QtGlobal>

class QFile;

// Everything the file layer does differently on Windows and Unix, and nothing else. Each
// system has its own implementation in its own file.
namespace FileSystem {

// What one try at something that another holder may keep from us gave: done, still held
// by someone else (worth another try after a pause), or failed for good.
enum class Attempt { Done, Busy, Failed };

using LockHandle = qintptr;
constexpr LockHandle noLock = -1;
// The lock's name is held by someone who may not edit the file or, on Unix, the account
// has no runtime folder of its own. The run then goes on without the lock rather than be
// blocked by a stranger.
constexpr LockHandle unguarded = -2;

// Opens, without taking it, the lock that every run editing the file takes, whatever path
// reaches the file and whoever runs. Returns noLock when the lock could not be made, and
// unguarded as said above. Only those who may edit the file can open it.
LockHandle OpenLock(const QString &path);
// Tries once to take the opened lock, without waiting: Busy while a live run holds it (a
// dead holder's lock went away with its process), Failed when the system refuses. Every
// try of a run uses the lock it opened once, which stays open while the run waits.
Attempt TryLock(LockHandle lock);
// Closes a lock that was opened but not taken.
void CloseLock(LockHandle lock);
// Lets go of a taken lock and closes it; noLock and unguarded are left alone.
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

// Tries once to move the new file over the target, or into its place when there is none;
// the target keeps its attributes and security on Windows. Busy while another program
// holds the target open so that it can't be replaced, which only Windows does.
Attempt TryMoveOver(const QString &source, const QString &target, bool replacing);

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
