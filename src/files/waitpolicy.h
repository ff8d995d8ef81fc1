#ifndef WAITPOLICY_H
#define WAITPOLICY_H

// Every wait of a file edit, and why it is as long as it is. Nothing else in the file
// layer waits or retries.
namespace WaitPolicy {

// Another run of the tool is editing the file: a 100,000-command file takes it about
// 3 s, and twenty runs at a logon queue behind each other; a logon must not hang longer.
// Then the run fails with the file's open-failure code, the file as the holder left it.
constexpr int lockMilliseconds = 30000;

// Windows: a virus scanner or sync client holds the file open without delete sharing
// for a moment; installers wait as long. A program holding it longer won't let go.
constexpr int sharingMilliseconds = 2000;

// Between two looks at a lock or a shared file.
constexpr int pollMilliseconds = 20;

// Another program (Vivado saving its commands) changed the file between our read and
// our replacement: the edit is made anew on its content, this many times at most.
constexpr int editAttempts = 5;

} // namespace WaitPolicy

#endif // WAITPOLICY_H
