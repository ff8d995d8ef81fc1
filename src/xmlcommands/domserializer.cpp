#include "xmlcommands/domserializer.h"

#include "files/textencoding.h"

#include <QTextCodec>
#include <QTextStream>

namespace {
constexpr int pieceSize = 1 << 20;
}

QTextCodec *DomSerializer::DeclaredCodec(const QDomDocument &document)
{
    const QDomNode first = document.firstChild();
    const bool declaration = first.isProcessingInstruction() && first.nodeName() == QLatin1String("xml");
    return TextEncoding::Declared(declaration ? first.nodeValue() : QString());
}

DomSerializer::DomSerializer(int indent, const Sink &sink, QTextCodec *codec)
    : codec(codec), indent(indent), sink(sink), encodable(0x10000, -1)
{
    pending.reserve(pieceSize + 4096);
}

void DomSerializer::Write(const QDomDocument &document)
{
    if (!codec)
        codec = DeclaredCodec(document);
    // Qt puts the DOCTYPE after the XML declaration, before the first other node.
    bool doctypeWritten = false;
    for (QDomNode node = document.firstChild(); !node.isNull(); node = node.nextSibling()) {
        const bool declaration = node.isProcessingInstruction() && node.nodeName() == QLatin1String("xml");
        if (!doctypeWritten && !declaration) {
            WriteByQt(document.doctype());
            doctypeWritten = true;
        }
        WriteNode(node, 0);
    }
    Flush();
}

void DomSerializer::WriteChildren(const QDomNode &parent, int depth)
{
    for (QDomNode node = parent.firstChild(); !node.isNull(); node = node.nextSibling())
        WriteNode(node, depth);
    Flush();
}

void DomSerializer::WriteNode(const QDomNode &node, int depth)
{
    switch (node.nodeType()) {
    case QDomNode::ElementNode:
        WriteElement(node.toElement(), depth);
        break;
    case QDomNode::TextNode:
        WriteEscaped(node.nodeValue(), !node.parentNode().isElement(), false);
        break;
    case QDomNode::CDATASectionNode:
        pending += QLatin1String("<![CDATA[") + node.nodeValue() + QLatin1String("]]>");
        break;
    case QDomNode::CommentNode:
        WriteComment(node, depth);
        break;
    case QDomNode::ProcessingInstructionNode:
        pending += QLatin1String("<?") + node.nodeName() + QLatin1Char(' ') + node.nodeValue() + QLatin1String("?>\n");
        break;
    default: // Qt writes entity references, as their text does not depend on the depth.
        WriteByQt(node);
    }
    if (pending.size() >= pieceSize)
        Flush();
}

// Elements and attributes are written without namespaces, because documents are parsed
// without namespace processing and built with createElement() and setAttribute().
void DomSerializer::WriteElement(const QDomElement &element, int depth)
{
    if (!element.previousSibling().isText())
        WriteIndent(depth);
    const QString name = element.tagName();
    pending += QLatin1Char('<') + name;
    // item() walks the attributes in the order Qt's serialiser writes them.
    const QDomNamedNodeMap attributes = element.attributes();
    for (int i = 0; i < attributes.length(); ++i) {
        const QDomNode attribute = attributes.item(i);
        pending += QLatin1Char(' ') + attribute.nodeName() + QLatin1String("=\"");
        WriteEscaped(attribute.nodeValue(), true, true);
        pending += QLatin1Char('"');
    }
    const QDomNode first = element.firstChild();
    if (first.isNull()) {
        pending += QLatin1String("/>");
    } else {
        pending += QLatin1Char('>');
        if (!first.isText())
            WriteLineEnd();
        for (QDomNode child = first; !child.isNull(); child = child.nextSibling())
            WriteNode(child, depth + 1);
        if (!element.lastChild().isText())
            WriteIndent(depth);
        pending += QLatin1String("</") + name + QLatin1Char('>');
    }
    if (!element.nextSibling().isText())
        WriteLineEnd();
}

void DomSerializer::WriteComment(const QDomNode &comment, int depth)
{
    if (!comment.previousSibling().isText())
        WriteIndent(depth);
    const QString text = comment.nodeValue();
    pending += QLatin1String("<!--") + text;
    if (text.endsWith(QLatin1Char('-')))
        pending += QLatin1Char(' ');
    pending += QLatin1String("-->");
    if (!comment.nextSibling().isText())
        pending += QLatin1Char('\n');
}

void DomSerializer::WriteByQt(const QDomNode &node)
{
    QString text;
    QTextStream stream(&text, QIODevice::WriteOnly);
    stream.setCodec(codec);
    node.save(stream, indent);
    stream.flush();
    pending += text;
}

// Escapes as Qt's own serialiser does, so that the file is the one Qt would write. "<"
// and "&" become entities, and so does a double quote in an attribute or in text outside
// the root element. A ">" right after "]]" becomes "&gt;", since "]]>" may not stand in
// text. CR in text, and LF and tab in an attribute, become character references, because
// a reader would otherwise turn them into a plain line end or space. A character the
// codec can't encode becomes a character reference too. Runs of plain characters are
// copied whole, because most text has nothing to escape.
void DomSerializer::WriteEscaped(const QString &text, bool quotes, bool attribute)
{
    const int start = pending.size();
    const QChar *chars = text.constData();
    int run = 0;
    for (int i = 0; i < text.size(); ++i) {
        const ushort unit = chars[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && chars[i + 1].isLowSurrogate()) {
            WritePair(chars, i, run);
            continue;
        }
        const bool markup = unit == '<' || unit == '&' || unit == '>' || unit == '\r' || (quotes && unit == '"')
            || (attribute && (unit == '\n' || unit == '\t'));
        if (!markup && CanEncode(chars[i]))
            continue;
        pending.append(chars + run, i - run);
        run = i + 1;
        if (unit == '<')
            pending += QLatin1String("&lt;");
        else if (unit == '"' && quotes)
            pending += QLatin1String("&quot;");
        else if (unit == '&')
            pending += QLatin1String("&amp;");
        else if (unit == '>')
            pending += pending.size() - start >= 2 && pending.endsWith(QLatin1String("]]")) ? QLatin1String("&gt;") : QLatin1String(">");
        else
            pending += QLatin1String("&#x") + QString::number(unit, 16) + QLatin1Char(';');
    }
    pending.append(chars + run, text.size() - run);
}

// A character above U+FFFF is two units, and a code page holds either both or neither.
// Qt asks about each alone and writes "?" and a reference to half a character, which gives
// a path that names no folder and a file that no XML reader takes. So the whole character
// becomes one reference.
void DomSerializer::WritePair(const QChar *chars, int &at, int &run)
{
    if (!codec->canEncode(QString(chars + at, 2))) {
        pending.append(chars + run, at - run);
        pending += QLatin1String("&#x") + QString::number(QChar::surrogateToUcs4(chars[at], chars[at + 1]), 16) + QLatin1Char(';');
        run = at + 2;
    }
    ++at;
}

bool DomSerializer::CanEncode(QChar ch)
{
    qint8 &known = encodable[ch.unicode()];
    if (known < 0)
        known = codec->canEncode(ch) ? 1 : 0;
    return known == 1;
}

void DomSerializer::WriteIndent(int depth)
{
    if (indent > 0)
        pending += QString(depth * indent, QLatin1Char(' '));
}

void DomSerializer::WriteLineEnd()
{
    if (indent != -1)
        pending += QLatin1Char('\n');
}

void DomSerializer::Flush()
{
    if (!pending.isEmpty())
        sink(pending);
    pending.resize(0);
}
