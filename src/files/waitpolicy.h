#ifndef WAITPOLICY_H
#define WAITPOLICY_H

// Every wait of a file edit is here, with the reason for its length, and the one loop
// that waits them out is WaitLoop's. Nothing else in the file layer waits or retries.
namespace WaitPolicy {

// How long to wait while another run of the tool edits the file. A 100,000-command file
// takes a run about 3 s, and twenty runs at a logon may queue behind each other, but a
// logon must not hang longer than this. After that the run fails with the file's
// open-failure code and leaves the file as the other run left it.
constexpr int lockMilliseconds = 30000;

// On Windows, a virus scanner or sync client may hold the file open without delete
// sharing for a moment, and installers wait just as long. A program that holds it longer
// is not going to let go.
constexpr int sharingMilliseconds = 2000;

// The pause between two checks of a lock or of a file that another program holds open.
constexpr int pollMilliseconds = 20;

// When another program (Vivado saving its commands) changes the file between our read
// and our replacement, the edit is made again on the new content, at most this many
// times.
constexpr int editAttempts = 5;

} // namespace WaitPolicy

#endif // WAITPOLICY_H
