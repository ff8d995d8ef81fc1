#ifndef STARTUP_H
#define STARTUP_H

#include "app/mainwindow.h"
#include "locations/useraccounts.h"

#include <QtGlobal>

// What each program does before its QApplication, shared by the three programs and the
// tests' box answerer, which is the same start-up plus something that closes the boxes.
namespace Startup {

// The task of the program being built: each is one main compiled with REMOVAL, REFRESH
// or neither.
inline MainWindow::Task Task()
{
#if defined(REMOVAL)
    return MainWindow::Task::Remove;
#elif defined(REFRESH)
    return MainWindow::Task::Refresh;
#else
    return MainWindow::Task::Register;
#endif
}

inline void PrepareProcess()
{
    // Fixed hashing keeps the attribute order of written XML the same every run.
    qSetGlobalQHashSeed(0);
    // A run over SSH or from a package manager has no display, and must still go ahead
    // and end with its code.
    if (UserAccounts::NeedsWindowlessPlatform())
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace Startup

#endif // STARTUP_H
