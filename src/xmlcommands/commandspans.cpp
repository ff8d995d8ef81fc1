#include "xmlcommands/commandspans.h"

#include "xmlcommands/customcommand.h"

#include <QXmlStreamReader>

namespace {
const QString commandTag = QStringLiteral("custom_command");

bool IsRoot(const QXmlStreamReader &reader)
{
    const QXmlStreamAttributes attributes = reader.attributes();
    const QString major = QStringLiteral("major");
    const QString minor = QStringLiteral("minor");
    return IsCommandsRoot(reader.name().toString(), attributes.hasAttribute(major), attributes.value(major).toString(),
                          attributes.hasAttribute(minor), attributes.value(minor).toString());
}

// The reader stands on a command's start tag; it is left on its end tag. A field's text
// is all the text below it, and the last of a field's elements wins.
void ReadFields(QXmlStreamReader &reader, CommandSpan &span)
{
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("name"))
            span.name = reader.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (reader.name() == QLatin1String("command"))
            span.command = reader.readElementText(QXmlStreamReader::IncludeChildElements);
        else
            reader.skipCurrentElement();
    }
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

bool Read(const QString &text, QVector<CommandSpan> &spans)
{
    QXmlStreamReader reader(text);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    bool inRoot = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement()) {
            --depth;
        } else if (reader.isStartElement() && ++depth == 1) {
            inRoot = IsRoot(reader);
        } else if (reader.isStartElement() && depth == 2 && inRoot && reader.name() == commandTag) {
            CommandSpan span;
            // The reader stands just past the start tag, which holds no other '<'.
            span.begin = text.lastIndexOf(QLatin1Char('<'), int(reader.characterOffset()) - 1);
            ReadFields(reader, span);
            --depth;
            span.end = int(reader.characterOffset());
            // Markup that came out of an entity has no place of its own in the text.
            if (!QStringRef(&text, span.begin, span.end - span.begin).startsWith(QLatin1Char('<') + commandTag))
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
