#ifndef VIVADOPARAMSFOLDERDIALOG_H
#define VIVADOPARAMSFOLDERDIALOG_H

#include <QDialog>
#include <QString>

namespace Ui {
class VivadoParamsFolderDialog;
}

// Asks the user for the Vivado commands folder when the configuration folder
// was not found, or lets the user abort the installation.
class VivadoParamsFolderDialog : public QDialog
{
    Q_OBJECT

public:
    VivadoParamsFolderDialog(const QString &vivadoCfgFolder, const QString &targetFolder,
                             QWidget *parent = nullptr);
    ~VivadoParamsFolderDialog() override;

    QString GetVivadoCfgFolder() const;
    // The folder last picked with "...", empty when none was or the chooser was cancelled.
    QString GetSelectedFolder() const;
    bool IsAborted() const;

private slots:
    void on_selectFile_pushButton_clicked();
    void on_setFile_pushButton_clicked();
    void on_abort_pushButton_clicked();

private:
    Ui::VivadoParamsFolderDialog *ui;
    QString vivadoCfgFolder;
    QString selectedFolder;
    bool aborted;
};

#endif // VIVADOPARAMSFOLDERDIALOG_H
