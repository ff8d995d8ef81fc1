#include "testsupport.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

namespace {
struct Finished
{
    int exitStatus = -1;
    QString out;
    QStringList errLines;
};

Finished Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(); // XDG_DATA_HOME set by the test
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.remove("QT_MESSAGE_PATTERN");
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Finished finished;
    if (!process.waitForFinished(30000)) {
        process.kill();
        return finished;
    }
    finished.exitStatus = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    finished.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    finished.errLines = QString::fromLocal8Bit(process.readAllStandardError()).split('\n');
    return finished;
}
}

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void feedbackWord_data();
    void feedbackWord();
    void silentRun_data();
    void silentRun();
};

void TestCommandLine::feedbackWord_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("boxShown");

    QTest::newRow("no arguments") << QStringList() << true;
    QTest::newRow("nofeedback") << QStringList{"nofeedback"} << false;
    QTest::newRow("nofeedback and more") << QStringList{"nofeedback", "x"} << false;
    QTest::newRow("other letter case") << QStringList{"NoFeedback"} << true;
    QTest::newRow("dash") << QStringList{"-nofeedback"} << true;
    QTest::newRow("slash") << QStringList{"/nofeedback"} << true;
    QTest::newRow("second argument") << QStringList{"quiet", "nofeedback"} << true;
}

void TestCommandLine::feedbackWord()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, boxShown);

    QTemporaryDir dir;
    const QString roaming = MakeProfile(dir.path(), {"2019.1"});
    const Finished run = Run(BOXANSWERER_EXECUTABLE, arguments);
    QCOMPARE(run.exitStatus, 0);
    QCOMPARE(run.out, QString(boxShown ? "box: Success\n" : ""));
    QCOMPARE(FilesIn(roaming, {"2019.1"}), QStringList{"commands.xml"});
}

void TestCommandLine::silentRun_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("versions");
    QTest::addColumn<int>("exitStatus"); // the low byte of the result code
    QTest::addColumn<QString>("resLine");
    QTest::addColumn<QStringList>("files");

    const QStringList both{"2017.4", "2019.1"};
    QTest::newRow("typical run") << "" << both << 0 << "res = 0" << QStringList{"commands.paini", "commands.xml"};
    QTest::newRow("no roaming folder") << "no roaming" << both << 0x01 << "res = -2147483135" << QStringList{"-", "-"};
    QTest::newRow("empty commands.xml") << "empty xml" << QStringList{"2019.1"} << 0x02 << "res = -2147482622"
                                        << QStringList{"commands.xml"};
}

void TestCommandLine::silentRun()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, versions);
    QFETCH(int, exitStatus);
    QFETCH(QString, resLine);
    QFETCH(QStringList, files);

    QTemporaryDir dir;
    const QString roaming = MakeProfile(dir.path(), versions);
    const QString xmlPath = CommandsFolder(roaming, "2019.1") + "/commands.xml";
    if (fault == "no roaming")
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    if (fault == "empty xml")
        WriteBytes(xmlPath, "");

    const Finished run = Run(PRODUCT_EXECUTABLE, {"nofeedback"});
    QCOMPARE(run.exitStatus, exitStatus);
    QVERIFY2(run.errLines.contains(resLine), qPrintable(run.errLines.join('\n')));
    QCOMPARE(FilesIn(roaming, versions), files);
    if (fault.isEmpty()) {
        const QString appFolder = QFileInfo(PRODUCT_EXECUTABLE).canonicalPath();
        QVERIFY(run.errLines.contains("UpdateXmlFile::WriteFile - filePath = \"" + xmlPath + "\""));
        QVERIFY(ReadBytes(xmlPath).contains(("<command>source \"" + appFolder + "/vivado_server.tcl\" -notrace<").toUtf8()));
    }
    if (fault == "empty xml") {
        QVERIFY(run.errLines.contains("UpdateXmlFile::ReadFile - filePath = \"" + xmlPath + "\""));
        QCOMPARE(ReadBytes(xmlPath), QByteArray());
    }
}

VIVADO_TEST_MAIN(TestCommandLine)

#include "tst_commandline.moc"
