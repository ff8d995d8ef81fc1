#include "testsupport.h"
#include "xmlcommands/updatexmlfile.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

namespace {
const QByteArray standardRoot = "<custom_commands major=\"1\" minor=\"0\">";

QByteArray Command(quint32 position, const QByteArray &name,
                   const QByteArray &command = "source \"C:/x/other.tcl\"")
{
    return "<custom_command><position>" + QByteArray::number(position) + "</position><name>" + name
           + "</name><command>" + command + "</command></custom_command>";
}

QByteArray File(const QByteArray &root, const QByteArray &children)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + root + children + "</custom_commands>\n";
}

QList<CustomCommand> ReadBack(const QString &path)
{
    UpdateXmlFile reader;
    if (reader.ReadFile(path) != RESULT_OK)
        return {};
    return reader.Commands();
}
}

class TestUpdateXmlFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void newFileIsTheDocumentedOne();
    void everyRunAddsOneMore();
    void update_data();
    void update();
    void readRules_data();
    void readRules();
    void commandCount_data();
    void commandCount();
    void rewriteWithoutCommandsRoot();
    void failures_data();
    void failures();

private:
    QScopedPointer<QTemporaryDir> dir;
    QString path;
};

void TestUpdateXmlFile::init()
{
    dir.reset(new QTemporaryDir);
    path = dir->path() + "/commands.xml";
}

void TestUpdateXmlFile::newFileIsTheDocumentedOne()
{
    QTest::ignoreMessage(QtDebugMsg, qPrintable("UpdateXmlFile::WriteFile - filePath = \"" + path + "\""));
    QCOMPARE(UpdateXmlFile().Update("D:/apps/inserter", path), RESULT_OK);
    const QByteArray expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<custom_commands major=\"1\" minor=\"0\">\n"
                                " <custom_command>\n"
                                "  <position>0</position>\n"
                                "  <name>TALVORN_Probe_Core_Inserter</name>\n"
                                "  <menu_name>TALVORN Probe Core Inserter</menu_name>\n"
                                "  <command>source \"D:/apps/inserter/vivado_server.tcl\" -notrace</command>\n"
                                "  <tooltip>Start TALVORN Probe Core Inserter</tooltip>\n"
                                "  <toolbar_icon>D:/apps/inserter/Talvorn_CI_A.png</toolbar_icon>\n"
                                "  <show_on_toolbar>true</show_on_toolbar>\n"
                                "  <run_proc>true</run_proc>\n"
                                "  <source name=\"USER\"/>\n"
                                " </custom_command>\n"
                                "</custom_commands>\n";
    QCOMPARE(ReadBytes(path), expected);
}

void TestUpdateXmlFile::everyRunAddsOneMore()
{
    const QString app = "C:/Program Files/Tool";
    for (int run = 0; run < 3; ++run) {
        if (run > 0)
            QTest::ignoreMessage(QtDebugMsg, qPrintable("UpdateXmlFile::ReadFile - filePath = \"" + path + "\""));
        QTest::ignoreMessage(QtDebugMsg, qPrintable("UpdateXmlFile::WriteFile - filePath = \"" + path + "\""));
        QCOMPARE(UpdateXmlFile().Update(app, path), RESULT_OK);
    }
    const QList<CustomCommand> commands = ReadBack(path);
    QCOMPARE(commands.size(), 3);
    const QStringList names{"TALVORN_Probe_Core_Inserter", "TALVORN_Probe_Core_Inserter_2",
                            "TALVORN_Probe_Core_Inserter_3"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(commands[i].position, quint32(i));
        QCOMPARE(commands[i].name, names[i]);
        QCOMPARE(commands[i].command, "source \"" + app + "/vivado_server.tcl\" -notrace");
        QCOMPARE(commands[i].toolbar_icon, app + "/Talvorn_CI_A.png");
        QVERIFY(commands[i].show_on_toolbar && commands[i].run_proc);
        QCOMPARE(commands[i].source, QString("USER"));
    }
}

