#include "app/centring.h"
#include "app/mainwindow.h"
#include "files/filelock.h"
#include "files/filesystem.h"
#include "messages/resultcodes.h"
#include "testsupport.h"

#include <QApplication>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using namespace TestSupport;

namespace {
// The three programs, each also as the box answerer's start-up of it.
enum class Program { Product, Answerer, Remover, RemoverAnswerer, Refresh, RefreshAnswerer };
// What a run meets: no Vivado folder, no commands folder, an empty commands.xml, another
// run that holds it or a killed run's lock, or no display.
enum class Fault { None, NoVivado, NoCommands, EmptyXml, NoDisplay, EmptyXmlWithoutDisplay, Held, KilledHolder };
}
Q_DECLARE_METATYPE(Program)
Q_DECLARE_METATYPE(Fault)

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
        QCOMPARE(CentredGeometry(QRect(0, 0, 400, 300), workArea), QRect(topLeft, QSize(400, 300)));
    }

    void centredOnTheScreen()
    {
        MainWindow window;
        CentreOnWorkArea(window);
        QCOMPARE(window.geometry(), CentredGeometry(QRect(0, 0, 400, 300), QGuiApplication::primaryScreen()->availableGeometry()));
    }

    // The product for exit status and log; the box answerer, the same start-up with a
    // hand that closes the boxes, for the boxes and the full code exec() returned.
    void run_data()
    {
        QTest::addColumn<Program>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QStringList>("versions");
        QTest::addColumn<quint32>("result");
        QTest::addColumn<QString>("box"); // "|" for a line end; empty: no box
        QTest::addColumn<QStringList>("files");

        const QString success = "box Success: Integration with Vivado succeeded.";
        const QString failed = "box Failed: Integration with Vivado failed.||ERROR : ";
        const QString unreadable = "Failed to read Vivado .xml configuration file.|Message id : 0x80000402";
        const QStringList written{"commands.paini", "commands.xml"}, none{"-", "-"}, onlyXml{"commands.xml"};
        // Without a fault, and in both versions, unless the row says otherwise.
        const auto row = [](const char *name, Program program, const QStringList &arguments, quint32 result, const QString &box,
                            const QStringList &files, Fault fault = Fault::None, const QStringList &versions = {"2017.4", "2019.1"}) {
            QTest::newRow(name) << program << arguments << fault << versions << result << box << files;
        };
        // Only "nofeedback", exactly and as the first word, silences the box.
        const QList<QStringList> silent{{"nofeedback"}, {"nofeedback", "x"}};
        const QList<QStringList> loud{{}, {"NoFeedback"}, {"-nofeedback"}, {"/nofeedback"}, {"x", "nofeedback"}};
        for (const QStringList &arguments : silent + loud) {
            const QString name = "arguments: " + (arguments.isEmpty() ? "none" : arguments.join(' '));
            row(qPrintable(name), Program::Answerer, arguments, RESULT_OK, loud.contains(arguments) ? success : "", written);
        }
        row("box, no Vivado folder: nothing to do", Program::Answerer, {}, RESULT_OK, success, none, Fault::NoVivado);
        row("box, empty commands.xml", Program::Answerer, {}, ERR_XML_READ_FAILED, failed + unreadable, onlyXml, Fault::EmptyXml, {"2019.1"});
        const QString removed = "box Success: Removal from Vivado succeeded.";
        row("remover, box", Program::RemoverAnswerer, {}, RESULT_OK, removed, none);
        row("remover, nofeedback", Program::RemoverAnswerer, silent[0], RESULT_OK, "", none);
        row("remover, box, empty commands.xml", Program::RemoverAnswerer, {}, ERR_XML_READ_FAILED,
            "box Failed: Removal from Vivado failed.||ERROR : " + unreadable, onlyXml, Fault::EmptyXml, {"2019.1"});
        row("refresh, box", Program::RefreshAnswerer, {}, RESULT_OK, "box Success: Refresh of the Vivado registration succeeded.", written);
        row("refresh, nofeedback", Program::Refresh, silent[0], RESULT_OK, "", written);
        // Only Windows keeps a list of the machine's profiles.
        row("remover, allusers touches nothing here", Program::Remover, {"nofeedback", "allusers"}, ERR_ROAMING_FOLDER_NOT_FOUND, "", none);
        row("remover, allusers only as the second word", Program::RemoverAnswerer, {"allusers"}, RESULT_OK, removed, none);
        row("remover, empty commands.xml", Program::Remover, silent[0], ERR_XML_READ_FAILED, "", onlyXml, Fault::EmptyXml, {"2019.1"});
        row("product, typical run", Program::Product, silent[0], RESULT_OK, "", written);
        row("product, a word after nofeedback", Program::Product, silent[1], RESULT_OK, "", written);
        // Over SSH or from a package manager: no display, yet a run and its code; the text
        // that the box would show goes to standard error.
        row("product, no display, nofeedback", Program::Product, silent[0], RESULT_OK, "", written, Fault::NoDisplay);
        row("product, no display: the result on standard error", Program::Product, {}, RESULT_OK,
            "Success: Integration with Vivado succeeded.", written, Fault::NoDisplay);
        row("remover, no display: the failure on standard error", Program::Remover, {}, ERR_XML_READ_FAILED,
            "Failed: Removal from Vivado failed.||ERROR : " + unreadable, onlyXml, Fault::EmptyXmlWithoutDisplay, {"2019.1"});
        // Vivado never started: the write is tried, logged, and fails; nothing is created.
        row("product, no commands folder", Program::Product, silent[0], ERR_XML_OPEN_FAILED, "", {"-"}, Fault::NoCommands, {"2019.1"});
        // Another run holds the file past the wait: an honest failure, nothing written.
        // The file isn't there yet, so the creation fails: commands.paini tells the two codes apart.
        row("product, another run holds the file", Program::Product, silent[0], ERR_INI_CREATE_FAILED, "", {"-"}, Fault::Held, {"2017.4"});
        row("product, a killed run's lock costs no wait", Program::Product, silent[0], RESULT_OK, "", onlyXml, Fault::KilledHolder,
            {"2019.1"});
    }

    void run()
    {
        REQUIRE_SANDBOX_HOME();
        QFETCH(Program, program);
        QFETCH(QStringList, arguments);
        QFETCH(Fault, fault);
        QFETCH(QStringList, versions);
        QFETCH(quint32, result);
        QFETCH(QString, box);
        QFETCH(QStringList, files);

        QTemporaryDir dir;
        const QString vivado = MakeProfile(dir.path(), versions); // the child inherits it
        const QString xmlPath = CommandsFolder(vivado, "2019.1") + "/commands.xml";
        // The one file whose failure the row expects.
        const QString failingPath = fault == Fault::Held ? CommandsFolder(vivado, "2017.4") + "/commands.paini" : xmlPath;
        const bool emptyXml = fault == Fault::EmptyXml || fault == Fault::EmptyXmlWithoutDisplay;
        if (fault == Fault::NoVivado)
            QDir(vivado).removeRecursively();
        if (fault == Fault::NoCommands)
            QDir(CommandsFolder(vivado, "2019.1")).removeRecursively();
        if (emptyXml)
            WriteBytes(xmlPath, "");
        QScopedPointer<FileLock> held(fault == Fault::Held ? new FileLock(failingPath, QDeadlineTimer(1000)) : nullptr);
        if (fault == Fault::KilledHolder) {
            QProcess holder; // flock(1) itself holds the lock, not the command it runs
            holder.start("flock", {"-o", FileSystem::LockName(xmlPath), "sleep", "60"});
            if (!holder.waitForStarted())
                QSKIP("flock(1) is not there");
            QThread::msleep(300);
            holder.kill();
            holder.waitForFinished();
        }

        const QMap<Program, QString> executables{
            {Program::Product, PRODUCT_EXECUTABLE}, {Program::Answerer, BOXANSWERER_EXECUTABLE},
            {Program::Remover, REMOVER_EXECUTABLE}, {Program::RemoverAnswerer, REMOVER_BOXANSWERER_EXECUTABLE},
            {Program::Refresh, REFRESH_EXECUTABLE}, {Program::RefreshAnswerer, REFRESH_BOXANSWERER_EXECUTABLE}};
        const QString executable = executables.value(program);
        const bool remover = program == Program::Remover || program == Program::RemoverAnswerer;
        const bool answerer = program == Program::Answerer || program == Program::RemoverAnswerer || program == Program::RefreshAnswerer;
        const bool registers = !remover && result == RESULT_OK && fault != Fault::NoVivado;
        QProcess process;
        if (fault == Fault::NoDisplay || fault == Fault::EmptyXmlWithoutDisplay) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                environment.remove(variable);
            process.setProcessEnvironment(environment);
        }
        QElapsedTimer took;
        took.start();
        process.start(executable, arguments);
        QVERIFY(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit);
        QVERIFY(fault != Fault::KilledHolder || took.elapsed() < 10000);
        QCOMPARE(process.exitCode(), int(result & 0xFF)); // all a Linux parent sees of it
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QStringList log = QString::fromLocal8Bit(process.readAllStandardError()).split('\n');
        const QString quotedPath = " - filePath = \"" + xmlPath + "\"";
        QCOMPARE(log.contains("UpdateXmlFile::ReadFile" + quotedPath), emptyXml && !remover);
        QCOMPARE(log.contains("UpdateXmlFile::WriteFile" + quotedPath),
                 (registers && versions.contains("2019.1")) || fault == Fault::NoCommands);
        // A failure of a file names the file and the reason, before the result.
        const int failureLines = log.filter(QRegularExpression("^FileEdit - filePath = \"" + QRegularExpression::escape(failingPath) + "\": .")).size();
        QCOMPARE(failureLines, int(emptyXml || fault == Fault::Held || fault == Fault::NoCommands));
        if (!answerer) {
            QVERIFY2(log.contains("res = " + QString::number(int(result))), qPrintable(log.join('\n')));
            const QString joined = log.join('|'); // as the box's line ends are written
            QVERIFY2(box.isEmpty() ? !joined.contains(QRegularExpression("(^|\\|)(Success|Failed): ")) : joined.contains(box),
                     qPrintable(joined));
        } else
            QCOMPARE(out, (box.isEmpty() ? "" : box + "\n") + "exec " + QString::number(int(result)) + "\n");

        QCOMPARE(FilesIn(vivado, versions), files);
        // Written once, pointing at the program's folder; a broken file stays as it was.
        const QByteArray xml = ReadBytes(xmlPath);
        const QString appFolder = QFileInfo(executable).canonicalPath();
        QCOMPARE(xml.count("<command>source \"" + appFolder.toUtf8() + "/vivado_server.tcl\" -notrace<"), int(registers));
        QCOMPARE(xml.isEmpty(), emptyXml);
        QCOMPARE(xml.contains("<custom_commands major=\"1\" minor=\"0\">\n"), registers); // the same every run
    }

    // Memory that runs out in the middle of one file fails that file alone: the run goes on
    // with the next version and says which file failed and why.
    void outOfMemory()
    {
        REQUIRE_SANDBOX_HOME();
#ifdef __SANITIZE_ADDRESS__
        QSKIP("AddressSanitizer reserves more address space than the cap allows");
#endif
        QTemporaryDir dir;
        const QString vivado = MakeProfile(dir.path(), {"2019.1", "2019.2"});
        const QString large = CommandsFolder(vivado, "2019.1") + "/commands.xml";
        const QString other = CommandsFolder(vivado, "2019.2") + "/commands.xml";
        WriteBytes(large, "<custom_commands major='1' minor='0'><!--" + QByteArray(60 << 20, 'x') + "--></custom_commands>");
        WriteBytes(other, "<custom_commands major='1' minor='0'><custom_command><name>TALVORN_Probe_Core_Inserter</name>"
                          "<command>source \"/gone/vivado_server.tcl\" -notrace</command></custom_command></custom_commands>");
        const qint64 size = QFileInfo(large).size();
        QProcess process;
        // Some 300 MB start the program; the large file's edit needs more than twice that.
        process.start("sh", {"-c", "ulimit -v 450000 && exec \"$0\" nofeedback", REMOVER_EXECUTABLE});
        QVERIFY(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit);
        const QString log = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(log.contains("FileEdit - filePath = \"" + large + "\": out of memory\nres = -2147482622"), qPrintable(log));
        QCOMPARE(process.exitCode(), int(ERR_XML_READ_FAILED & 0xFF));
        QVERIFY(!ReadBytes(other).contains("/gone/"));
        QCOMPARE(QFileInfo(large).size(), size);
    }

    // Runs that change one large file at once, half of them through a linked folder, each
    // keep their change, and the file stays whole.
    void twentyRunsAtOnce()
    {
        REQUIRE_SANDBOX_HOME();
        QTemporaryDir dir;
        const QString vivado = MakeProfile(dir.path(), {"2017.4", "2019.1"});
        const QString xmlPath = CommandsFolder(vivado, "2019.1") + "/commands.xml";
        const QByteArray command = "<custom_command><name>c</name><command>source x.tcl</command></custom_command>\n";
        WriteBytes(xmlPath, "<custom_commands major='1' minor='0'>" + command.repeated(5000) + "</custom_commands>");
        QVERIFY(QFile::link(dir.path(), dir.path() + "/linked"));
        QVector<QProcess *> runs;
        for (int i = 0; i < 20; ++i) {
            runs.append(new QProcess(this));
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            if (i % 2)
                environment.insert("HOME", dir.path() + "/linked");
            runs.last()->setProcessEnvironment(environment);
            runs.last()->start(PRODUCT_EXECUTABLE, {"nofeedback"});
        }
        int succeeded = 0;
        for (QProcess *run : runs)
            succeeded += run->waitForFinished(60000) && run->exitStatus() == QProcess::NormalExit && run->exitCode() == 0;
        const QByteArray xml = ReadBytes(xmlPath);
        QVERIFY(QDomDocument().setContent(xml));
        QCOMPARE(succeeded, 20);
        QCOMPARE(xml.count("<custom_command>"), 5020);
        QCOMPARE(ReadBytes(CommandsFolder(vivado, "2017.4") + "/commands.paini").count("Inserter source"), 1);
    }
};

VIVADO_TEST_MAIN(TestMainWindow)

#include "tst_mainwindow.moc"
