#include "integration/updateinifile.h"
#include "testsupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

namespace {
const QByteArray nul(1, '\0');
const QByteArray absent = "<unreadable>";

// Vivado's documented example line: key 3, application folder "C:/Program Files/Tool".
const QByteArray exampleLine = "3=TALVORN%20Probe%20Core%20Inserter source%20\"C:/Program%20Files/Tool/vivado_server.tcl\"%20-notrace "
                               "\"\" C:/Program%20Files/Tool/Talvorn_CI_A.png Start%20TALVORN%20Core%20Inserter \"\" true "
                               + nul + " \"\" true 0";

// The example line with another key and, spaces encoded, another folder.
QByteArray Entry(qint64 key, QByteArray folder = "/opt/tool")
{
    return QByteArray::number(key) + exampleLine.mid(1).replace("C:/Program%20Files/Tool", folder.replace(' ', "%20"));
}
}

class TestUpdateIniFile : public QObject
{
    Q_OBJECT

private slots:
    void update_data()
    {
        QTest::addColumn<QString>("appFolder");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");

        const QString app = "/opt/tool";
        QTest::newRow("the documented example line") << "C:/Program Files/Tool" << QByteArray("3=TALVORN Core Inserter\n") << exampleLine + "\n";
        QTest::newRow("missing file created with header") << app << absent << "VERSION=1\n" + Entry(0) + "\n";
        QTest::newRow("appended after other commands") << app << QByteArray("VERSION=1\n0=a b\n1=c\n") << "VERSION=1\n0=a b\n1=c\n" + Entry(2) + "\n";
        QTest::newRow("own line refreshed in place") << app << QByteArray("0=a\n1=TALVORN%20Core%20Inserter source%20\"D:/old\"\n2=b\n")
                                                     << "0=a\n" + Entry(1) + "\n2=b\n";
        QTest::newRow("largest key counts, not the last") << app << QByteArray("0=a\n5=b\n2=c\n") << "0=a\n5=b\n2=c\n" + Entry(6) + "\n";
        QTest::newRow("leading zeros are decimal") << app << QByteArray("007=a\n") << "007=a\n" + Entry(8) + "\n";
        QTest::newRow("negative key does not count") << app << QByteArray("-3=a\n") << "-3=a\n" + Entry(0) + "\n";
        QTest::newRow("empty file gets no header") << app << QByteArray("") << Entry(0) + "\n";
        QTest::newRow("only the first naming line rewritten") << app << QByteArray("4=Inserter Core TALVORN\n9=TALVORN Core Inserter\n")
                                                              << Entry(4) + "\n9=TALVORN Core Inserter\n";
        QTest::newRow("other lines kept, not numbered") << app << QByteArray("# note\n\nx=1\n") << "# note\n\nx=1\n" + Entry(0) + "\n";
        QTest::newRow("last line end added, CRLF read") << app << QByteArray("VERSION=1\r\n0=a") << "VERSION=1\n0=a\n" + Entry(1) + "\n";
        QTest::newRow("NUL of another line survives") << app << "0=a " + nul + " b\n" << "0=a " + nul + " b\n" + Entry(1) + "\n";
        QTest::newRow("spaces as %20, percent kept") << "C:/Program Files/100% Tool" << QByteArray("")
                                                     << Entry(0, "C:/Program Files/100% Tool") + "\n";
        // Our choices where a key is not a number or keys run out:
        QTest::newRow("non-numeric own key becomes the next key") << app << QByteArray("0=a\nold=TALVORN Core Inserter\n1=b\n")
                                                                  << "0=a\n" + Entry(2) + "\n1=b\n";
        QTest::newRow("after the greatest key, the lowest free") << app << QByteArray("0=a\n2147483647=b\n")
                                                                 << "0=a\n2147483647=b\n" + Entry(1) + "\n";
    }

    void update()
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

    void failures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<quint32>("result");

        QTest::newRow("no commands folder") << "missing folder" << absent << ERR_INI_CREATE_FAILED;
        QTest::newRow("path is a folder") << "folder" << absent << ERR_INI_CREATE_FAILED;
        QTest::newRow("unreadable file") << "no read" << QByteArray("0=a\n") << ERR_INI_OPEN_FAILED;
        QTest::newRow("read-only file") << "no write" << QByteArray("0=a\n") << ERR_INI_OPEN_FAILED;
        QTest::newRow("naming line without equal sign") << "" << QByteArray("TALVORN Core Inserter\n1=TALVORN Core Inserter\n")
                                                        << ERR_INI_NO_EQUAL_SIGN;
    }

    void failures()
    {
        QFETCH(QString, fault);
        QFETCH(QByteArray, before);
        QFETCH(quint32, result);

        QTemporaryDir dir;
        const QString path = dir.path() + (fault == "missing folder" ? "/commands/commands.paini" : "/commands.paini");
        if (fault == "folder")
            QDir().mkpath(path);
        if (before != absent)
            WriteBytes(path, before);
        QScopedPointer<AccessDenied> denied(fault.startsWith("no ") ? new AccessDenied(path, fault) : nullptr);
        if (denied && !denied->IsEffective())
            QSKIP("this platform gives no way to deny the access");

        QCOMPARE(UpdateIniFile().Update("/opt/tool", path), result);
        denied.reset();
        QCOMPARE(ReadBytes(path), before);
        QCOMPARE(QFileInfo(path).isDir(), fault == "folder");
    }
};

VIVADO_TEST_MAIN(TestUpdateIniFile)

#include "tst_updateinifile.moc"
