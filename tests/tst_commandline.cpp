#include "testsupport.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

namespace {
struct Finished
{
    int exitStatus = -1; // -1: crashed or hung
    QString out;
    QStringList errLines;
};

// The child inherits the test's environment: offscreen, and XDG_DATA_HOME as the test set it.
Finished Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    Finished finished;
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit)
        finished.exitStatus = process.exitCode();
    process.kill();
    finished.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    finished.errLines = QString::fromLocal8Bit(process.readAllStandardError()).split('\n');
    return finished;
}
}

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void feedbackWord_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("boxShown");

        QTest::newRow("no arguments") << QStringList() << true;
        QTest::newRow("nofeedback") << QStringList{"nofeedback"} << false;
        QTest::newRow("nofeedback and more") << QStringList{"nofeedback", "x"} << false;
        QTest::newRow("other letter case") << QStringList{"NoFeedback"} << true;
        QTest::newRow("with a dash") << QStringList{"-nofeedback"} << true;
        QTest::newRow("second argument") << QStringList{"quiet", "nofeedback"} << true;
    }

    void feedbackWord()
    {
        REQUIRE_XDG_PROFILE();
        QFETCH(QStringList, arguments);
        QFETCH(bool, boxShown);

        QTemporaryDir dir;
        const QString roaming = MakeProfile(dir.path(), {"2019.1"});
        const Finished run = Run(BOXANSWERER_EXECUTABLE, arguments);
        QCOMPARE(run.exitStatus, 0);
        QCOMPARE(run.out, QString(boxShown ? "box: Success\n" : ""));
        QCOMPARE(FilesIn(roaming, {"2019.1"}), QStringList{"commands.xml"});
    }

    void silentRun_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("versions");
        QTest::addColumn<int>("exitStatus"); // the low byte of the result code
        QTest::addColumn<QStringList>("log"); // "%1": the path of commands.xml
        QTest::addColumn<QStringList>("files");

        const QStringList both{"2017.4", "2019.1"};
        QTest::newRow("typical run") << "" << both << 0 << QStringList{"UpdateXmlFile::WriteFile - filePath = \"%1\"", "res = 0"}
                                     << QStringList{"commands.paini", "commands.xml"};
        QTest::newRow("no roaming folder") << "no roaming" << both << 0x01 << QStringList{"res = -2147483135"} << QStringList{"-", "-"};
        QTest::newRow("empty commands.xml") << "empty xml" << QStringList{"2019.1"} << 0x02
            << QStringList{"UpdateXmlFile::ReadFile - filePath = \"%1\"", "res = -2147482622"} << QStringList{"commands.xml"};
    }

    void silentRun()
    {
        REQUIRE_XDG_PROFILE();
        QFETCH(QString, fault);
        QFETCH(QStringList, versions);
        QFETCH(int, exitStatus);
        QFETCH(QStringList, log);
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
        for (const QString &line : log)
            QVERIFY2(run.errLines.contains(line.arg(xmlPath)), qPrintable(run.errLines.join('\n')));
        QCOMPARE(FilesIn(roaming, versions), files);
        const QString appFolder = QFileInfo(PRODUCT_EXECUTABLE).canonicalPath();
        const QByteArray command = "<command>source \"" + appFolder.toUtf8() + "/vivado_server.tcl\" -notrace<";
        QCOMPARE(ReadBytes(xmlPath).contains(command), fault.isEmpty());
        QCOMPARE(ReadBytes(xmlPath).isEmpty(), fault == "empty xml"); // a broken file stays as it was
    }
};

VIVADO_TEST_MAIN(TestCommandLine)

#include "tst_commandline.moc"
