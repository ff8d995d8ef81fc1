#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "messages/resultcodes.h"

#include <QMainWindow>

namespace Ui {
class MainWindow;
}

// Never shown: it runs the integration once the event loop starts and
// parents the result box.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // What the run does: register the command, or, for the removal companion, remove it.
    enum class Task { Register, Remove };

    explicit MainWindow(QWidget *parent = nullptr);
    explicit MainWindow(Task task, QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void Exec();

private:
    void CheckArguments();
    void ShowResult(ResultCode result);

    Ui::MainWindow *ui;
    bool feedback;
    const Task task;
};

#endif // MAINWINDOW_H
