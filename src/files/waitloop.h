#ifndef WAITLOOP_H
#define WAITLOOP_H

#include "files/filesystem.h"
#include "files/waitpolicy.h"

#include <QDeadlineTimer>
#include <QThread>

// The one loop of the file layer that waits. The platform's FileSystem only tries once, as
// taking a lock or replacing a file that another program may hold; this loop tries again,
// with a pause of WaitPolicy::pollMilliseconds between two tries, for as long as the
// caller's deadline, which WaitPolicy sets, allows.
namespace WaitLoop {

// Tries the step until it is no longer Busy or the deadline has expired, and returns its
// last attempt, which is Busy only when the deadline expired first. The step is tried at
// least once, even past the deadline, so that a free lock or file is never missed. Nothing
// runs after the last try, so the system's error is still the one that try left.
template <typename Step>
FileSystem::Attempt TryUntil(const QDeadlineTimer &deadline, const Step &tryOnce)
{
    for (;;) {
        const FileSystem::Attempt attempt = tryOnce();
        if (attempt != FileSystem::Attempt::Busy || deadline.hasExpired())
            return attempt;
        QThread::msleep(WaitPolicy::pollMilliseconds);
    }
}

} // namespace WaitLoop

#endif // WAITLOOP_H
