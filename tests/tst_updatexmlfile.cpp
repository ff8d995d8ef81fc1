#include "testsupport.h"
#include "xmlcommands/domserializer.h"
#include "xmlcommands/updatexmlfile.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

using namespace TestSupport;

namespace {
const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const QByteArray root10 = "<custom_commands major=\"1\" minor=\"0\">";
const QByteArray script = "source \"C:/old/vivado_server.tcl\" -notrace";
const QString base = "TALVORN_Probe_Core_Inserter";

QByteArray Command(quint32 position, const QString &name, const QByteArray &command = "source x.tcl")
{
    return "<custom_command><position>" + QByteArray::number(position) + "</position><name>" + name.toUtf8()
           + "</name><command>" + command + "</command></custom_command>";
}

QList<CustomCommand> ReadBack(const QString &path)
{
    UpdateXmlFile reader;
    return reader.ReadFile(path) == RESULT_OK ? reader.Commands() : QList<CustomCommand>();
}
}

class TestUpdateXmlFile : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> dir;
    QString path;

private slots:
    void init()
    {
        dir.reset(new QTemporaryDir);
        path = dir->path() + "/commands.xml";
    }

    void newFileThenTwoMoreRuns()
    {
        QTest::ignoreMessage(QtDebugMsg, qPrintable("UpdateXmlFile::WriteFile - filePath = \"" + path + "\""));
        QCOMPARE(UpdateXmlFile().Update("D:/apps/inserter", path), RESULT_OK);
        QCOMPARE(ReadBytes(path), Native(declaration + root10 + "\n"
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
                 "</custom_commands>\n"));

        // The tool does not recognise its own entries, so each run adds one more.
        QTest::ignoreMessage(QtDebugMsg, qPrintable("UpdateXmlFile::ReadFile - filePath = \"" + path + "\""));
        for (int run = 0; run < 2; ++run)
            QCOMPARE(UpdateXmlFile().Update("C:/Program Files/Tool", path), RESULT_OK);
        const QList<CustomCommand> commands = ReadBack(path);
        QCOMPARE(commands.size(), 3);
        QCOMPARE(commands[2].position, 2u);
        QCOMPARE(commands[2].name, base + "_3");
        QCOMPARE(commands[2].command, QString("source \"C:/Program Files/Tool/vivado_server.tcl\" -notrace"));
        QCOMPARE(commands[2].toolbar_icon, QString("C:/Program Files/Tool/Talvorn_CI_A.png"));
    }

    void update_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<quint32>("position"); // of the added command
        QTest::addColumn<QString>("name");     // empty: nothing added, file untouched

        QTest::newRow("positions 0 and 3") << root10 + Command(0, "a") + Command(3, "b") << 4u << base;
        QTest::newRow("positions 5 and 2") << root10 + Command(5, "a") + Command(2, "b") << 6u << base;
        QTest::newRow("largest position wraps") << root10 + Command(4294967295u, "a") << 0u << base;
        QTest::newRow("missing position counts as 0") << root10 + "<custom_command/>" << 1u << base;
        QTest::newRow("base and _2 taken") << root10 + Command(0, base + "_2") + Command(1, base) << 2u << base + "_3";
        QTest::newRow("other letter case does not take it") << root10 + Command(0, base.toLower()) << 1u << base;
        QTest::newRow("own earlier entry not recognised") << root10 + Command(0, base, script) << 1u << base + "_2";
        QTest::newRow("only the root's own commands count") << root10 + Command(5, base) + "<x>" + Command(9, base + "_2") + "</x>"
                                                           << 6u << base + "_2";
        QTest::newRow("last of two names, tags case-sensitive") << root10 + "<custom_command><name>" + base.toUtf8() + "</name><name>b</name>"
                                                                   "<Position>4</Position></custom_command>" << 1u << base;
        QTest::newRow("minor with letters reads 0") << "<custom_commands major=\"1\" minor=\"b\">" + Command(2, "a") << 3u << base;
        QTest::newRow("recognised registration") << root10 + Command(7, "Talvorn_Core_Inserter", script) << 0u << "";
        QTest::newRow("recognised as substrings") << root10 + Command(1, "A_Talvorn_Core_Inserter_1", "vivado_server.tcl.bak")
                                                  << 0u << "";
    }

    void update()
    {
        QFETCH(QByteArray, before);
        QFETCH(quint32, position);
        QFETCH(QString, name);

        const QByteArray content = declaration + before + "</custom_commands>\n";
        WriteBytes(path, content);
        const QList<CustomCommand> existing = ReadBack(path);
        QCOMPARE(UpdateXmlFile().Update("/opt/tool", path), RESULT_OK);
        if (name.isEmpty()) {
            QCOMPARE(ReadBytes(path), content);
            return;
        }
        const QList<CustomCommand> after = ReadBack(path);
        QCOMPARE(after.size(), existing.size() + 1);
        QCOMPARE(after.last().position, position);
        QCOMPARE(after.last().name, name);
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<bool>("byteOrderMark");
        QTest::addColumn<QString>("name");

        QTest::newRow("ISO-8859-1 stays Latin-1") << QByteArray("ISO-8859-1") << false << QString::fromUtf8("café ÿ");
        QTest::newRow("UTF-8, astral characters") << QByteArray("UTF-8") << false << QString::fromUtf8("café 工具 😀");
        QTest::newRow("UTF-16 with 0x0D bytes") << QByteArray("UTF-16") << true << QString::fromUtf8("\u010d\u0d0e");
    }

    void encodings()
    {
        QFETCH(QByteArray, encoding);
        QFETCH(bool, byteOrderMark);
        QFETCH(QString, name);

        QTextCodec *codec = QTextCodec::codecForName(encoding);
        QTextCodec::ConverterState state(byteOrderMark ? QTextCodec::DefaultConversion : QTextCodec::IgnoreHeader);
        const QString text = "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n" + root10 + "<custom_command><name>" + name
                             + "</name></custom_command></custom_commands>\n";
        WriteBytes(path, codec->fromUnicode(text.constData(), text.size(), &state));
        const QString appFolder = QString::fromUtf8("C:/Prøgram Files/工具");
        QCOMPARE(UpdateXmlFile().Update(appFolder, path), RESULT_OK);

        const QByteArray written = ReadBytes(path);
        QCOMPARE(QTextCodec::codecForUtfText(written, nullptr) != nullptr, byteOrderMark);
        QTextCodec::ConverterState noHeader(QTextCodec::IgnoreHeader);
        QVERIFY(written.contains(codec->fromUnicode(name.constData(), name.size(), &noHeader)));
        const QList<CustomCommand> commands = ReadBack(path);
        QCOMPARE(commands.size(), 2);
        QCOMPARE(commands[0].name, name);
        QCOMPARE(commands[1].command, "source \"" + appFolder + "/vivado_server.tcl\" -notrace");
    }

    void rewrittenWithoutUsableRoot()
    {
        WriteBytes(path, "<custom_commands major='2' minor='0'><custom_command><run_proc>TRUE</run_proc></custom_command></custom_commands>");
        QCOMPARE(UpdateXmlFile().Update("/opt/tool", path), RESULT_OK);
        QCOMPARE(ReadBytes(path), Native("<custom_commands major=\"2\" minor=\"0\">\n <custom_command>\n"
                                         "  <run_proc>TRUE</run_proc>\n </custom_command>\n</custom_commands>\n"));
    }

    // The serialiser must give byte for byte what QDomDocument::toString(1) gives.
    void serializerSameAsQt_data()
    {
        QTest::addColumn<QString>("xml");

        QTest::newRow("nesting, empty elements, attributes") << "<?xml version='1.0' encoding='UTF-8'?><r a='1' b=\"x\"><c><d/></c><e></e></r>";
        QTest::newRow("escapes in text and attributes") << "<r a='&lt;&amp;&quot;&gt;]]&gt; &#9;&#10;&#13;'>&lt;&amp;\"]]&gt;&gt;]&gt;&#13;\n\t</r>";
        QTest::newRow("mixed content") << "<r>a<b>c</b>d<!--e--><f/>g<?h i?></r>";
        QTest::newRow("comments, CDATA, PIs") << "<?xml version='1.0'?><!--x--><?p q?><r><!-- y- --><![CDATA[<z>]]><?s t?></r><!--w-->";
        QTest::newRow("DOCTYPE and entities") << "<!DOCTYPE r [<!ENTITY e 'v'><!NOTATION n SYSTEM 'u'>]><r>&e;</r>";
        QTest::newRow("external DOCTYPE, skipped entity") << "<!DOCTYPE r SYSTEM 'r.dtd'><r>a&x;b</r>";
        QTest::newRow("Latin-1 cannot encode everything") << QString::fromUtf8("<?xml version='1.0' encoding='ISO-8859-1'?><r a='é工'>ÿ工😀</r>");
        QTest::newRow("UTF-8 encodes everything") << QString::fromUtf8("<r a='é工'>ÿ工😀\u0080</r>");
        QTest::newRow("large file in several pieces") << "<r>" + QString("<a>x</a>").repeated(300000) + "</r>";
    }

    void serializerSameAsQt()
    {
        QFETCH(QString, xml);
        QDomDocument document;
        QVERIFY(document.setContent(xml, false));
        document.documentElement().appendChild(document.createElement("added")).appendChild(document.createTextNode("t"));

        QString written;
        int pieces = 0;
        DomSerializer(1, [&](const QString &piece) { written += piece; ++pieces; }).Write(document);
        QCOMPARE(written, document.toString(1));
        QCOMPARE(pieces > 1, written.size() > (1 << 20));
    }
};

VIVADO_TEST_MAIN(TestUpdateXmlFile)

#include "tst_updatexmlfile.moc"