void TestUpdateXmlFile::update_data()
{
    QTest::addColumn<QByteArray>("root");
    QTest::addColumn<QByteArray>("children");
    QTest::addColumn<bool>("added");
    QTest::addColumn<quint32>("position");
    QTest::addColumn<QString>("name");

    const QString base = "TALVORN_Probe_Core_Inserter";
    const QByteArray script = "source \"C:/old/vivado_server.tcl\" -notrace";
    QTest::newRow("empty root") << standardRoot << QByteArray() << true << 0u << base;
    QTest::newRow("positions 0 and 3") << standardRoot << Command(0, "a") + Command(3, "b") << true
                                       << 4u << base;
    QTest::newRow("positions 5 and 2") << standardRoot << Command(5, "a") + Command(2, "b") << true
                                       << 6u << base;
    QTest::newRow("largest position wraps") << standardRoot << Command(4294967295u, "a") << true << 0u << base;
    QTest::newRow("missing position counts as 0")
        << standardRoot << QByteArray("<custom_command><name>a</name></custom_command>") << true
        << 1u << base;
    QTest::newRow("base name taken") << standardRoot << Command(0, base.toUtf8()) << true << 1u
                                     << base + "_2";
    QTest::newRow("base and _2 taken")
        << standardRoot << Command(0, (base + "_2").toUtf8()) + Command(1, base.toUtf8()) << true
        << 2u << base + "_3";
    QTest::newRow("other letter case does not take the name")
        << standardRoot << Command(0, "talvorn_probe_core_inserter") << true << 1u << base;
    QTest::newRow("own earlier entry is not recognised")
        << standardRoot << Command(0, base.toUtf8(), script) << true << 1u << base + "_2";
    QTest::newRow("recognised registration") << standardRoot
                                             << Command(7, "Talvorn_Core_Inserter", script) << false
                                             << 0u << QString();
    QTest::newRow("recognised as substrings")
        << standardRoot << Command(0, "x") + Command(1, "My_Talvorn_Core_Inserter_1", "run vivado_server.tcl.bak")
        << false << 0u << QString();
    QTest::newRow("registration of another script")
        << standardRoot << Command(0, "Talvorn_Core_Inserter", "source other.tcl") << true << 1u
        << base;
    QTest::newRow("version with leading zeros")
        << QByteArray("<custom_commands major=\"01\" minor=\"00\">") << Command(2, "a") << true
        << 3u << base;
    QTest::newRow("minor with letters reads 0")
        << QByteArray("<custom_commands major=\"1\" minor=\"beta\">") << Command(2, "a") << true
        << 3u << base;
}

void TestUpdateXmlFile::update()
{
    QFETCH(QByteArray, root);
    QFETCH(QByteArray, children);
    QFETCH(bool, added);
    QFETCH(quint32, position);
    QFETCH(QString, name);

    const QByteArray before = File(root, children);
    WriteBytes(path, before);
    const QList<CustomCommand> existing = ReadBack(path);

    QCOMPARE(UpdateXmlFile().Update("/opt/tool", path), RESULT_OK);
    const QList<CustomCommand> after = ReadBack(path);
    if (!added) {
        QCOMPARE(ReadBytes(path), before);
        return;
    }
    QCOMPARE(after.size(), existing.size() + 1);
    for (int i = 0; i < existing.size(); ++i)
        QCOMPARE(after[i].name, existing[i].name);
    QCOMPARE(after.last().position, position);
    QCOMPARE(after.last().name, name);
}

void TestUpdateXmlFile::readRules_data()
{
    QTest::addColumn<QByteArray>("children");
    QTest::addColumn<quint32>("position");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("showOnToolbar");
    QTest::addColumn<bool>("runProc");
    QTest::addColumn<QString>("source");

    QTest::newRow("table order")
        << QByteArray("<position>3</position><name>n</name><show_on_toolbar>true</show_on_toolbar>"
                      "<run_proc>false</run_proc><source name=\"USER\"/>")
        << 3u << "n" << true << false << "USER";
    QTest::newRow("any order")
        << QByteArray("<source name=\"USER\"/><run_proc>false</run_proc><name>n</name>"
                      "<show_on_toolbar>true</show_on_toolbar><position>3</position>")
        << 3u << "n" << true << false << "USER";
    QTest::newRow("flags in capitals") << QByteArray("<show_on_toolbar>TRUE</show_on_toolbar><run_proc>True</run_proc>")
                                       << 0u << "" << true << true << "";
    QTest::newRow("flags with a space or a digit")
        << QByteArray("<show_on_toolbar> true</show_on_toolbar><run_proc>1</run_proc>") << 0u << ""
        << false << false << "";
    QTest::newRow("last of two names") << QByteArray("<name>first</name><name>second</name>")
                                       << 0u << "second" << false << false << "";
    QTest::newRow("tags compared exactly") << QByteArray("<Position>4</Position><NAME>n</NAME>")
                                           << 0u << "" << false << false << "";
    QTest::newRow("source without name attribute") << QByteArray("<source kind=\"USER\"/>") << 0u
                                                   << "" << false << false << "";
    QTest::newRow("text kept untrimmed, nested text joined")
        << QByteArray("<name> a<b>c</b>d </name><position>x</position>") << 0u << " acd "
        << false << false << "";
}

