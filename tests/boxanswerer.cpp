// The product's start-up, plus a hand that reports and closes each result box and
// then reports what exec() returned and whether the window was ever shown, so that a
// test can see a run with real command-line arguments. With BOXANSWERER_UNSEEN set it
// runs in a window station that nobody sees, as a service's process does.
#include "app/centring.h"
#include "app/mainwindow.h"
#include "app/startup.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

int main(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    if (qEnvironmentVariableIsSet("BOXANSWERER_UNSEEN"))
        SetProcessWindowStation(CreateWindowStationW(L"Unseen", 0, WINSTA_ALL_ACCESS, nullptr));
#endif
    Startup::PrepareProcess();
    QApplication application(argc, argv);
    MainWindow window(Startup::Task());
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
