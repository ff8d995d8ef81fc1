#include "testsupport.h"

#include <QtTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace TestSupport;

namespace {
// The running system's ANSI code page; none where there is no such thing.
uint AnsiCodePage()
{
#ifdef Q_OS_WIN
    return GetACP();
#else
    return 0;
#endif
}
}

class TestTextEncoding : public QObject
{
    Q_OBJECT

private slots:
    // The ANSI code page as Windows converts it: a folder that it can't hold exactly is
    // never written into commands.paini, commands.xml names it by references, and every
    // byte of the user's stays. CTest runs these once per code page (Wine takes it from
    // LC_ALL); each row runs under the one it names. after: as edit's.
    void codePages_data()
    {
        QTest::addColumn<uint>("codePage");
        QTest::addColumn<Format>("format");
        QTest::addColumn<Task>("task");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<quint32>("result");
        QTest::addColumn<QByteArray>("after");

        const QString tools = QString::fromUtf8("C:/\u5de5\u5177");        // 工具: Chinese, not in 1252
        const QString lodz = QString::fromUtf8("C:/\u0141\u00f3d\u017a");  // Łódź: 1252 has only look-alikes
        const QString katakana = QString::fromUtf8("C:/\u30c4\u30fc\u30eb"); // ツール
        const QByteArray katakana932 = "C:/\x83\x63\x81\x5b\x83\x8b";
        const QString hangul = QString::fromUtf8("\ud55c"); // 한: in none of these code pages
        const QByteArray head = "VERSION=1\r\n0=a\r\n";
        const QByteArray userLine = "\r\n1=\x83\x41" + QByteArray(1, '\0') + "\x82\r\n"; // a NUL byte and a stray byte
        // From the user's command's name to the folder in the one the tool adds.
        const auto added = [](const QByteArray &name, const QByteArray &folder) {
            return "...<name>" + name + "</name>\r\n </custom_command>\r\n <custom_command>\r\n  <position>1</position>\r\n  <name>"
                + base.toUtf8() + "</name>\r\n  <menu_name>TALVORN Probe Core Inserter</menu_name>\r\n  <command>source \"" + folder
                + "/vivado_server.tcl\" -notrace</command>";
        };
        const auto row = [](const char *name, uint codePage, Format format, Task task, const QString &folder,
                            const QByteArray &before, quint32 result, const QByteArray &after = unchanged) {
            QTest::newRow(name) << codePage << format << task << folder << before << result << after;
        };

        row("1252: paini, created for a folder outside the code page: refused", 1252, Format::Ini, Task::Register, tools, absent,
            ERR_INI_CREATE_FAILED);
        row("1252: paini, a folder with only look-alikes in the code page: refused", 1252, Format::Ini, Task::Refresh, lodz, head,
            ERR_INI_OPEN_FAILED);
        row("1252: xml, a code-page byte under a UTF-8 declaration kept, the folder by references", 1252, Format::Xml, Task::Register,
            lodz + " " + tools.mid(3, 1), Named("Caf\xe9"), RESULT_OK, added("Caf\xe9", "C:/&#x141;\xf3" "d&#x17a; &#x5de5;"));
        row("1250: paini, a folder in the code page: written in its bytes", 1250, Format::Ini, Task::Register, lodz, absent, RESULT_OK,
            "VERSION=1\r\n" + IniEntry(0, "C:/\xa3\xf3\x64\x9f") + "\r\n");
        // 87 90 reads as the character that the system writes 81 E0.
        row("932: paini, a stray byte and a character the code page has twice kept beside the folder", 932, Format::Ini, Task::Register,
            katakana, "0=\x82\r\n1=\x87\x90\r\n", RESULT_OK, "0=\x82\r\n1=\x87\x90\r\n" + IniEntry(2, katakana932) + "\r\n");
        row("932: paini, the user's lines after the tool's (a NUL field) kept", 932, Format::Ini, Task::Refresh, katakana,
            IniEntry(0, katakana932) + userLine + IniEntry(2, "C:/gone") + "\r\n3=\x8f\x49\r\n", RESULT_OK,
            IniEntry(0, katakana932) + userLine + "3=\x8f\x49\r\n");
        row("932: paini, a folder outside the code page: refused", 932, Format::Ini, Task::Register, "C:/" + hangul, head, ERR_INI_OPEN_FAILED);
        row("932: xml, code-page bytes under a UTF-8 declaration kept, the folder by references", 932, Format::Xml, Task::Register,
            katakana + hangul, Named("\x83\x41"), RESULT_OK, added("\x83\x41", katakana932 + "&#xd55c;"));
        row("936: paini, a stray byte kept beside the folder", 936, Format::Ini, Task::Refresh, tools, "0=\x81\n", RESULT_OK,
            "0=\x81\n" + IniEntry(1, "C:/\xb9\xa4\xbe\xdf") + "\n");
    }

    void codePages()
    {
        QFETCH(uint, codePage);
        QFETCH(Format, format);
        QFETCH(Task, task);
        QFETCH(QString, folder);
        QFETCH(QByteArray, before);
        QFETCH(quint32, result);
        QFETCH(QByteArray, after);
        if (AnsiCodePage() != codePage)
            QSKIP(qPrintable(QStringLiteral("needs code page %1, this is %2").arg(codePage).arg(AnsiCodePage())));
        const Edited edited = EditBytes(format, task, folder, before == absent ? nullptr : &before);
        // After it a refresh puts the file in order: a second one writes nothing.
        const QByteArray left = edited.bytes.value_or(before);
        const Edited refreshed = EditBytes(format, Task::Refresh, folder, left == absent ? nullptr : &left);

        QCOMPARE(edited.result, result);
        const QByteArray written = edited.bytes.value_or(unchanged);
        if (after.startsWith("..."))
            QVERIFY2(written.contains(after.mid(3)), written.constData());
        else
            QCOMPARE(written, after);
        QVERIFY(!refreshed.bytes || !EditBytes(format, Task::Refresh, folder, &*refreshed.bytes).bytes);
    }
};

VIVADO_TEST_MAIN(TestTextEncoding)

#include "tst_textencoding.moc"
