#include "app/centring.h"
#include "app/mainwindow.h"
#include "testsupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
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

    void startUp()
    {
        REQUIRE_XDG_PROFILE();
        QTemporaryDir dir;
        const QString commands = CommandsFolder(MakeProfile(dir.path(), {"2019.1"}), "2019.1");
        MainWindow window;
        QStringList form;
        for (const QObject *child : window.children())
            form << QString(child->metaObject()->className()) + " " + child->objectName();
        for (const char *part : {"QMenuBar menuBar", "QToolBar mainToolBar", "QWidget centralWidget", "QStatusBar statusBar"})
            QVERIFY2(form.contains(part), qPrintable(form.join(", ")));
        QCOMPARE(window.objectName() + " " + window.windowTitle(), QString("MainWindow MainWindow"));
        QCOMPARE(window.size(), QSize(400, 300));
        CentreOnWorkArea(window);
        QCOMPARE(window.geometry(), CentredGeometry(QRect(0, 0, 400, 300), QGuiApplication::primaryScreen()->availableGeometry()));
        QVERIFY(QDir(commands).isEmpty()); // the run waits for the event loop

        QTimer answerer;
        connect(&answerer, &QTimer::timeout, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->accept();
        });
        answerer.start(10);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(QDir(commands).entryList(QDir::Files), QStringList{"commands.xml"});
        QVERIFY(!window.testAttribute(Qt::WA_WState_ExplicitShowHide)); // never shown, not even for a moment
    }
};

VIVADO_TEST_MAIN(TestMainWindow)

#include "tst_mainwindow.moc"
