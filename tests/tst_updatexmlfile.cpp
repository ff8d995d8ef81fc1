// The commands.xml editor's edits, bytes in and bytes out, for each of the three tasks, and
// how it reads a command.
#include "testsupport.h"
#include "xmlcommands/updatexmlfile.h"

#include <QTextCodec>
#include <QtTest>

using namespace TestSupport;

namespace {
QByteArray Encoded(QTextCodec *codec, const QString &text, bool withMark)
{
    QTextCodec::ConverterState state(withMark ? QTextCodec::DefaultConversion : QTextCodec::IgnoreHeader);
    return codec->fromUnicode(text.constData(), text.size(), &state);
}
}

class TestUpdateXmlFile : public QObject
{
    Q_OBJECT

private slots:
    void edit_data()
    {
        AddEditColumns();
        EditRow("xml, created", absent, RESULT_OK, declaration + root10 + "\n" + Added(0));
        EditRow("xml, positions 5 and 2", Xml(Command(5, "a") + Command(2, "b")), RESULT_OK, "..." + Added(6));
        EditRow("xml, largest position wraps", Xml(Command(4294967295u, "a")), RESULT_OK, "..." + Added(0));
        EditRow("xml, missing position counts as 0", Xml("<custom_command/>"), RESULT_OK, "..." + Added(1));
        EditRow("xml, base and _2 taken", Xml(Command(0, base + "_2") + Command(1, base)), RESULT_OK, "..." + Added(2, base + "_3"));
        EditRow("xml, text beside the commands", Xml(Command(0, "a") + "tail"), RESULT_OK,
            "...</custom_command>tail<custom_command>\n" + Added(1).mid(18));
        EditRow("xml, _02 and _3 don't take _2", Xml(Command(0, base) + Command(1, base + "_02") + Command(2, base + "_3")), RESULT_OK,
            "..." + Added(3, base + "_2"));
        EditRow("xml, other letter case neither takes the name nor is recognised",
            Xml(Command(0, base.toLower()) + Command(1, "talvorn_core_inserter", script)), RESULT_OK, "..." + Added(2));
        EditRow("xml, own earlier entry not recognised", Xml(Command(0, base, script)), RESULT_OK, "..." + Added(1, base + "_2"));
        EditRow("xml, only the root's own commands count", Xml(Command(5, base) + "<x>" + Command(9, base + "_2") + "</x>"), RESULT_OK,
            "..." + Added(6, base + "_2"));
        EditRow("xml, last of two names, tags case-sensitive",
            Xml("<custom_command><name>" + base.toUtf8() + "</name><name>b</name><Position>4</Position></custom_command>"), RESULT_OK,
            "..." + Added(1));
        EditRow("xml, minor with letters reads 0", "<custom_commands major=\"1\" minor=\"b\">" + Command(2, "a") + "</custom_commands>",
            RESULT_OK, "..." + Added(3));
        EditRow("xml, recognised registration", Xml(Command(7, "Talvorn_Core_Inserter", script)), RESULT_OK, unchanged);
        EditRow("xml, Tcl-special folder", absent, RESULT_OK,
            "..." + Added(0, base, tcl).replace("C:/Tools [1]/$x/vivado_server.tcl", tclCommand), Task::Register, tcl);
        EditRow("xml, a quote in the folder escaped for Tcl", absent, RESULT_OK,
            "..." + Added(0, base, "C:/a\"b").replace("a\"b/vivado_server", "a\\\"b/vivado_server"), Task::Register, "C:/a\"b");
        // A Qt 5 program's default text stream writes the code page, whatever the declaration says.
        QTextCodec *codePage = QTextCodec::codecForName("windows-1252");
        const QString accented = QString::fromUtf8("C:/Prøgram Files/Tool");
        EditRow("xml, code-page bytes under a UTF-8 declaration", Named("Caf\xe9 \x80"), RESULT_OK,
            NamedWritten("Caf\xe9 \x80").replace(Added(1), codePage->fromUnicode(QString::fromUtf8(Added(1, base, accented)))),
            Task::Register, accented);
        EditRow("xml, recognised as substrings", Xml(Command(1, "A_Talvorn_Core_Inserter_1", "vivado_server.tcl.bak")), RESULT_OK,
            unchanged);
        EditRow("xml, the old name without the server script is no registration", Xml(Command(1, "Talvorn_Core_Inserter", "x.tcl")),
            RESULT_OK, "..." + Added(2));
        for (const QByteArray &root : {QByteArray("major='2' minor='0'"), QByteArray("major='1' minor='1'")})
            EditRow(qPrintable("xml, rewritten without a usable root: " + root),
                "<custom_commands " + root + "><custom_command><run_proc>TRUE</run_proc></custom_command></custom_commands>", RESULT_OK,
                "<custom_commands " + QByteArray(root).replace('\'', '"') + ">\n <custom_command>\n  <run_proc>TRUE</run_proc>\n"
                " </custom_command>\n</custom_commands>\n");

        EditRow("xml, empty", "", ERR_XML_READ_FAILED, unchanged);
        EditRow("xml, garbage", garbage, ERR_XML_READ_FAILED, unchanged);
        const QByteArray longLine(2 * 1024 * 1024, 'x');
        EditRow("xml, 2 MB line", Named(longLine), RESULT_OK, NamedWritten(longLine));
        EditRow("xml, byte-order mark kept", byteOrderMark + Named("a"), RESULT_OK, byteOrderMark + NamedWritten("a"));
        EditRow("xml, CRLF", Named("a").replace("\n", "\r\n"), RESULT_OK, NamedWritten("a"));
        const QByteArray deep = QByteArray("<a>").repeated(30000) + QByteArray("</a>").repeated(30000);
        const QByteArray deepAfterLongLine = "<name>" + longLine + "</name>" + QByteArray("<a>").repeated(300) + QByteArray("</a>").repeated(300);
        QByteArray bomb = "<!DOCTYPE c [<!ENTITY a0 \"aaaaaaaaaa\">";
        for (int level = 1; level < 9; ++level)
            bomb += "<!ENTITY a" + QByteArray::number(level) + " \"" + QByteArray("&a" + QByteArray::number(level - 1) + ";").repeated(10) + "\">";
        bomb += "]><custom_commands major=\"1\" minor=\"0\"><x>&a8;</x></custom_commands>";
        EditRow("xml, deeply nested", Xml(deep), ERR_XML_READ_FAILED, unchanged);
        EditRow("xml, nested deep after 2 MB", Xml(deepAfterLongLine), ERR_XML_READ_FAILED, unchanged);
        EditRow("xml, entity expansion bomb", bomb, ERR_XML_READ_FAILED, unchanged);
        QByteArray nestingEntities = "<!DOCTYPE custom_commands [<!ENTITY e0 '<a/>'>";
        for (int level = 1; level < 270; ++level)
            nestingEntities += "<!ENTITY e" + QByteArray::number(level) + " '<a>&e" + QByteArray::number(level - 1) + ";</a>'>";
        EditRow("xml, nested deep through entities", nestingEntities + "]>" + Xml("<x>&e269;</x>").mid(declaration.size()),
            ERR_XML_READ_FAILED, unchanged);

        // Depth and entities are judged before the DOM sees a file; it nests by recursion.
        const QByteArray roman = QString::fromUtf8("<\u2160>").toUtf8(), romanEnd = QString::fromUtf8("</\u2160>").toUtf8();
        EditRow("xml, nested deep under names Qt doesn't call letters", Xml(roman.repeated(30000) + romanEnd.repeated(30000)),
            ERR_XML_READ_FAILED, unchanged);
        EditRow("xml, 256 levels", Xml(QByteArray("<a>").repeated(255) + QByteArray("</a>").repeated(255)), RESULT_OK,
            "...</custom_command>\n</custom_commands>\n");
        EditRow("xml, 257 levels", Xml(QByteArray("<a>").repeated(256) + QByteArray("</a>").repeated(256)), ERR_XML_READ_FAILED,
            unchanged);
        EditRow("xml, 300 commands with empty elements",
            Xml(QByteArray("<custom_command><source name=\"USER\"/><a/></custom_command>").repeated(300)), RESULT_OK, "..." + Added(1));
        // The batch reader lays out the root around a placeholder line: the file's own look-alike is no place to cut.
        EditRow("xml, a comment before the root that looks like the placeholder",
            declaration + "<!-- <vivado_integration_placeholder/>\n-->" + root10 + Command(0, "a") + "</custom_commands>", RESULT_OK,
            "..." + Added(1));
        const QByteArray entity4k = "<!DOCTYPE custom_commands [<!ENTITY e '" + QByteArray(4000, 'e') + "'>]>";
        EditRow("xml, one entity used past the budget",
            entity4k + root10 + "<x>" + QByteArray("&e;").repeated(300) + "</x></custom_commands>", ERR_XML_READ_FAILED, unchanged);
        EditRow("xml, a large entity never used",
            "<!DOCTYPE custom_commands [<!ENTITY e '" + QByteArray(10000, 'e') + "'>]>" + root10 + "</custom_commands>", RESULT_OK,
            "...\n" + Added(0));
        // The three programs take and refuse the same files: one entity may expand to the
        // whole budget, and one character more is refused.
        const int budget = 1024 * 1024; // the README's 1 MiB
        for (const int size : {budget, budget + 1}) {
            const QByteArray once = "<!DOCTYPE custom_commands [<!ENTITY e '" + QByteArray(int(size), 'e') + "'>]>" + root10
                + "<x>&e;</x></custom_commands>";
            const quint32 result = size > budget ? ERR_XML_READ_FAILED : RESULT_OK;
            const QString name = size > budget ? "one character past the budget" : "the whole budget";
            EditRow(qPrintable("xml, removal: one entity used once, " + name), once, result, unchanged, Task::Remove);
            EditRow(qPrintable("xml, one entity used once, " + name), once, result, result == RESULT_OK ? "..." + Added(0) : unchanged);
            EditRow(qPrintable("xml, refresh: one entity used once, " + name), once, result,
                result == RESULT_OK ? Native("...</x>\n" + Added(0)) : unchanged, Task::Refresh);
        }
        const QByteArray doctype = "<!DOCTYPE custom_commands [";
        EditRow("xml, expansions in attribute values share the budget", doctype + "<!ENTITY e '" + QByteArray(1000, 'z') + "'>]>"
            + root10 + QByteArray("<a v='&e;'/>").repeated(1049) + "</custom_commands>", ERR_XML_READ_FAILED, unchanged);
        EditRow("xml, a tag from a character reference in an entity", doctype + "<!ENTITY o '&#x1003C;a>'>]>" + root10
            + QByteArray("&o;").repeated(300) + QByteArray("</a>").repeated(300) + "</custom_commands>", ERR_XML_READ_FAILED, unchanged);
        EditRow("xml, a comment opened by an entity hides end tags", doctype + "<!ENTITY c '<!--'>]>" + root10
            + QByteArray("<a>&c; </a> -->").repeated(300) + QByteArray("</a>").repeated(300) + "</custom_commands>", ERR_XML_READ_FAILED,
            unchanged);
        QByteArray chain = doctype;
        for (int link = 0; link < 70; ++link)
            chain += "<!ENTITY e" + QByteArray::number(link) + " '&e" + QByteArray::number(link + 1) + ";'>";
        EditRow("xml, entities nested past 64, the inner ones used first",
            chain + "<!ENTITY e70 'x'>]>" + root10 + "<x>&e50;&e0;</x></custom_commands>", ERR_XML_READ_FAILED, unchanged);
        QByteArray declarations = doctype;
        for (int entity = 0; entity < 1001; ++entity)
            declarations += "<!ENTITY e" + QByteArray::number(entity) + " 'x'>";
        EditRow("xml, more than 1,000 entity declarations", declarations + "]>" + root10 + "</custom_commands>", ERR_XML_READ_FAILED,
            unchanged);
        EditRow("xml, a folder above U+FFFF in a code-page file",
            "<?xml version='1.0' encoding='ISO-8859-1'?>\n" + root10 + "</custom_commands>\n", RESULT_OK,
            "..." + Added(0, base, "C:/x&#x1f600;"), Task::Register, QString::fromUtf8("C:/x😀"));
        for (const ushort nonCharacter : {0xFFFE, 0xFFFF})
            EditRow(qPrintable("xml, a folder that XML can't hold: U+" + QString::number(nonCharacter, 16).toUpper()), Named("a"),
                ERR_XML_OPEN_FAILED, unchanged, Task::Register, QString("C:/x") + QChar(nonCharacter));
        EditRow("xml, a folder that XML can't hold: half a surrogate pair", Named("a"), ERR_XML_OPEN_FAILED, unchanged,
            Task::Register, QString("C:/x") + QChar(0xD800) + "y");
        EditRow("xml, a parameter entity", doctype + "<!ENTITY % p \"<!ENTITY e 'x'>\"> %p;]>" + root10 + "</custom_commands>",
            ERR_XML_READ_FAILED, unchanged);
        EditRow("xml, a reference in an attribute default", doctype + "<!ENTITY e 'x'><!ATTLIST x a CDATA '&e;'>]>" + root10
            + "</custom_commands>", ERR_XML_READ_FAILED, unchanged);

        // Removal: the entries for the tool's own folder and for folders without a server script
        // (%gone%) go, and not one other byte; those of a live installation (%live%), of a share or
        // a drive that isn't there, other names and everything else stay.
        const QString gone = "%gone%";
        const QByteArray kept = Registered(3, base + "_3", "%live%") + Registered(4, base.toLower(), app) + Registered(5, base + "_x", app)
            + Registered(6, base + "_4", tcl) + Registered(7, base + "_5", "//server/share/tool") + Registered(8, base + "_6", "Q:/tool")
            + Registered(9, base + "_7", "/\\\\server/share/tool");
        EditRow("xml, removal: own and gone entries go",
            Xml(Command(0, "user") + Registered(1, base, app) + "<!--c-->" + Registered(2, base + "_2", gone) + kept), RESULT_OK,
            Xml(Command(0, "user") + "<!--c-->" + kept), Task::Remove);
        EditRow("xml, removal: the last one goes, the root stays", Xml(Command(0, base + "_2", "source \"" + tclCommand + "\" -notrace")),
            RESULT_OK, Xml(""), Task::Remove, tcl);
        EditRow("xml, removal: an entry alone on its line with blanks after it goes with the line",
            Xml("\n  " + Registered(0, base, app) + " \t\n"), RESULT_OK, Xml("\n"), Task::Remove);
        EditRow("xml, removal: not a child of the root", Xml("<group>" + Registered(0, base, app) + "</group>"), RESULT_OK, unchanged,
            Task::Remove);
        EditRow("xml, removal: not under a root of version 1.0",
            "<custom_commands major=\"2\" minor=\"0\">" + Registered(0, base, app) + "</custom_commands>", RESULT_OK, unchanged,
            Task::Remove);
        EditRow("xml, removal: a command without Tcl's escapes is no entry of the tool's",
            Xml(Command(0, base, "source \"" + tcl.toUtf8() + "/vivado_server.tcl\" -notrace")), RESULT_OK, unchanged, Task::Remove, tcl);
        const QByteArray userHead = "<?xml version='1.0' encoding=\"UTF-8\"?>\n<!DOCTYPE custom_commands [<!ENTITY e \"x\">]>\n"
                                    "<custom_commands minor=\"0\" major=\"1\">\r\n  <custom_command><name>u &e;</name>"
                                    "<menu_name> </menu_name><tooltip>&#9;</tooltip></custom_command>\r\n";
        EditRow("xml, removal: whole lines, or the entry alone, and every other byte",
            userHead + "  <custom_command>\r\n    <name>" + base.toUtf8() + "</name>\r\n    <command>source \"%gone%/vivado_server.tcl\" "
                "-notrace</command>\r\n  </custom_command>\r\n\t" + Registered(2, base + "_2", app) + "<!-- on its line -->\r\n</custom_commands>",
            RESULT_OK, userHead + "\t<!-- on its line -->\r\n</custom_commands>", Task::Remove);
        EditRow("xml, removal: two entries side by side after other markup keep the line end",
            Xml("\n<!--c-->" + Registered(1, base, gone) + Registered(2, base + "_2", gone) + "\n"), RESULT_OK, Xml("\n<!--c-->\n"), Task::Remove);
        EditRow("xml, removal: a byte-order mark and a stray byte kept", byteOrderMark + Xml("<!--caf\xe9-->" + Registered(0, base, app)),
            RESULT_OK, byteOrderMark + Xml("<!--caf\xe9-->"), Task::Remove);
        EditRow("xml, removal: nothing to remove", Xml(Registered(0, base, "%live%")), RESULT_OK, unchanged, Task::Remove);
        EditRow("xml, removal: no file", absent, RESULT_OK, unchanged, Task::Remove);
        EditRow("xml, removal: not XML", garbage, ERR_XML_READ_FAILED, unchanged, Task::Remove);
#ifdef Q_OS_WIN
        const QByteArray caseFolded = Xml("");
#else
        const QByteArray caseFolded = unchanged;
#endif
        EditRow("xml, removal: the own folder in other letter case only on Windows", Xml(Registered(0, base, app.toUpper())), RESULT_OK,
            caseFolded, Task::Remove);
        EditRow("xml, removal: an entry that comes out of an entity is refused, not cut wrong",
            "<!DOCTYPE custom_commands [<!ENTITY e '" + Registered(1, base, gone) + "'>]>\n" + root10 + "&e;&e;</custom_commands>",
            ERR_XML_READ_FAILED, unchanged, Task::Remove);
        EditRow("xml, removal: version 1.1", "<?xml version='1.1'?>" + root10 + Registered(0, base, app) + "</custom_commands>", RESULT_OK,
            "<?xml version='1.1'?>" + root10 + "</custom_commands>", Task::Remove);

        // Refresh: one own entry stays, dead ones and own duplicates go as the remover takes
        // them out; without an own entry one is added as the registration adds it.
        const QByteArray inOrder = Xml(Command(0, "user") + Registered(1, base, app) + Registered(2, base + "_2", "%live%"));
        EditRow("xml, refresh: in order, untouched", inOrder, RESULT_OK, unchanged, Task::Refresh);
        const QByteArray spacedEnd = "<custom_command><name>u</name></custom_command >";
        EditRow("xml, refresh: a duplicate and a dead entry go, every other byte stays",
            Xml(Command(0, "user") + Registered(1, base, app) + Registered(2, base + "_2", gone) + "<!--c-->" + Registered(3, base + "_3", app)
                + spacedEnd),
            RESULT_OK, Xml(Command(0, "user") + Registered(1, base, app) + "<!--c-->" + spacedEnd), Task::Refresh);
        EditRow("xml, refresh: added where only a dead entry was", Xml(Command(0, "user") + Registered(4, base, gone)), RESULT_OK,
            Native("..." + Added(1)), Task::Refresh);
        EditRow("xml, refresh: a version without our entry", Xml(Command(0, "user")), RESULT_OK, Native("..." + Added(1)), Task::Refresh);
        EditRow("xml, refresh: created", absent, RESULT_OK, Native(declaration + root10 + "\n" + Added(0)), Task::Refresh);
        EditRow("xml, refresh: an earlier registration under the old name, untouched",
            Xml(Command(7, "Talvorn_Core_Inserter", script) + Registered(1, base, gone)), RESULT_OK, unchanged, Task::Refresh);
        EditRow("xml, refresh: no usable root, untouched", "<custom_commands major='2' minor='0'>" + Registered(1, base, gone)
            + "</custom_commands>", RESULT_OK, unchanged, Task::Refresh);
        EditRow("xml, refresh: a root of 1.0 only by the document type's defaults, untouched",
            "<!DOCTYPE custom_commands [<!ATTLIST custom_commands minor CDATA '0'>]><custom_commands major='1'>" + Registered(1, base, gone)
                + "</custom_commands>", RESULT_OK, unchanged, Task::Refresh);
        EditRow("xml, refresh: not XML", garbage, ERR_XML_READ_FAILED, unchanged, Task::Refresh);
        // Without namespaces a prefixed name is another name, for every reader of the file.
        EditRow("xml, refresh: a prefixed root is no commands root, untouched", "<v:custom_commands major='1' minor='0' xmlns:v='v'>"
            + Registered(1, base, gone) + "</v:custom_commands>", RESULT_OK, unchanged, Task::Refresh);
        EditRow("xml, removal: a command with prefixed fields is no entry of the tool's", Xml("<custom_command xmlns:v='v'><v:name>"
            + base.toUtf8() + "</v:name><command>source \"%gone%/vivado_server.tcl\" -notrace</command></custom_command>"), RESULT_OK,
            unchanged, Task::Remove);

        // Declared encodings are kept; what Latin-1 can't encode is written as references.
        const QList<QStringList> encodings{{"ISO-8859-1", QString::fromUtf8("café ÿ"), QString::fromUtf8("C:/Prøgram Files/&#x5de5;&#x5177;")},
                                           {"UTF-8", QString::fromUtf8("café 工具 😀"), nonAscii},
                                           {"UTF-16", QString::fromUtf8("\u010a\u0d0e"), nonAscii},
                                           {"UTF-16LE", QString::fromUtf8("\u010a\u0d0e"), nonAscii}}; // without a mark
        for (const QStringList &encoding : encodings) {
            QTextCodec *codec = QTextCodec::codecForName(encoding[0].toLatin1());
            const bool mark = encoding[0] == "UTF-16";
            const QString name = "<custom_command><name>" + encoding[1] + "</name></custom_command>";
            const QString head = "<?xml version='1.0' encoding='" + encoding[0] + "'?>\n" + root10;
            // Line ends set before encoding: in UTF-16 they are two bytes each.
            QString written = head + "\n <custom_command>\n  <name>" + encoding[1] + "</name>\n </custom_command>\n"
                              + QString::fromUtf8(Added(1, base, encoding[2]));
            written = QString::fromUtf8(Native(written.toUtf8()));
            QTest::newRow(qPrintable("xml, " + encoding[0])) << Task::Register << nonAscii << QByteArray()
                << Encoded(codec, head + name + "</custom_commands>\n", mark) << RESULT_OK << Encoded(codec, written, mark);
        }
    }

