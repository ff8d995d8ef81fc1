#include "testsupport.h"
#include "xmlcommands/domserializer.h"

#include <QDomDocument>
#include <QtTest>

class TestDomSerializer : public QObject
{
    Q_OBJECT

private slots:
    // The serialiser must give byte for byte what QDomDocument::toString() gives, at any indent.
    void serializerSameAsQt_data()
    {
        QTest::addColumn<QString>("xml");

        QTest::newRow("escapes in text and attributes") << "<r a='&lt;&amp;&quot;&gt;]]&gt; &#9;&#10;&#13;'>]]&gt;&lt;&amp;\"]]&gt;&gt;]&gt;&#13;\n\t</r>";
        QTest::newRow("mixed content, comments, CDATA, PIs") << "<?xml version='1.0'?><!---x--><?p q?><r>a<b>c</b>d<!-- y- --><f/>g"
                                                                "<![CDATA[<z>]]><?s t?><e></e></r><!--w-->";
        QTest::newRow("nested three deep, a comment inside") << "<r><a><b><c x='1'/><!--n--></b><d/></a></r>";
        QTest::newRow("text after or before an element") << "<r><a><b/>text</a><c>text<b/></c></r>";
        QTest::newRow("DOCTYPE and entities") << "<!DOCTYPE r [<!ENTITY e 'v'><!NOTATION n SYSTEM 'u'>]><r>&e;</r>";
        QTest::newRow("external DOCTYPE, skipped entity") << "<!DOCTYPE r SYSTEM 'r.dtd'><r>a&x;b</r>";
        QTest::newRow("Latin-1 cannot encode everything") << QString::fromUtf8("<?xml version='1.0' encoding='ISO-8859-1'?><r a='é工'>ÿ工</r>");
    }

    void serializerSameAsQt()
    {
        QFETCH(QString, xml);
        QDomDocument document;
        QVERIFY(document.setContent(xml, false));
        document.documentElement().appendChild(document.createElement("added")).appendChild(document.createTextNode("t"));

        for (const int indent : {1, 0, 3, -1}) {
            QString written;
            DomSerializer(indent, [&written](const QString &piece) { written += piece; }).Write(document);
            QCOMPARE(written, document.toString(indent));
        }
    }
};

VIVADO_TEST_MAIN(TestDomSerializer)

#include "tst_domserializer.moc"
