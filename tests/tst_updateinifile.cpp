#include "integration/updateinifile.h"
#include "testsupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

namespace {
const QByteArray nul(1, '\0');

// Vivado's documented example: key 3, application folder "C:/Program Files/Tool".
const QByteArray exampleLine =
    "3=TALVORN%20Probe%20Core%20Inserter "
    "source%20\"C:/Program%20Files/Tool/vivado_server.tcl\"%20-notrace \"\" "
    "C:/Program%20Files/Tool/Talvorn_CI_A.png Start%20TALVORN%20Core%20Inserter \"\" true "
    + nul + " \"\" true 0";

// The example line with another key and folder.
QByteArray Entry(qint64 key, QByteArray folder = "/opt/tool")
{
    folder.replace(' ', "%20");
    return QByteArray::number(key) + exampleLine.mid(1).replace("C:/Program%20Files/Tool", folder);
}

const QByteArray absent = "<absent>";
}

class TestUpdateIniFile : public QObject
{
    Q_OBJECT

private slots:
    void exampleEntry();
    void update_data();
    void update();
    void failures_data();
    void failures();
};

void TestUpdateIniFile::exampleEntry()
{
    UpdateIniFile editor;
    QTemporaryDir dir;
    const QString path = dir.path() + "/commands.paini";
    WriteBytes(path, "");
    QCOMPARE(editor.Update("C:/Program Files/Tool", path), RESULT_OK);
    QCOMPARE(editor.MakeEntry(3).toUtf8(), exampleLine);
    QCOMPARE(editor.MakeEntry(3).size(), exampleLine.size());
}

void TestUpdateIniFile::update_data()
{
    QTest::addColumn<QString>("appFolder");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    const QString app = "/opt/tool";
    QTest::newRow("missing file is created with header")
        << app << absent << "VERSION=1\n" + Entry(0) + "\n";
    QTest::newRow("appended after other commands")
        << app << QByteArray("VERSION=1\n0=a b\n1=c d\n")
        << "VERSION=1\n0=a b\n1=c d\n" + Entry(2) + "\n";
    QTest::newRow("own line refreshed in place, key kept")
        << app
        << QByteArray("VERSION=1\n0=a\n1=TALVORN%20Probe%20Core%20Inserter source%20\"D:/old\"\n2=b\n")
        << "VERSION=1\n0=a\n" + Entry(1) + "\n2=b\n";
    QTest::newRow("largest key, not the last, counts")
        << app << QByteArray("0=a\n5=b\n2=c\n") << "0=a\n5=b\n2=c\n" + Entry(6) + "\n";
    QTest::newRow("leading zeros read as decimal")
        << app << QByteArray("007=a\n") << "007=a\n" + Entry(8) + "\n";
    QTest::newRow("negative key does not raise the largest")
        << app << QByteArray("-3=a\n") << "-3=a\n" + Entry(0) + "\n";
    QTest::newRow("empty file gets no header") << app << QByteArray("") << Entry(0) + "\n";
    QTest::newRow("only the first naming line is rewritten")
        << app << QByteArray("4=Inserter Core TALVORN\n9=TALVORN Core Inserter\n")
        << Entry(4) + "\n9=TALVORN Core Inserter\n";
    QTest::newRow("lines without key or equal sign kept, not numbered")
        << app << QByteArray("VERSION=1\n# note\n\nx=1\n") << "VERSION=1\n# note\n\nx=1\n" + Entry(0) + "\n";
    QTest::newRow("missing last line end is added")
        << app << QByteArray("0=a") << "0=a\n" + Entry(1) + "\n";
    QTest::newRow("CRLF read as line ends")
        << app << QByteArray("VERSION=1\r\n0=a\r\n") << "VERSION=1\n0=a\n" + Entry(1) + "\n";
    QTest::newRow("NUL in another command survives")
        << app << "0=a " + nul + " b\n" << "0=a " + nul + " b\n" + Entry(1) + "\n";
    QTest::newRow("spaces become %20, percent kept")
        << "C:/Program Files/100% Tool" << absent
        << "VERSION=1\n" + Entry(0, "C:/Program Files/100% Tool") + "\n";
    // Our choices where keys run out or are not numbers:
    QTest::newRow("naming line with a non-numeric key gets the next key")
        << app << QByteArray("0=a\nold=TALVORN Core Inserter\n1=b\n") << "0=a\n" + Entry(2) + "\n1=b\n";
    QTest::newRow("after the greatest key, the lowest free one")
        << app << QByteArray("0=a\n2147483647=b\n") << "0=a\n2147483647=b\n" + Entry(1) + "\n";
    QTest::newRow("greatest key kept by its own line")
        << app << QByteArray("2147483647=TALVORN Core Inserter\n") << Entry(2147483647) + "\n";
}

void TestUpdateIniFile::update()
{
    QFETCH(QString, appFolder);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    const QString path = dir.path() + "/commands.paini";
    if (before != absent)
        WriteBytes(path, before);

    QCOMPARE(UpdateIniFile().Update(appFolder, path), RESULT_OK);
    QCOMPARE(ReadBytes(path), after);

    // A second run finds its own line and leaves the file as it is.
    QCOMPARE(UpdateIniFile().Update(appFolder, path), RESULT_OK);
    QCOMPARE(ReadBytes(path), after);
}

void TestUpdateIniFile::failures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<quint32>("result");

    QTest::newRow("no commands folder") << "missing folder" << absent << ERR_INI_CREATE_FAILED;
    QTest::newRow("path is a folder") << "folder" << absent << ERR_INI_CREATE_FAILED;
    QTest::newRow("unreadable file") << "no read" << QByteArray("0=a\n") << ERR_INI_OPEN_FAILED;
    QTest::newRow("read-only file") << "no write" << QByteArray("0=a\n") << ERR_INI_OPEN_FAILED;
    QTest::newRow("naming line without equal sign")
        << "" << QByteArray("VERSION=1\nTALVORN Core Inserter\n1=TALVORN Core Inserter\n")
        << ERR_INI_NO_EQUAL_SIGN;
}

void TestUpdateIniFile::failures()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, before);
    QFETCH(quint32, result);

    QTemporaryDir dir;
    QString path = dir.path() + "/commands.paini";
    if (fault == "missing folder")
        path = dir.path() + "/commands/commands.paini";
    if (fault == "folder")
        QVERIFY(QDir().mkpath(path));
    if (before != absent)
        WriteBytes(path, before);

    QScopedPointer<AccessDenied> denied;
    if (fault.startsWith("no ")) {
        denied.reset(new AccessDenied(path, fault == "no read" ? AccessDenied::NoRead
                                                               : AccessDenied::NoWrite));
        if (!denied->IsEffective())
            QSKIP("this platform gives no way to deny the access");
    }
    QCOMPARE(UpdateIniFile().Update("/opt/tool", path), result);
    denied.reset();

    QCOMPARE(QFileInfo(path).isFile(), before != absent);
    if (before != absent)
        QCOMPARE(ReadBytes(path), before);
}

VIVADO_TEST_MAIN(TestUpdateIniFile)

#include "tst_updateinifile.moc"
