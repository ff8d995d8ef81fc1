#include "app/centring.h"
#include "app/mainwindow.h"
#include "app/startup.h"

#include <QApplication>
#include <QDebug>

int main(int argc, char *argv[])
{
    Startup::PrepareProcess();
    QApplication application(argc, argv);
    MainWindow window(Startup::Task());
    CentreOnWorkArea(window);
    const int res = application.exec();
    qDebug() << "res =" << res;
    return res;
}
