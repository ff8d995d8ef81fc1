#include "app/centring.h"
#include "app/mainwindow.h"
#include "testsupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace TestSupport;

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void centring_data()
    {
        QTest::addColumn<QRect>("workArea");
        QTest::addColumn<QPoint>("topLeft");

        QTest::newRow("full HD work area") << QRect(QPoint(0, 0), QPoint(1919, 1039)) << QPoint(760, 370);
        QTest::newRow("odd sums truncate") << QRect(QPoint(0, 0), QPoint(1365, 727)) << QPoint(483, 214);
        QTest::newRow("sums beyond 32 bits") << QRect(QPoint(2147482000, 0), QPoint(2147483000, 299)) << QPoint(2147482301, 0);
    }

    void centring()
    {
        QFETCH(QRect, workArea);
        QFETCH(QPoint, topLeft);
        const QRect centred = CentredGeometry(QRect(0, 0, 400, 300), workArea);
        QCOMPARE(centred, QRect(topLeft, QSize(400, 300)));
    }

    void run_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<quint32>("result");
        QTest::addColumn<QString>("box");

        const QString failed = "Failed: Integration with Vivado failed.\n\nERROR : ";
        QTest::newRow("success") << "2019.1" << "" << RESULT_OK << "Success: Integration with Vivado succeeded.";
        QTest::newRow("no roaming folder") << "2019.1" << "no roaming" << ERR_ROAMING_FOLDER_NOT_FOUND
                                           << failed + "Roaming folder not found.\nMessage id : 0x80000201";
        QTest::newRow("no commands folder") << "2017.4" << "no commands" << ERR_INI_CREATE_FAILED
                                            << failed + "Failed to create Vivado .ini configuration file.\nMessage id : 0x80000301";
        QTest::newRow("empty commands.xml") << "2019.1" << "empty xml" << ERR_XML_READ_FAILED
                                            << failed + "Failed to read Vivado .xml configuration file.\nMessage id : 0x80000402";
    }

    void run()
    {
        REQUIRE_XDG_PROFILE();
        QFETCH(QString, version);
        QFETCH(QString, fault);
        QFETCH(quint32, result);
        QFETCH(QString, box);

        QTemporaryDir dir;
        const QString commands = CommandsFolder(MakeProfile(dir.path(), {version}), version);
        if (fault == "no roaming")
            qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
        if (fault == "no commands")
            QDir(commands).removeRecursively();
        if (fault == "empty xml")
            WriteBytes(commands + "/commands.xml", "");

        MainWindow window;
        CentreOnWorkArea(window);
        QCOMPARE(QDir(commands).entryList(QDir::Files).size(), int(fault == "empty xml")); // nothing ran yet

        QStringList boxes;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, [&] {
            if (auto *shown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                QVERIFY(!window.isVisible() && shown->icon() == QMessageBox::Information);
                QCOMPARE(shown->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
                boxes << shown->windowTitle() + ": " + shown->text();
                shown->button(QMessageBox::Ok)->click();
            }
        });
        answerer.start(10);

        QCOMPARE(QApplication::exec(), static_cast<int>(result)); // all 32 bits
        QCOMPARE(boxes, QStringList{box});
        QVERIFY(!window.testAttribute(Qt::WA_WState_ExplicitShowHide)); // never shown, not even for a moment
        // One run: a second would have added a second command.
        if (result == RESULT_OK)
            QCOMPARE(ReadBytes(commands + "/commands.xml").count("<custom_command>"), 1);
    }
};

VIVADO_TEST_MAIN(TestMainWindow)

#include "tst_mainwindow.moc"
