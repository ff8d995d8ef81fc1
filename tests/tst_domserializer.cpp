#include "testsupport.h"
#include "xmlcommands/domserializer.h"

#include <QApplication>
#include <QtTest>

// The serialiser must give byte for byte what QDomDocument::toString(1) gives.
class TestDomSerializer : public QObject
{
    Q_OBJECT

private slots:
    void sameAsQt_data()
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

    void sameAsQt()
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

VIVADO_TEST_MAIN(TestDomSerializer)

#include "tst_domserializer.moc"