void TestUpdateXmlFile::readRules()
{
    QFETCH(QByteArray, children);
    QFETCH(quint32, position);
    QFETCH(QString, name);
    QFETCH(bool, showOnToolbar);
    QFETCH(bool, runProc);
    QFETCH(QString, source);

    WriteBytes(path, File(standardRoot, "<custom_command>" + children + "</custom_command>"));
    const QList<CustomCommand> commands = ReadBack(path);
    QCOMPARE(commands.size(), 1);
    QCOMPARE(commands[0].position, position);
    QCOMPARE(commands[0].name, name);
    QCOMPARE(commands[0].show_on_toolbar, showOnToolbar);
    QCOMPARE(commands[0].run_proc, runProc);
    QCOMPARE(commands[0].source, source);
}

void TestUpdateXmlFile::commandCount_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("count");

    const QByteArray three = Command(0, "a") + Command(1, "b") + Command(2, "c");
    QTest::newRow("three in file order, other tags skipped")
        << File(standardRoot, three + "<other/>") << 3;
    QTest::newRow("nested command not read")
        << File(standardRoot, "<group>" + Command(0, "a") + "</group>") << 0;
    QTest::newRow("major 2") << File("<custom_commands major=\"2\" minor=\"0\">", three) << 0;
    QTest::newRow("no minor") << File("<custom_commands major=\"1\">", three) << 0;
    QTest::newRow("root tag in other case")
        << QByteArray("<Custom_Commands major=\"1\" minor=\"0\">" + three + "</Custom_Commands>") << 0;
}

void TestUpdateXmlFile::commandCount()
{
    QFETCH(QByteArray, content);
    QFETCH(int, count);

    WriteBytes(path, content);
    const QList<CustomCommand> commands = ReadBack(path);
    QCOMPARE(commands.size(), count);
    for (int i = 0; i < commands.size(); ++i)
        QCOMPARE(commands[i].position, quint32(i));
}

void TestUpdateXmlFile::rewriteWithoutCommandsRoot()
{
    WriteBytes(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><custom_commands major=\"2\" minor=\"0\">"
                     "<custom_command><show_on_toolbar>TRUE</show_on_toolbar></custom_command>"
                     "</custom_commands>");
    QCOMPARE(UpdateXmlFile().Update("/opt/tool", path), RESULT_OK);
    // The parser keeps the declaration as a processing instruction, with its own quotes.
    QCOMPARE(ReadBytes(path), QByteArray("<?xml version='1.0' encoding='UTF-8'?>\n"
                                         "<custom_commands major=\"2\" minor=\"0\">\n"
                                         " <custom_command>\n"
                                         "  <show_on_toolbar>TRUE</show_on_toolbar>\n"
                                         " </custom_command>\n"
                                         "</custom_commands>\n"));
}

void TestUpdateXmlFile::failures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<quint32>("result");

    const QByteArray valid = File(standardRoot, Command(0, "a"));
    QTest::newRow("empty file") << "" << QByteArray("") << ERR_XML_READ_FAILED;
    QTest::newRow("not well-formed") << "" << QByteArray("<custom_commands major=\"1\">")
                                     << ERR_XML_READ_FAILED;
    QTest::newRow("unreadable") << "no read" << valid << ERR_XML_OPEN_FAILED;
    QTest::newRow("read-only") << "no write" << valid << ERR_XML_OPEN_FAILED;
    QTest::newRow("folder named commands.xml") << "folder" << QByteArray() << ERR_XML_OPEN_FAILED;
    QTest::newRow("no commands folder") << "missing folder" << QByteArray() << ERR_XML_OPEN_FAILED;
}

void TestUpdateXmlFile::failures()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, before);
    QFETCH(quint32, result);

    if (fault == "missing folder")
        path = dir->path() + "/commands/commands.xml";
    if (fault == "folder")
        QVERIFY(QDir().mkpath(path));
    const bool isFile = !fault.contains("folder");
    if (isFile)
        WriteBytes(path, before);

    QScopedPointer<AccessDenied> denied;
    if (fault.startsWith("no ")) {
        denied.reset(new AccessDenied(path, fault == "no read" ? AccessDenied::NoRead
                                                               : AccessDenied::NoWrite));
        if (!denied->IsEffective())
            QSKIP("this platform gives no way to deny the access");
    }
    QCOMPARE(UpdateXmlFile().Update("/opt/tool", path), result);
    denied.reset();

    QCOMPARE(QFileInfo(path).isFile(), isFile);
    QCOMPARE(QFileInfo(path).isDir(), fault == "folder");
    if (isFile)
        QCOMPARE(ReadBytes(path), before);
}

VIVADO_TEST_MAIN(TestUpdateXmlFile)

#include "tst_updatexmlfile.moc"
