// What each editor does to a file that is damaged, odd or can't be written:
// the result code, and the file either left byte for byte or correctly written.
#include "integration/updateinifile.h"
#include "testsupport.h"
#include "xmlcommands/updatexmlfile.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

namespace {
const QByteArray unchanged = "<unchanged>";
const QByteArray byteOrderMark = "\xEF\xBB\xBF";
const QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<custom_commands major=\"1\" minor=\"0\">"
                       "<custom_command><name>a</name></custom_command></custom_commands>\n";
const QByteArray newXmlCommand = "  <name>TALVORN_Probe_Core_Inserter</name>\n";

bool Run(const QString &program, const QStringList &arguments)
{
    return QProcess::execute(program, arguments) == 0;
}

ResultCode Update(const QString &path)
{
    if (path.endsWith(".xml"))
        return UpdateXmlFile().Update("/opt/tool", path);
    return UpdateIniFile().Update("/opt/tool", path);
}
}

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void fault_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<quint32>("result");
        QTest::addColumn<QByteArray>("after"); // exact bytes, or for commands.xml a part of them

        const QByteArray ini = "VERSION=1\n0=a\n";
        const QByteArray none = "<unreadable>";
        const QByteArray garbage = QByteArray::fromHex("ff00fe3c3e26e9c3288f0a0d");
        const QByteArray longLine(2 * 1024 * 1024, 'x');
        // A write that fails once the file is open has no code of its own; the old file stays whole.
        QTest::newRow("paini, full disk") << "commands.paini" << "full disk" << ini + QByteArray(9000, 'x') << RESULT_OK << unchanged;
        QTest::newRow("xml, full disk") << "commands.xml" << "full disk" << QByteArray(xml).replace("<name>a", "<name>" + QByteArray(9000, 'a')) << RESULT_OK << unchanged;
        QTest::newRow("paini, immutable") << "commands.paini" << "immutable" << ini << ERR_INI_OPEN_FAILED << unchanged;
        QTest::newRow("xml, immutable") << "commands.xml" << "immutable" << xml << ERR_XML_OPEN_FAILED << unchanged;
        QTest::newRow("paini, unreadable") << "commands.paini" << "no read" << ini << ERR_INI_OPEN_FAILED << unchanged;
        QTest::newRow("xml, unreadable") << "commands.xml" << "no read" << xml << ERR_XML_OPEN_FAILED << unchanged;
        QTest::newRow("paini, read-only") << "commands.paini" << "no write" << ini << ERR_INI_OPEN_FAILED << unchanged;
        QTest::newRow("xml, read-only") << "commands.xml" << "no write" << xml << ERR_XML_OPEN_FAILED << unchanged;
        QTest::newRow("paini, a folder") << "commands.paini" << "folder" << none << ERR_INI_CREATE_FAILED << none;
        QTest::newRow("xml, a folder") << "commands.xml" << "folder" << none << ERR_XML_OPEN_FAILED << none;
        QTest::newRow("paini, no commands folder") << "commands.paini" << "no folder" << none << ERR_INI_CREATE_FAILED << none;
        QTest::newRow("xml, no commands folder") << "commands.xml" << "no folder" << none << ERR_XML_OPEN_FAILED << none;
        QTest::newRow("paini, empty") << "commands.paini" << "" << QByteArray("") << RESULT_OK << IniEntry(0) + "\n";
        QTest::newRow("xml, empty") << "commands.xml" << "" << QByteArray("") << ERR_XML_READ_FAILED << unchanged;
        QTest::newRow("paini, garbage bytes kept") << "commands.paini" << "" << garbage << RESULT_OK
                                                   << garbage.left(10) + "\n\n" + IniEntry(0) + "\n";
        QTest::newRow("paini, byte-order mark before garbage") << "commands.paini" << "" << byteOrderMark + garbage << RESULT_OK
                                                               << byteOrderMark + garbage.left(10) + "\n\n" + IniEntry(0) + "\n";
        QTest::newRow("xml, garbage") << "commands.xml" << "" << garbage << ERR_XML_READ_FAILED << unchanged;
        QTest::newRow("paini, 2 MB line") << "commands.paini" << "" << "0=" + longLine << RESULT_OK
                                          << "0=" + longLine + "\n" + IniEntry(1) + "\n";
        QTest::newRow("xml, 2 MB line") << "commands.xml" << "" << QByteArray(xml).replace("<name>a", "<name>" + longLine)
                                        << RESULT_OK << "<name>" + longLine + "</name>";
        QTest::newRow("paini, byte-order mark kept") << "commands.paini" << "" << byteOrderMark + ini << RESULT_OK << byteOrderMark + ini + IniEntry(1) + "\n";
        QTest::newRow("xml, byte-order mark kept") << "commands.xml" << "" << byteOrderMark + xml << RESULT_OK << byteOrderMark + "<?xml";
        QTest::newRow("paini, CRLF") << "commands.paini" << "" << QByteArray("VERSION=1\r\n0=a\r\n") << RESULT_OK
                                     << ini + IniEntry(1) + "\n";
        QTest::newRow("xml, CRLF") << "commands.xml" << "" << QByteArray(xml).replace("\n", "\r\n") << RESULT_OK << newXmlCommand;
        QTest::newRow("paini, lone CR ends a line") << "commands.paini" << "" << QByteArray("VERSION=1\r0=a\r") << RESULT_OK
                                                    << ini + IniEntry(1) + "\n";
        QTest::newRow("xml, deeply nested") << "commands.xml" << "" << QByteArray(xml).replace("<name>a</name>",
            QByteArray("<a>").repeated(30000) + QByteArray("</a>").repeated(30000)) << ERR_XML_READ_FAILED << unchanged;
        QTest::newRow("xml, nested deep after 2 MB") << "commands.xml" << "" << QByteArray(xml).replace("<name>a</name>",
            "<name>" + longLine + "</name>" + QByteArray("<a>").repeated(300) + QByteArray("</a>").repeated(300))
            << ERR_XML_READ_FAILED << unchanged;
        QTest::newRow("xml, entity expansion bomb") << "commands.xml" << "" << QByteArray("<!DOCTYPE c [<!ENTITY a \"aaaaaaaaaa\">"
            "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
            "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
            "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\"><!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">"
            "<!ENTITY h \"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\"><!ENTITY i \"&h;&h;&h;&h;&h;&h;&h;&h;&h;&h;\">]>"
            "<custom_commands major=\"1\" minor=\"0\"><x>&i;</x></custom_commands>") << ERR_XML_READ_FAILED << unchanged;
    }

    void fault()
    {
        QFETCH(QString, file);
        QFETCH(QString, fault);
        QFETCH(QByteArray, before);
        QFETCH(quint32, result);
        QFETCH(QByteArray, after);

        QTemporaryDir dir;
        QString folder = dir.path() + (fault == "no folder" ? "/commands" : "");
        if (fault == "full disk") {
            folder = dir.path() + "/small";
            QDir().mkpath(folder);
            // 16 KiB: the old file fits, the old and the new together do not.
            if (!Run("mount", {"-t", "tmpfs", "-o", "size=16k", "tmpfs", folder}))
                QSKIP("mounting a small tmpfs needs root");
        }
        const QString path = folder + "/" + file;
        if (fault == "folder")
            QDir().mkpath(path);
        else if (before != "<unreadable>")
            WriteBytes(path, before);
        QScopedPointer<AccessDenied> denied(fault.startsWith("no ") && fault != "no folder" ? new AccessDenied(path, fault) : nullptr);
        if (denied && !denied->IsEffective())
            QSKIP("this platform gives no way to deny the access");
        if (fault == "immutable" && !Run("chattr", {"+i", path}))
            QSKIP("chattr +i needs root and a file system that has it");

        const ResultCode code = Update(path);
        denied.reset();
        if (fault == "immutable")
            Run("chattr", {"-i", path});
        const QByteArray written = ReadBytes(path);
        const QStringList leftOver = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        if (fault == "full disk")
            Run("umount", {folder});

        QCOMPARE(code, result);
        if (after == unchanged)
            QCOMPARE(written, before);
        else if (file == "commands.paini" || after == "<unreadable>")
            QCOMPARE(written, Native(after));
        else
            QVERIFY2(written.contains(Native(after)) && written.contains(Native(newXmlCommand)), written.left(300));
        QVERIFY2(leftOver.size() <= 1, qPrintable(leftOver.join(", "))); // no temporary file stays behind
        QCOMPARE(QFileInfo(path).isDir(), fault == "folder");
    }
};

VIVADO_TEST_MAIN(TestFaults)

#include "tst_faults.moc"