    void edit() { CheckEditRow(Format::Xml); }

    // Fields kept only in memory, read by tag, exactly, the last of a tag winning.
    void readCommand_data()
    {
        QTest::addColumn<QString>("children");
        QTest::addColumn<QString>("read");

        QTest::newRow("every field") << "<position>7</position><name>n</name><menu_name>m</menu_name><command>c</command><tooltip>t</tooltip>"
                                        "<toolbar_icon>i</toolbar_icon><show_on_toolbar>TRUE</show_on_toolbar><run_proc>True</run_proc>"
                                        "<source name='USER'/>" << "7|n|m|c|t|i|1|1|USER";
        QTest::newRow("none") << "" << "0||||||0|0|";
        QTest::newRow("last wins, tags case-sensitive") << "<position>x</position><name>a</name><name>b</name><Name>c</Name>"
                                                           "<run_proc>yes</run_proc><source/>" << "0|b|||||0|0|";
    }

    void readCommand()
    {
        QFETCH(QString, children);
        QFETCH(QString, read);
        QDomDocument document;
        QVERIFY(document.setContent("<custom_command>" + children + "</custom_command>"));
        UpdateXmlFile editor;
        QCOMPARE(editor.ReadCommand(document.documentElement()), RESULT_OK);
        const CustomCommand &c = editor.Commands().value(0);
        QCOMPARE(QStringList({QString::number(c.position), c.name, c.menu_name, c.command, c.tooltip, c.toolbar_icon,
                              QString::number(c.show_on_toolbar), QString::number(c.run_proc), c.source}).join('|'), read);
    }
};

VIVADO_TEST_MAIN(TestUpdateXmlFile)

#include "tst_updatexmlfile.moc"
