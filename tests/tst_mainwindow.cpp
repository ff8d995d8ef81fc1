#include "app/centring.h"
#include "app/mainwindow.h"
#include "testsupport.h"

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

using namespace TestSupport;

namespace {
class ShowCounter : public QObject
{
public:
    int shows = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            ++shows;
        return QObject::eventFilter(watched, event);
    }
};

struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool windowVisible = true;
};
}

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void centring_data();
    void centring();
    void hiddenWindowFromTheForm();
    void run_data();
    void run();
};

void TestMainWindow::centring_data()
{
    QTest::addColumn<QRect>("workArea");
    QTest::addColumn<QPoint>("topLeft");

    QTest::newRow("full HD work area") << QRect(QPoint(0, 0), QPoint(1919, 1039)) << QPoint(760, 370);
    QTest::newRow("odd sums truncate") << QRect(QPoint(0, 0), QPoint(1365, 727)) << QPoint(483, 214);
    QTest::newRow("screen left of the primary, toward zero")
        << QRect(QPoint(-1920, -1), QPoint(-1, 1078)) << QPoint(-1159, 389);
    QTest::newRow("sums beyond 32 bits")
        << QRect(QPoint(2147482000, 0), QPoint(2147483000, 299)) << QPoint(2147482301, 0);
}

void TestMainWindow::centring()
{
    QFETCH(QRect, workArea);
    QFETCH(QPoint, topLeft);

    const QRect window(QPoint(0, 0), QSize(400, 300));
    const QRect centred = CentredGeometry(window, workArea);
    QCOMPARE(centred.topLeft(), topLeft);
    QCOMPARE(centred.size(), window.size());
}

void TestMainWindow::hiddenWindowFromTheForm()
{
    MainWindow window;
    QCOMPARE(window.objectName(), QString("MainWindow"));
    QCOMPARE(window.windowTitle(), QString("MainWindow"));
    QCOMPARE(window.size(), QSize(400, 300));
    QCOMPARE(window.menuBar()->objectName(), QString("menuBar"));
    QCOMPARE(window.centralWidget()->objectName(), QString("centralWidget"));
    QCOMPARE(window.statusBar()->objectName(), QString("statusBar"));
    QVERIFY(window.findChild<QToolBar *>("mainToolBar"));
    QVERIFY(!window.isVisible());
}

void TestMainWindow::run_data()
{
    QTest::addColumn<QStringList>("versions");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<quint32>("result");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    const QString failed = "Integration with Vivado failed.\n\nERROR : ";
    QTest::newRow("success") << QStringList{"2017.4", "2019.1"} << "" << RESULT_OK << "Success"
                             << "Integration with Vivado succeeded.";
    QTest::newRow("no roaming folder")
        << QStringList{"2019.1"} << "no roaming" << ERR_ROAMING_FOLDER_NOT_FOUND << "Failed"
        << failed + "Roaming folder not found.\nMessage id : 0x80000201";
    QTest::newRow("ini file cannot be created")
        << QStringList{"2017.4"} << "no commands folder" << ERR_INI_CREATE_FAILED << "Failed"
        << failed + "Failed to create Vivado .ini configuration file.\nMessage id : 0x80000301";
    QTest::newRow("xml file unreadable")
        << QStringList{"2019.1"} << "empty xml" << ERR_XML_READ_FAILED << "Failed"
        << failed + "Failed to read Vivado .xml configuration file.\nMessage id : 0x80000402";
}

void TestMainWindow::run()
{
    QFETCH(QStringList, versions);
    QFETCH(QString, fault);
    QFETCH(quint32, result);
    QFETCH(QString, title);
    QFETCH(QString, text);

    QTemporaryDir dir;
    const QString roaming = MakeProfile(dir.path(), versions);
    const QString commands = CommandsFolder(roaming, versions.first());
    UseRoamingFolder(fault == "no roaming" ? dir.path() : roaming);
    if (fault == "no commands folder")
        QVERIFY(QDir(commands).removeRecursively());
    if (fault == "empty xml")
        WriteBytes(commands + "/commands.xml", "");

    MainWindow window;
    ShowCounter showCounter;
    window.installEventFilter(&showCounter);
    CentreOnWorkArea(window);
    // Nothing runs before the event loop does.
    QCOMPARE(QDir(commands).entryList(QDir::Files).size(), fault == "empty xml" ? 1 : 0);

    QList<SeenBox> boxes;
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        boxes.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                      window.isVisible()});
        box->button(QMessageBox::Ok)->click();
    });
    answerer.start(10);

    QCOMPARE(QApplication::exec(), static_cast<int>(result));

    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].title, title);
    QCOMPARE(boxes[0].text, text);
    QCOMPARE(boxes[0].icon, QMessageBox::Information);
    QCOMPARE(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!boxes[0].windowVisible);
    QVERIFY(!window.isVisible());
    QCOMPARE(showCounter.shows, 0);
    if (result == RESULT_OK) {
        // One run: one entry, where a second run would have added a second.
        const QByteArray xml = ReadBytes(CommandsFolder(roaming, "2019.1") + "/commands.xml");
        QCOMPARE(xml.count("<custom_command>"), 1);
    }
}

VIVADO_TEST_MAIN(TestMainWindow)

#include "tst_mainwindow.moc"
