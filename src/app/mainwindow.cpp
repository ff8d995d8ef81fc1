#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "integration/vivadointegration.h"
#include "locations/useraccounts.h"
#include "messages/returnmessages.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

namespace {
// A box that nobody answers holds up whoever waits for the run, above all an uninstall
// that runs as the system. A system account is known by its kind or, where that can't be told,
// by its roaming folder in the Windows folder, as the discovery knows it.
bool SomeoneCanAnswer()
{
    if (UserAccounts::IsSystemAccount() || !UserAccounts::HasInteractiveDesktop())
        return false;
    const QStringList locations = QStandardPaths::standardLocations(QStandardPaths::AppDataLocation);
    return !UserAccounts::IsSystemProfile(VivadoIntegration::GetRoamingFolder(locations), UserAccounts::WindowsFolder());
}
}

MainWindow::MainWindow(QWidget *parent)
    : MainWindow(Task::Register, parent)
{
}

MainWindow::MainWindow(Task task, QWidget *parent)
    : QMainWindow(parent)
    , ui(task == Task::Refresh ? nullptr : new Ui::MainWindow)
    , feedback(true)
    , task(task)
{
    // The logon run leaves out the bars that nobody sees, because their icons cost a good
    // part of its start-up time.
    if (ui)
        ui->setupUi(this);
    // Queued, so the run starts only once main has centred us and entered the loop.
    QTimer::singleShot(0, this, SLOT(Exec()));
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::Exec()
{
    CheckArguments();
    const QString appFolder = QCoreApplication::applicationDirPath();
    const ResultCode result = Run(appFolder);
    if (feedback)
        ShowResult(result);
    QCoreApplication::exit(static_cast<int>(result));
}

ResultCode MainWindow::Run(const QString &appFolder) const
{
    switch (task) {
    case Task::Remove: {
        // A second argument "allusers" asks for an uninstall for the whole machine, run
        // elevated or as the system.
        const QStringList arguments = QCoreApplication::arguments();
        const bool allUsers = arguments.size() > 2 && arguments.at(2) == QLatin1String("allusers");
        return allUsers ? VivadoIntegration().RemoveForAllUsers(appFolder) : VivadoIntegration().Remove(appFolder);
    }
    case Task::Refresh:
        return VivadoIntegration().Refresh(appFolder);
    case Task::Register:
        break;
    }
    return VivadoIntegration().Integrate(appFolder);
}

void MainWindow::CheckArguments()
{
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1 && arguments.at(1) == QLatin1String("nofeedback"))
        feedback = false;
}

// Where nobody could answer a box, the result goes to standard error: a person who ran
// the tool over SSH reads it there, and a system run's log keeps it.
void MainWindow::ShowResult(ResultCode result)
{
    const QString what = task == Task::Remove    ? QStringLiteral("Removal from Vivado")
                       : task == Task::Refresh ? QStringLiteral("Refresh of the Vivado registration")
                                               : QStringLiteral("Integration with Vivado");
    const QString title = result == RESULT_OK ? QStringLiteral("Success") : QStringLiteral("Failed");
    QString text = what + (result == RESULT_OK ? QStringLiteral(" succeeded.") : QStringLiteral(" failed.\n\n"));
    if (result != RESULT_OK)
        text += QStringLiteral("ERROR : %1").arg(ReturnMessages::Instance().GetFullMessage(result), 0, QLatin1Char(' '));
    if (!SomeoneCanAnswer()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        return;
    }
    QMessageBox::information(this, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}
