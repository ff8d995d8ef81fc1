// The start-up floor: a QApplication that quits as soon as its event loop runs.
#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QTimer::singleShot(0, &application, &QCoreApplication::quit);
    return application.exec();
}
