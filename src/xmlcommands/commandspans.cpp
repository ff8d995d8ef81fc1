#include "xmlcommands/commandspans.h"

#include "xmlcommands/customcommand.h"
#include "xmlcommands/xmllimits.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {
const QString commandTag = QStringLiteral("custom_command");

// Without namespace processing, a prefixed name is a different name, as the DOM reads it,
// so names are compared whole, prefix and all, never by their local part alone.
bool IsRoot(const QXmlStreamReader &reader)
{
    // Attribute defaults from the document type count for the stream reader but not for
    // the DOM, so they are left out.
    QXmlStreamAttributes attributes;
    for (const QXmlStreamAttribute &attribute : reader.attributes()) {
        if (!attribute.isDefault())
            attributes.append(attribute);
    }
    const QString major = QStringLiteral("major");
    const QString minor = QStringLiteral("minor");
    return IsCommandsRoot(reader.qualifiedName().toString(), attributes.hasAttribute(major), attributes.value(major).toString(),
                          attributes.hasAttribute(minor), attributes.value(minor).toString());
}

// The reader stands on a command's start tag and is left on its end tag. A field's text
// is all the text below it, and the last of a field's elements wins.
void ReadFields(QXmlStreamReader &reader, CommandSpan &span)
{
    while (reader.readNextStartElement()) {
        if (reader.qualifiedName() == QLatin1String("name"))
            span.name = reader.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (reader.qualifiedName() == QLatin1String("command"))
            span.command = reader.readElementText(QXmlStreamReader::IncludeChildElements);
        else
            reader.skipCurrentElement();
    }
}

// Qt's stream reader knows only XML 1.0, and the DOM reads a file of version 1.1 as 1.0,
// so the stream reader is given such a file as version 1.0.
QString ReadableVersion(const QString &text)
{
    static const QRegularExpression version(QStringLiteral("^<\\?xml\\s+version\\s*=\\s*[\"']1\\.1"));
    const QRegularExpressionMatch match = version.match(text);
    return match.hasMatch() ? QString(text).replace(match.capturedEnd() - 1, 1, QLatin1Char('0')) : text;
}

// Whether the span is one whole custom_command element of the text, after the previous
// one.
bool IsCommandAt(const QString &text, const CommandSpan &span, int previousEnd)
{
    if (span.begin < previousEnd || span.end <= span.begin || span.end > text.size() || text.at(span.end - 1) != QLatin1Char('>'))
        return false;
    const QStringRef element = text.midRef(span.begin, span.end - span.begin);
    const QChar after = element.size() > commandTag.size() + 1 ? element.at(commandTag.size() + 1) : QChar();
    static const QRegularExpression endTag(QStringLiteral("</") + commandTag + QStringLiteral("[ \t\r\n]*>$"));
    return element.startsWith(QLatin1Char('<') + commandTag)
        && (after == QLatin1Char('>') || after == QLatin1Char('/') || after.isSpace())
        && (element.endsWith(QLatin1String("/>")) || endTag.match(element).hasMatch());
}

bool IsLineEnd(QChar ch)
{
    return ch == QLatin1Char('\n') || ch == QLatin1Char('\r');
}

bool IsIndent(QChar ch)
{
    return ch == QLatin1Char(' ') || ch == QLatin1Char('\t');
}
}

namespace CommandSpans {

bool Read(const QString &text, QVector<CommandSpan> &spans, bool *hasRoot)
{
    QXmlStreamReader reader(ReadableVersion(text));
    reader.setNamespaceProcessing(false);
#if QT_VERSION >= QT_VERSION_CHECK(5, 15, 0)
    // The document's budget of expansions was checked before, as for the registration. The
    // reader's own limit on one entity (4,096 characters since Qt 5.15; none before) would
    // refuse a file that the registration takes.
    reader.setEntityExpansionLimit(int(XmlLimits::maxExpansion));
#endif
    int depth = 0;
    bool inRoot = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement()) {
            --depth;
        } else if (reader.isStartElement() && ++depth == 1) {
            inRoot = IsRoot(reader);
            if (hasRoot)
                *hasRoot = inRoot;
        } else if (reader.isStartElement() && depth == 2 && inRoot && reader.qualifiedName() == commandTag) {
            CommandSpan span;
            // The reader stands just past the start tag, which holds no other '<'.
            span.begin = text.lastIndexOf(QLatin1Char('<'), int(reader.characterOffset()) - 1);
            ReadFields(reader, span);
            --depth;
            span.end = int(reader.characterOffset());
            // A command that came out of an entity has no place of its own in the text, and
            // neither has one whose offsets the reader counts otherwise (after a second
            // byte-order mark). Such a text is refused rather than cut wrong.
            if (!IsCommandAt(text, span, spans.isEmpty() ? 0 : spans.last().end))
                return false;
            spans.append(span);
        }
    }
    return !reader.hasError();
}

QString Without(const QString &text, const QVector<CommandSpan> &spans)
{
    QString kept;
    kept.reserve(text.size());
    int from = 0;
    for (const CommandSpan &span : spans) {
        int begin = span.begin;
        int end = span.end;
        while (begin > from && IsIndent(text.at(begin - 1)))
            --begin;
        int lineEnd = end;
        while (lineEnd < text.size() && IsIndent(text.at(lineEnd)))
            ++lineEnd;
        const bool startsLine = begin == 0 || IsLineEnd(text.at(begin - 1));
        const bool endsLine = lineEnd == text.size() || IsLineEnd(text.at(lineEnd));
        if (startsLine && endsLine) {
            if (text.midRef(lineEnd, 2) == QLatin1String("\r\n"))
                lineEnd += 2;
            else if (lineEnd < text.size())
                ++lineEnd;
            end = lineEnd;
        } else {
            begin = span.begin;
        }
        kept += text.midRef(from, begin - from);
        from = end;
    }
    kept += text.midRef(from);
    return kept;
}

} // namespace CommandSpans
