// The product's start-up, plus a hand that reports and closes the result box,
// so a test can see the box of a run with real command-line arguments.
#include "app/centring.h"
#include "app/mainwindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[])
{
    qSetGlobalQHashSeed(0);
    QApplication application(argc, argv);
    MainWindow window;
    CentreOnWorkArea(window);

    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            QTextStream(stdout) << "box: " << box->windowTitle() << '\n';
            box->button(QMessageBox::Ok)->click();
        }
    });
    answerer.start(10);
    return application.exec();
}
