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

// What the user does on the shown dialog; Choose and Cancel answer the folder chooser
// that Select File opens.
enum class Action { SetFile, Abort, CloseWindow, Escape, Choose, Cancel };
Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(QVector<Action>)

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
        QTest::addColumn<QVector<Action>>("actions");
        QTest::addColumn<bool>("aborted");
        QTest::addColumn<bool>("folderSelected");

        using Actions = QVector<Action>;
        QTest::newRow("Set File") << Actions{Action::SetFile} << false << false;
        QTest::newRow("Abort") << Actions{Action::Abort} << true << false;
        QTest::newRow("window closed") << Actions{Action::CloseWindow} << false << false;
        QTest::newRow("Abort, then Escape keeps it") << Actions{Action::Abort, Action::Escape} << true << false;
        QTest::newRow("Abort, then Set File clears it") << Actions{Action::Abort, Action::SetFile} << false << false;
        QTest::newRow("folder chosen") << Actions{Action::Choose} << false << true;
        QTest::newRow("chosen, then cancelled") << Actions{Action::Choose, Action::Cancel} << false << false;
    }

    void actions()
    {
        QFETCH(QVector<Action>, actions);
        QFETCH(bool, aborted);
        QFETCH(bool, folderSelected);

        QTemporaryDir chosen;
        VivadoParamsFolderDialog dialog("C:/cfg", "C:/target");
        Action action = Action::SetFile;
        QStringList seen;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, [&] {
            if (auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                const bool onDialog = chooser->parentWidget() == &dialog;
                seen << chooser->windowTitle() + (chooser->testOption(QFileDialog::ShowDirsOnly) && onDialog ? ", folders, on the dialog" : "");
                chooser->setDirectory(chosen.path());
                if (action == Action::Choose)
                    static_cast<QDialog *>(chooser)->accept(); // QFileDialog's own is protected
                else
                    chooser->reject();
            }
        });
        answerer.start(10);
        const QMap<Action, QString> buttons{{Action::SetFile, "setFile"}, {Action::Abort, "abort"}, {Action::Choose, "selectFile"},
                                            {Action::Cancel, "selectFile"}};
        for (const Action next : actions) {
            action = next;
            const bool choosing = action == Action::Choose || action == Action::Cancel;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            if (action == Action::Escape)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else if (action == Action::CloseWindow)
                dialog.windowHandle()->close();
            else
                dialog.findChild<QPushButton *>(buttons.value(action) + "_pushButton")->click();
            QCOMPARE(dialog.isVisible(), choosing);
            QCOMPARE(seen, choosing ? QStringList{"Select Vivado 'commands' Folder, folders, on the dialog"} : QStringList());
            seen.clear();
        }
        QCOMPARE(dialog.IsAborted(), aborted);
        QCOMPARE(dialog.GetSelectedFolder(), folderSelected ? chosen.path() : QString());
        QCOMPARE(dialog.findChild<QLineEdit *>("vivadoCfgFolder_lineEdit")->text(), QString());
    }
};

VIVADO_TEST_MAIN(TestVivadoParamsFolderDialog)

#include "tst_vivadoparamsfolderdialog.moc"
