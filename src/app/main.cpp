#include "app/centring.h"
#include "app/mainwindow.h"
#include "locations/useraccounts.h"

#include <QApplication>
#include <QDebug>

int main(int argc, char *argv[])
{
    // Fixed hashing keeps the attribute order of written XML the same every run.
    qSetGlobalQHashSeed(0);
    // Run over SSH or by a package manager, with no display, the run still goes and ends
    // with its code.
    if (UserAccounts::NeedsWindowlessPlatform())
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication application(argc, argv);
#if defined(REMOVAL)
    MainWindow window(MainWindow::Task::Remove);
#elif defined(REFRESH)
    MainWindow window(MainWindow::Task::Refresh);
#else
    MainWindow window;
#endif
    CentreOnWorkArea(window);
    const int res = application.exec();
    qDebug() << "res =" << res;
    return res;
}
