// The product's start-up, plus a hand that reports and closes each result box and
// then reports what exec() returned and whether the window was ever shown, so that a
// test can see a run with real command-line arguments.
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
#if defined(REMOVAL)
    MainWindow window(MainWindow::Task::Remove);
#elif defined(REFRESH)
    MainWindow window(MainWindow::Task::Refresh);
#else
    MainWindow window;
#endif
    CentreOnWorkArea(window);

    QTextStream out(stdout);
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&out] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            const bool plain = box->icon() == QMessageBox::Information && box->standardButtons() == QMessageBox::Ok;
            out << (plain ? "box " : "odd box ") << box->windowTitle() << ": " << box->text().replace('\n', '|') << '\n';
            box->button(QMessageBox::Ok)->click();
        }
    });
    answerer.start(10);
    const int res = application.exec();
    // Set once show() or hide() was called, even if the window was hidden at once.
    out << "exec " << res << (window.testAttribute(Qt::WA_WState_ExplicitShowHide) ? ", shown" : "") << '\n';
    return res;
}
