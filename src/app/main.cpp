#include "app/centring.h"
#include "app/mainwindow.h"

#include <QApplication>
#include <QDebug>

int main(int argc, char *argv[])
{
    // Fixed hashing keeps the attribute order of written XML the same every run.
    qSetGlobalQHashSeed(0);

    QApplication application(argc, argv);
#ifdef REMOVAL
    MainWindow window(MainWindow::Task::Remove);
#else
    MainWindow window;
#endif
    CentreOnWorkArea(window);
    const int res = application.exec();
    qDebug() << "res =" << res;
    return res;
}
