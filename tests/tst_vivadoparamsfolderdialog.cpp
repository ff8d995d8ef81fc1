#include "locations/vivadoparamsfolderdialog.h"
#include "testsupport.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QtTest>

class TestVivadoParamsFolderDialog : public QObject
{
    Q_OBJECT

private slots:
    void formAndTexts_data()
    {
        QTest::addColumn<QString>("cfgFolder");
        QTest::addColumn<QString>("targetFolder");
        QTest::newRow("folders") << "C:/Users/ann/AppData/Roaming/Xilinx" << "C:/Program Files/Tool";
        QTest::newRow("empty folders") << "" << "";
    }

    void formAndTexts()
    {
        QFETCH(QString, cfgFolder);
        QFETCH(QString, targetFolder);

        // No theme holds "dialog-question": the icon label is left blank.
        QIcon::setThemeSearchPaths({});
        VivadoParamsFolderDialog dialog(cfgFolder, targetFolder);
        QVERIFY(dialog.findChild<QLabel *>("icon_label")->property("pixmap").value<QPixmap>().isNull());
        QCOMPARE(dialog.objectName() + " " + dialog.windowTitle(), QString("VivadoParamsFolderDialog Dialog"));
        QCOMPARE(dialog.size(), QSize(242, 107));
        const QStringList widgets{"QLabel icon_label ", "QLineEdit vivadoCfgFolder_lineEdit ", "QPushButton selectFile_pushButton ...",
                                  "QPushButton setFile_pushButton Set File", "QPushButton abort_pushButton Abort"};
        for (const QString &expected : widgets) {
            const QWidget *widget = dialog.findChild<QWidget *>(expected.section(' ', 1, 1));
            QVERIFY2(widget, qPrintable(expected));
            QCOMPARE(QString(widget->metaObject()->className()) + " " + widget->objectName() + " " + widget->property("text").toString(),
                     expected);
        }
        QCOMPARE(dialog.findChild<QLabel *>("text_label")->text(),
                 "Folder '" + cfgFolder + "' containing Vivado configuration files could not be found.\n"
                 "The folder containing files that need to be adapted is '" + targetFolder + "'.\n\n"
                 "Please select the commands folder below, or click on 'abort' to abort the installation.\n");
        QCOMPARE(dialog.findChild<QPushButton *>("selectFile_pushButton")->toolTip(), "Select file '" + targetFolder + "'.");
        QCOMPARE(dialog.GetVivadoCfgFolder(), cfgFolder);
    }

    // Each action on a shown dialog; the folder chooser is answered by a timer.
    void actions_data()
    {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<bool>("aborted");
        QTest::addColumn<bool>("folderSelected");

        QTest::newRow("Set File") << QStringList{"setFile"} << false << false;
        QTest::newRow("Abort") << QStringList{"abort"} << true << false;
        QTest::newRow("window closed") << QStringList{"window"} << false << false;
        QTest::newRow("Abort, then Escape keeps it") << QStringList{"abort", "escape"} << true << false;
        QTest::newRow("Abort, then Set File clears it") << QStringList{"abort", "setFile"} << false << false;
        QTest::newRow("folder chosen") << QStringList{"choose"} << false << true;
        QTest::newRow("chosen, then cancelled") << QStringList{"choose", "cancel"} << false << false;
    }

    void actions()
    {
        QFETCH(QStringList, actions);
        QFETCH(bool, aborted);
        QFETCH(bool, folderSelected);

        QTemporaryDir chosen;
        VivadoParamsFolderDialog dialog("C:/cfg", "C:/target");
        QString action;
        QStringList seen;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, [&] {
            if (auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                const bool onDialog = chooser->parentWidget() == &dialog;
                seen << chooser->windowTitle() + (chooser->testOption(QFileDialog::ShowDirsOnly) && onDialog ? ", folders, on the dialog" : "");
                chooser->setDirectory(chosen.path());
                if (action == "choose")
                    static_cast<QDialog *>(chooser)->accept(); // QFileDialog's own is protected
                else
                    chooser->reject();
            }
        });
        answerer.start(10);
        for (const QString &next : actions) {
            action = next;
            const QString button = action == "choose" || action == "cancel" ? "selectFile" : action;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            if (action == "escape")
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else if (action == "window")
                dialog.windowHandle()->close();
            else
                dialog.findChild<QPushButton *>(button + "_pushButton")->click();
            QCOMPARE(dialog.isVisible(), button == "selectFile");
            QCOMPARE(seen, button == "selectFile" ? QStringList{"Select Vivado 'commands' Folder, folders, on the dialog"} : QStringList());
            seen.clear();
        }
        QCOMPARE(dialog.IsAborted(), aborted);
        QCOMPARE(dialog.GetSelectedFolder(), folderSelected ? chosen.path() : QString());
        QCOMPARE(dialog.findChild<QLineEdit *>("vivadoCfgFolder_lineEdit")->text(), QString());
    }
};

VIVADO_TEST_MAIN(TestVivadoParamsFolderDialog)

#include "tst_vivadoparamsfolderdialog.moc"
