#include "xmlcommands/commandbatches.h"

namespace {
const QString placeholder = QStringLiteral("<vivado_integration_placeholder/>");
const QString commandEnd = QStringLiteral("</custom_command>");

bool IsSpace(QChar ch)
{
    return ch == QLatin1Char(' ') || ch == QLatin1Char('\t') || ch == QLatin1Char('\n') || ch == QLatin1Char('\r');
}

int SkipSpaces(const QString &text, int at)
{
    while (at < text.size() && IsSpace(text.at(at)))
        ++at;
    return at;
}

// Where the root's content begins, just past its start tag, or -1. Only declarations,
// comments and PIs may come before the root, because a document type's entities would not
// reach the batches.
int ContentStart(const QString &text)
{
    for (int at = SkipSpaces(text, 0); at < text.size(); at = SkipSpaces(text, at)) {
        const QStringRef rest = text.midRef(at);
        if (rest.startsWith(QLatin1String("<?")) || rest.startsWith(QLatin1String("<!--"))) {
            const QLatin1String close = rest.startsWith(QLatin1String("<?")) ? QLatin1String("?>") : QLatin1String("-->");
            const int end = text.indexOf(close, at);
            if (end < 0)
                return -1;
            at = end + close.size();
        } else if (rest.startsWith(QLatin1Char('<')) && !rest.startsWith(QLatin1String("<!"))) {
            QChar quote;
            for (++at; at < text.size(); ++at) {
                const QChar ch = text.at(at);
                if (!quote.isNull())
                    quote = ch == quote ? QChar() : quote;
                else if (ch == QLatin1Char('"') || ch == QLatin1Char('\''))
                    quote = ch;
                else if (ch == QLatin1Char('>'))
                    return text.at(at - 1) == QLatin1Char('/') ? -1 : at + 1;
            }
            return -1;
        } else {
            return -1;
        }
    }
    return -1;
}

// Whether a batch may begin here: after white space, which the DOM drops, with markup
// that isn't text. Whatever else may be wrong with the batch, its parse will tell.
bool MayBegin(const QString &text, int at, int end)
{
    at = SkipSpaces(text, at);
    return at < end && text.at(at) == QLatin1Char('<') && !text.midRef(at).startsWith(QLatin1String("<![CDATA["));
}
}

bool CommandBatches::Split(const QString &text, int commandsPerBatch)
{
    batches.clear();
    const int start = ContentStart(text);
    const int end = text.lastIndexOf(QLatin1String("</"));
    if (start < 0 || end < start || !MayBegin(text, start, end))
        return false;
    int from = start;
    int commands = 0;
    for (int at = text.indexOf(commandEnd, from); at >= 0 && at + commandEnd.size() < end; at = text.indexOf(commandEnd, at + 1)) {
        const int split = at + commandEnd.size();
        if (++commands >= commandsPerBatch && MayBegin(text, split, end)) {
            batches.append(text.midRef(from, split - from));
            from = split;
            commands = 0;
        }
    }
    batches.append(text.midRef(from, end - from));
    outline = text.left(start) + placeholder + text.midRef(end);
    return true;
}

bool CommandBatches::CutAtPlaceholder(const QString &written, QString &before, QString &after)
{
    const QString line = QLatin1Char(' ') + placeholder + QLatin1Char('\n');
    const int at = written.indexOf(line);
    if (at < 0 || written.indexOf(line, at + 1) >= 0)
        return false;
    before = written.left(at);
    after = written.mid(at + line.size());
    return true;
}
