// The commands.paini editor's edits, bytes in and bytes out, for each of the three tasks.
#include "testsupport.h"

#include <QtTest>

using namespace TestSupport;

class TestUpdateIniFile : public QObject
{
    Q_OBJECT

private slots:
    void edit_data()
    {
        AddEditColumns();
        EditRow("paini, the documented example line", "3=TALVORN Core Inserter\n", RESULT_OK, IniExampleLine + "\n");
        EditRow("paini, created with header", absent, RESULT_OK, "VERSION=1\n" + IniEntry(0) + "\n");
        EditRow("paini, own line refreshed in place", "0=a\n1=TALVORN%20Core%20Inserter source%20\"D:/old\"\n2=b\n", RESULT_OK,
            "0=a\n" + IniEntry(1) + "\n2=b\n");
        EditRow("paini, largest key counts, not the last", "0=a\n5=b\n2=c\n", RESULT_OK, "0=a\n5=b\n2=c\n" + IniEntry(6) + "\n");
        EditRow("paini, negative key does not count", "-3=a\n", RESULT_OK, "-3=a\n" + IniEntry(0) + "\n");
        EditRow("paini, only the first naming line rewritten", "4=Inserter Core TALVORN\n9=TALVORN Core Inserter\n", RESULT_OK,
            IniEntry(4) + "\n9=TALVORN Core Inserter\n");
        const QByteArray otherCase = "TALVORN core Inserter\ntalvorn Core Inserter\n\nTALVORN Core inserter\n";
        EditRow("paini, other lines kept, naming case-sensitive", otherCase, RESULT_OK, otherCase + IniEntry(0) + "\n");
        EditRow("paini, naming line without equal sign", "VERSION=1\nTALVORN Core Inserter\n", ERR_INI_NO_EQUAL_SIGN, unchanged);
        const QString percent = "C:/Program Files/100% Tool";
        EditRow("paini, spaces as %20, percent kept", "", RESULT_OK, IniEntry(0, percent.toUtf8()) + "\n", Task::Register, percent);
        EditRow("paini, non-ASCII folder in the locale's encoding", "", RESULT_OK, IniEntry(0, nonAscii.toUtf8()) + "\n",
            Task::Register, nonAscii, "UTF-8");
        // Our choices where a key is not a number or keys run out:
        EditRow("paini, non-numeric own key becomes the next key", "0=a\nold=TALVORN Core Inserter\n1=b\n", RESULT_OK,
            "0=a\n" + IniEntry(2) + "\n1=b\n");
        EditRow("paini, after the greatest key, the lowest free", "1=a\n2147483647=b\n", RESULT_OK,
            "1=a\n2147483647=b\n" + IniEntry(0) + "\n");
        EditRow("paini, Tcl-special folder", "", RESULT_OK,
            IniEntry(0, tcl.toUtf8()).replace("C:/Tools%20[1]/$x/vivado_server.tcl", QByteArray(tclCommand).replace(" ", "%20")) + "\n",
            Task::Register, tcl);
        EditRow("paini, empty", "", RESULT_OK, IniEntry(0) + "\n");
        EditRow("paini, garbage bytes kept", garbage, RESULT_OK, garbage.left(10) + "\n\n" + IniEntry(0) + "\n");
        const QByteArray longLine(2 * 1024 * 1024, 'x');
        EditRow("paini, 2 MB line", "0=" + longLine, RESULT_OK, "0=" + longLine + "\n" + IniEntry(1) + "\n");
        EditRow("paini, byte-order mark kept", byteOrderMark + twoLines, RESULT_OK, byteOrderMark + twoLines + IniEntry(1) + "\n");
        EditRow("paini, CRLF", "VERSION=1\r\n0=a\r\n", RESULT_OK, twoLines + IniEntry(1) + "\n");
        EditRow("paini, lone CR ends a line", "VERSION=1\r0=a\r", RESULT_OK, twoLines + IniEntry(1) + "\n");
        // A folder the file's own encoding can't hold: the locale's encoding, else no write.
        EditRow("paini, a stray byte kept, the folder in the locale's encoding", "0=Caf\xe9\n", RESULT_OK,
            "0=Caf\xe9\n" + IniEntry(1, "C:/Caf\xc3\xa9 \xc5\x81") + "\n", Task::Register, QString::fromUtf8("C:/Café Ł"), "UTF-8");
        EditRow("paini, a folder the locale's code page can't hold", twoLines, ERR_INI_OPEN_FAILED, unchanged, Task::Register,
            QString::fromUtf8("C:/Ł"), "windows-1252");
        EditRow("paini, refresh: a folder the locale's code page can't hold", twoLines, ERR_INI_OPEN_FAILED, unchanged, Task::Refresh,
            QString::fromUtf8("C:/Ł"), "windows-1252");
        const QByteArray strayBytes = "0=\x80\xff\n1=\xf0\x90\x82\x80\n"; // the last line U+10080, a pair of surrogates
        EditRow("paini, stray bytes 0x80 and 0xFF kept beside a character beyond U+FFFF", strayBytes, RESULT_OK,
            strayBytes + IniEntry(2) + "\n", Task::Register, app, "UTF-8");
        EditRow("paini, a truncated UTF-8 sequence at the end kept", "0=a\n1=\xc3", RESULT_OK, "0=a\n1=\xc3\n" + IniEntry(2) + "\n",
            Task::Register, app, "UTF-8");
        EditRow("paini, keys after a line without equal sign count", "x\n0=a\n1=b\n", RESULT_OK, "x\n0=a\n1=b\n" + IniEntry(2) + "\n");

        // Removal: the lines for the tool's own folder and for folders without a server script
        // go, and not one other byte; those of a live installation, of a share and all else stay.
        const QByteArray iniLines = byteOrderMark + "VERSION=1\r\n0=caf\xe9\r\n"; // a stray byte: not UTF-8
        const QByteArray otherCommand = "5=X source%20\"x.tcl\" \"\" %gone%/Talvorn_CI_A.png y \"\" true " + QByteArray(1, '\0') + " \"\" true 0";
        EditRow("paini, removal: own and gone lines go, every other byte stays",
            iniLines + IniEntry(1) + "\r\n" + IniEntry(2, "%gone%") + "\n" + IniEntry(3, "%live%") + "\r" + otherCommand + "\n4=b",
            RESULT_OK, iniLines + IniEntry(3, "%live%") + "\r" + otherCommand + "\n4=b", Task::Remove);
        EditRow("paini, removal: %20 read both ways",
            IniEntry(0, "%live%%20pct") + "\n" + IniEntry(1, "%gone%%20pct") + "\n" + IniEntry(2, "//server/share") + "\n" + IniEntry(3) + "\n",
            RESULT_OK, IniEntry(0, "%live%%20pct") + "\n" + IniEntry(2, "//server/share") + "\n", Task::Remove, "C:/Program%20Files/Tool");
        EditRow("paini, removal: a folder with spaces and a %20 of its own",
            IniEntry(0, "%live% a%20b") + "\n" + IniEntry(1, "%live% a b c d e f%20g") + "\n", RESULT_OK, unchanged, Task::Remove);
        EditRow("paini, removal: another installation's folder with one space", IniEntry(0, "%live%/a b") + "\n" + IniEntry(1) + "\n",
            RESULT_OK, IniEntry(0, "%live%/a b") + "\n", Task::Remove);
        EditRow("paini, removal: exactly six %20, spaces and one of its own", IniEntry(0, "%live% a b c d e%20f") + "\n", RESULT_OK,
            unchanged, Task::Remove);
        EditRow("paini, removal: a line like ours with another command is not ours",
            IniEntry(0, "%gone%").replace("%20-notrace", "") + "\n", RESULT_OK, unchanged, Task::Remove);
        const QString manySpaces = "C:/a%20b c d e f g h";
        EditRow("paini, refresh: the own folder past six %20, in order", IniEntry(0, manySpaces.toUtf8()) + "\n", RESULT_OK, unchanged,
            Task::Refresh, manySpaces);
        const auto utf32 = [](const QString &text) { // big-endian, with its mark
            QByteArray bytes("\0\0\xfe\xff", 4);
            for (const uint unit : text.toUcs4())
                bytes += QByteArray(1, char(unit >> 24)) + char(unit >> 16) + char(unit >> 8) + char(unit);
            return bytes;
        };
        EditRow("paini, removal: UTF-32 with a character above U+FFFF",
            utf32(QString::fromUtf8("0=😀\n") + QString::fromLatin1(IniEntry(1).constData(), IniEntry(1).size()) + "\n"), RESULT_OK,
            utf32(QString::fromUtf8("0=😀\n")), Task::Remove);
        EditRow("paini, removal: a folder with a byte that is no text is never looked at", IniEntry(0, "%gone%\xff") + "\n", RESULT_OK,
            unchanged, Task::Remove, app, "UTF-8");
        EditRow("paini, removal: the tool's value without a key is no line of the tool's", IniEntry(0).mid(2) + "\n", RESULT_OK,
            unchanged, Task::Remove);
        EditRow("paini, removal: nothing to remove", twoLines + IniEntry(1, "%live%") + "\n", RESULT_OK, unchanged, Task::Remove);

        // Refresh: one own line stays, dead ones and own duplicates go as the remover takes
        // them out; without an own line one is added as the registration adds it.
        EditRow("paini, refresh: in order, untouched", twoLines + IniEntry(1) + "\n" + IniEntry(2, "%live%"), RESULT_OK, unchanged,
            Task::Refresh);
        EditRow("paini, refresh: another installation's line kept, ours appended with the file's line ends",
            "VERSION=1\r\n" + IniEntry(0, "%live%") + "\r\n3=TALVORN Core Inserter\r\n", RESULT_OK,
            "VERSION=1\r\n" + IniEntry(0, "%live%") + "\r\n3=TALVORN Core Inserter\r\n" + IniEntry(4) + "\r\n", Task::Refresh);
        EditRow("paini, refresh: ours appended after lines ended by a lone CR", "VERSION=1\r" + IniEntry(0, "%live%") + "\r",
            RESULT_OK, "VERSION=1\r" + IniEntry(0, "%live%") + "\r" + IniEntry(1) + "\r", Task::Refresh);
        EditRow("paini, refresh: a duplicate goes", IniEntry(0) + "\nx=y\n" + IniEntry(5) + "\n", RESULT_OK, IniEntry(0) + "\nx=y\n",
            Task::Refresh);
        EditRow("paini, refresh: an empty file, no blank line first", "", RESULT_OK, Native(IniEntry(0) + "\n"), Task::Refresh);
        EditRow("paini, refresh: only a dead line, no blank line first", IniEntry(3, "%gone%") + "\n", RESULT_OK,
            Native(IniEntry(0) + "\n"), Task::Refresh);
        EditRow("paini, refresh: created", absent, RESULT_OK, Native("VERSION=1\n" + IniEntry(0) + "\n"), Task::Refresh);
    }

    void edit() { CheckEditRow(Format::Ini); }
};

VIVADO_TEST_MAIN(TestUpdateIniFile)

#include "tst_updateinifile.moc"
