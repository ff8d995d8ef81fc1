#include "integration/updateinifile.h"
#include "testsupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

using namespace TestSupport;

namespace {
const QByteArray absent = "<unreadable>";
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
        QTest::newRow("the documented example line") << "C:/Program Files/Tool" << QByteArray("3=TALVORN Core Inserter\n") << IniExampleLine + "\n";
        QTest::newRow("missing file created with header") << app << absent << "VERSION=1\n" + IniEntry(0) + "\n";
        QTest::newRow("own line refreshed in place") << app << QByteArray("0=a\n1=TALVORN%20Core%20Inserter source%20\"D:/old\"\n2=b\n")
                                                     << "0=a\n" + IniEntry(1) + "\n2=b\n";
        QTest::newRow("largest key counts, not the last") << app << QByteArray("0=a\n5=b\n2=c\n") << "0=a\n5=b\n2=c\n" + IniEntry(6) + "\n";
        QTest::newRow("negative key does not count") << app << QByteArray("-3=a\n") << "-3=a\n" + IniEntry(0) + "\n";
        QTest::newRow("only the first naming line rewritten") << app << QByteArray("4=Inserter Core TALVORN\n9=TALVORN Core Inserter\n")
                                                              << IniEntry(4) + "\n9=TALVORN Core Inserter\n";
        QTest::newRow("other lines kept, not numbered") << app << QByteArray("# note\n\nx=1\n") << "# note\n\nx=1\n" + IniEntry(0) + "\n";
        QTest::newRow("spaces as %20, percent kept") << "C:/Program Files/100% Tool" << QByteArray("")
                                                     << IniEntry(0, "C:/Program Files/100% Tool") + "\n";
        const QString nonAscii = QString::fromUtf8("C:/Prøgram Files/工具");
        QTest::newRow("non-ASCII folder in the locale's encoding") << nonAscii << QByteArray("")
                                                                   << IniEntry(0, QTextCodec::codecForLocale()->fromUnicode(nonAscii)) + "\n";
        // Our choices where a key is not a number or keys run out:
        QTest::newRow("non-numeric own key becomes the next key") << app << QByteArray("0=a\nold=TALVORN Core Inserter\n1=b\n")
                                                                  << "0=a\n" + IniEntry(2) + "\n1=b\n";
        QTest::newRow("after the greatest key, the lowest free") << app << QByteArray("0=a\n2147483647=b\n")
                                                                 << "0=a\n2147483647=b\n" + IniEntry(1) + "\n";
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
        QCOMPARE(ReadBytes(path), Native(after));
        // A second run finds its own line and leaves the file as it is.
        QCOMPARE(UpdateIniFile().Update(appFolder, path), RESULT_OK);
        QCOMPARE(ReadBytes(path), Native(after));
    }

    void namingLineWithoutEqualSign()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/commands.paini";
        const QByteArray before = "VERSION=1\nTALVORN Core Inserter\n1=TALVORN Core Inserter\n";
        WriteBytes(path, before);
        QCOMPARE(UpdateIniFile().Update("/opt/tool", path), ERR_INI_NO_EQUAL_SIGN);
        QCOMPARE(ReadBytes(path), before);
    }
};

VIVADO_TEST_MAIN(TestUpdateIniFile)

#include "tst_updateinifile.moc"
