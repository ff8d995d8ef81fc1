#include "xmlcommands/xmldepthguard.h"

#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {
constexpr int maxEntityNesting = 64;

class EntitySizes
{
public:
    explicit EntitySizes(const QXmlStreamEntityDeclarations &declarations)
    {
        for (const QXmlStreamEntityDeclaration &entity : declarations)
            values.insert(entity.name().toString(), entity.value().toString());
    }

    bool WithinBudget()
    {
        for (auto entity = values.cbegin(); entity != values.cend(); ++entity) {
            if (Size(entity.key(), 0) > XmlDepthGuard::maxEntitySize)
                return false;
        }
        return true;
    }

private:
    // Counted from the declarations, before anything is expanded. A loop of entities
    // nests past the limit and so counts as too large.
    qint64 Size(const QString &name, int level)
    {
        if (level > maxEntityNesting)
            return XmlDepthGuard::maxEntitySize + 1;
        const auto known = sizes.constFind(name);
        if (known != sizes.cend())
            return *known;
        const auto value = values.constFind(name);
        if (value == values.cend())
            return 0; // external, predefined or undeclared: nothing expanded here
        static const QRegularExpression reference(QStringLiteral("&([^;&#\\s]+);"));
        qint64 size = value->size();
        for (auto match = reference.globalMatch(*value); match.hasNext() && size <= XmlDepthGuard::maxEntitySize;)
            size += Size(match.next().captured(1), level + 1);
        sizes.insert(name, size);
        return size;
    }

    QHash<QString, QString> values;
    QHash<QString, qint64> sizes;
};

// Whether the tag that starts at the position ends in "/>". It ends at its first '>'
// outside quotes, or where the next tag starts: '<' belongs in no tag.
bool IsEmptyElementTag(const QString &text, int position)
{
    QChar quote;
    for (int i = position + 1; i < text.size() && text[i] != QLatin1Char('<'); ++i) {
        const QChar ch = text[i];
        if (!quote.isNull())
            quote = ch == quote ? QChar() : quote;
        else if (ch == QLatin1Char('"') || ch == QLatin1Char('\''))
            quote = ch;
        else if (ch == QLatin1Char('>'))
            return text[i - 1] == QLatin1Char('/');
    }
    return false;
}

// Depth by the tags alone; comments, CDATA and processing instructions are skipped, so
// it can only count too deep, never too shallow.
int DeepestByTags(const QString &text, int from, int depth)
{
    int deepest = depth;
    for (int i = text.indexOf(QLatin1Char('<'), from); i >= 0; i = text.indexOf(QLatin1Char('<'), i + 1)) {
        const QStringRef rest = text.midRef(i);
        const char *skipTo = rest.startsWith(QLatin1String("<!--")) ? "-->"
            : rest.startsWith(QLatin1String("<![CDATA[")) ? "]]>"
            : rest.startsWith(QLatin1String("<?")) ? "?>" : nullptr;
        if (skipTo) {
            i = text.indexOf(QLatin1String(skipTo), i);
            if (i < 0)
                break;
        } else if (rest.startsWith(QLatin1String("</"))) {
            depth = qMax(0, depth - 1);
        } else if (rest.size() > 1 && (rest.at(1).isLetter() || rest.at(1) == QLatin1Char('_') || rest.at(1) == QLatin1Char(':'))) {
            if (!IsEmptyElementTag(text, i))
                deepest = qMax(deepest, ++depth);
        }
    }
    return deepest;
}
}

bool XmlDepthGuard::Accepts(const QString &text)
{
    // Without a document type there are no entities that could hold elements: the tags
    // alone tell the depth, and are counted in a fraction of a reader's time.
    if (!text.contains(QLatin1String("<!DOCTYPE")))
        return DeepestByTags(text, 0, 0) <= maxDepth;

    QXmlStreamReader reader(text);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement && ++depth > maxDepth)
            return false;
        if (token == QXmlStreamReader::EndElement)
            --depth;
        if (token == QXmlStreamReader::DTD && !EntitySizes(reader.entityDeclarations()).WithinBudget())
            return false;
    }
    if (!reader.hasError())
        return true;
    // The DOM may still take what this reader refused. Past that point entities can't be
    // followed, so a file that declares any is refused.
    if (text.contains(QLatin1String("<!ENTITY")))
        return false;
    return DeepestByTags(text, int(reader.characterOffset()), depth) <= maxDepth;
}
