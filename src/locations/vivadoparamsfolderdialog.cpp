#include "locations/vivadoparamsfolderdialog.h"
#include "ui_vivadoparamsfolderdialog.h"

#include <QFileDialog>
#include <QIcon>

VivadoParamsFolderDialog::VivadoParamsFolderDialog(const QString &vivadoCfgFolder,
                                                   const QString &targetFolder, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::VivadoParamsFolderDialog)
    , vivadoCfgFolder(vivadoCfgFolder)
    , aborted(false)
{
    ui->setupUi(this);

    // A theme without the icon gives a null pixmap, which still clears the form's "Icon".
    const QIcon icon = QIcon::fromTheme(QStringLiteral("dialog-question"));
    ui->icon_label->setGeometry(0, 0, 32, 32);
    ui->icon_label->setPixmap(icon.pixmap(QSize(32, 32), QIcon::Normal, QIcon::Off));

    QString message = QStringLiteral("Folder '%1' containing Vivado configuration files could not be found.\n")
                          .arg(vivadoCfgFolder);
    message += QStringLiteral("The folder containing files that need to be adapted is '%1'.\n\n").arg(targetFolder);
    message += QStringLiteral("Please select the commands folder below, or click on 'abort' to abort the installation.\n");
    ui->text_label->setText(message);
    ui->selectFile_pushButton->setToolTip(QStringLiteral("Select file '%1'.").arg(targetFolder));
}

VivadoParamsFolderDialog::~VivadoParamsFolderDialog()
{
    delete ui;
}

QString VivadoParamsFolderDialog::GetVivadoCfgFolder() const
{
    return vivadoCfgFolder;
}

QString VivadoParamsFolderDialog::GetSelectedFolder() const
{
    return selectedFolder;
}

bool VivadoParamsFolderDialog::IsAborted() const
{
    return aborted;
}

void VivadoParamsFolderDialog::on_selectFile_pushButton_clicked()
{
    selectedFolder = QFileDialog::getExistingDirectory(this, QStringLiteral("Select Vivado 'commands' Folder"),
                                                       QString(), QFileDialog::ShowDirsOnly);
}

// Both buttons close the dialog rather than accept or reject it; IsAborted tells them
// apart.
void VivadoParamsFolderDialog::on_setFile_pushButton_clicked()
{
    aborted = false;
    close();
}

void VivadoParamsFolderDialog::on_abort_pushButton_clicked()
{
    aborted = true;
    close();
}
