#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "messages/resultcodes.h"

#include <QMainWindow>

namespace Ui {
class MainWindow;
}

// The main window is never shown. It runs the integration once the event loop starts,
// and it is the parent of the result box.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // What the run does: register the command; for the removal companion, remove it; for
    // the logon companion, put each version's registration in order.
    enum class Task { Register, Remove, Refresh };

    explicit MainWindow(QWidget *parent = nullptr);
    explicit MainWindow(Task task, QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void Exec();

private:
    void CheckArguments();
    void ShowResult(ResultCode result);
    ResultCode Run(const QString &appFolder) const;

    Ui::MainWindow *ui;
    bool feedback;
    const Task task;
};

#endif // MAINWINDOW_H
