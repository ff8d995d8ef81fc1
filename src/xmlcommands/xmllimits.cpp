#include "xmlcommands/xmllimits.h"

#include <QHash>

#include <algorithm>

namespace {
// Entities inside entities are followed by recursion, and this limit keeps its stack
// small; Qt takes minutes over a chain of thousands anyway.
constexpr int maxEntityNesting = 64;
constexpr int maxEntities = 1000;

using Position = const ushort *;

Position Begin(const QString &text)
{
    return reinterpret_cast<Position>(text.constData());
}

Position End(const QString &text)
{
    return Begin(text) + text.size();
}

bool IsSpace(ushort c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsQuote(ushort c)
{
    return c == '"' || c == '\'';
}

Position Spaces(Position p, Position end)
{
    while (p < end && IsSpace(*p))
        ++p;
    return p;
}

bool At(Position p, Position end, const char *word)
{
    for (; *word; ++word, ++p) {
        if (p == end || *p != ushort(*word))
            return false;
    }
    return true;
}

// Moves p past the word if the word is at p.
bool Skip(Position &p, Position end, const char *word)
{
    if (!At(p, end, word))
        return false;
    p += qstrlen(word);
    return true;
}

// Moves p just past the first occurrence of the word, which is also where the reader ends
// a comment, CDATA or PI. One that an entity leaves open would hide the file's end tags
// from the reader but not from this count, so it is refused, as is one left open at the
// end of the file.
bool SkipPast(Position &p, Position end, const char *word)
{
    for (; p < end; ++p) {
        if (Skip(p, end, word))
            return true;
    }
    return false;
}

// Moves p past the '>' that ends a declaration. A '&' or '%' is refused, because Qt
// expands references in attribute defaults as it reads them, outside what is counted
// here, and a '%' would be a parameter entity.
bool SkipDeclaration(Position &p, Position end)
{
    ushort quote = 0;
    for (; p < end; ++p) {
        if (*p == '&' || *p == '%')
            return false;
        if (quote) {
            if (*p == quote)
                quote = 0;
        } else if (IsQuote(*p)) {
            quote = *p;
        } else if (*p == '>') {
            break;
        }
    }
    return p < end && *p++ == '>';
}

int DigitValue(ushort c, int base)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const int lower = c | 0x20;
    return base == 16 && lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Gives an entity's replacement text. Qt replaces the character references in an entity's value as it
// reads the declaration, so "&#60;a>" is a tag, and keeps only the low 16 bits of a code,
// so "&#x1003C;" is one as well. A '%' is refused: it would be a parameter entity, which
// Qt expands here.
bool Decode(Position p, Position end, QString &text)
{
    text.reserve(int(end - p));
    while (p < end) {
        if (*p == '%')
            return false;
        if (!At(p, end, "&#")) {
            text += QChar(*p++);
            continue;
        }
        p += 2;
        int base = 10;
        if (p < end && *p == 'x') {
            base = 16;
            ++p;
        }
        const Position digits = p;
        quint64 code = 0;
        for (int digit = 0; p < end && code <= 0xFFFFFFFF && (digit = DigitValue(*p, base)) >= 0; ++p)
            code = code * quint64(base) + quint64(digit);
        if (p == digits || p == end || *p != ';' || code > 0xFFFFFFFF)
            return false;
        text += QChar(ushort(code));
        ++p;
    }
    return true;
}

// What a stretch of text brings where the reader meets it: characters expanded from
// entities, and element levels relative to where it starts.
struct Tally
{
    qint64 expanded = 0;
    int depth = 0;
    int deepest = 0;
    int nesting = 0; // How deep entities nest within entities, for an entity's own tally.

    bool Open()
    {
        deepest = qMax(deepest, ++depth);
        return deepest <= XmlLimits::maxDepth;
    }

    // Levels that an entity closes are not taken off, because counting too deep is safe,
        // and counting too shallow is not.
    bool Add(const Tally &entity)
    {
        expanded += entity.expanded;
        nesting = qMax(nesting, entity.nesting);
        deepest = qMax(deepest, depth + entity.deepest);
        depth += qMax(0, entity.depth);
        return expanded <= XmlLimits::maxExpansion && deepest <= XmlLimits::maxDepth;
    }
};

// One pass over the text that can only count too deep, never too shallow, as every tag
// that isn't an end tag or empty counts, whatever its name. Entities are measured from their
// declarations, never expanded.
class Scanner
{
public:
    bool Accepts(const QString &text)
    {
        Tally tally;
        return Content(Begin(text), End(text), tally);
    }

private:
    struct Entity
    {
        QString text;
        Tally tally;
        enum { Unmeasured, Measuring, Measured } state = Unmeasured;
    };

    bool Content(Position p, Position end, Tally &tally);
    bool Markup(Position &p, Position end, Tally &tally);
    bool StartTag(Position &p, Position end, Tally &tally);
    bool Reference(Position &p, Position end, Tally &tally);
    bool Measure(Entity &entity);
    bool Doctype(Position &p, Position end);
    bool Declaration(Position &p, Position end);
    bool EntityDeclaration(Position &p, Position end);

    QHash<QString, Entity> entities;
    bool doctypeAllowed = true;
    int nesting = 0;
};

bool Scanner::Content(Position p, Position end, Tally &tally)
{
    while (p < end) {
        if (*p == '<') {
            if (!Markup(p, end, tally))
                return false;
        } else if (*p == '&') {
            if (!Reference(p, end, tally))
                return false;
        } else {
            ++p;
        }
    }
    return true;
}

bool Scanner::Markup(Position &p, Position end, Tally &tally)
{
    if (Skip(p, end, "</")) {
        --tally.depth;
        return true;
    }
    if (Skip(p, end, "<!--"))
        return SkipPast(p, end, "-->");
    if (Skip(p, end, "<![CDATA["))
        return SkipPast(p, end, "]]>");
    if (Skip(p, end, "<?"))
        return SkipPast(p, end, "?>");
    // Qt also reads a second document type, whose entities replace the first's, so a
    // second one is refused.
    if (Skip(p, end, "<!DOCTYPE"))
        return doctypeAllowed && Doctype(p, end);
    return StartTag(p, end, tally);
}

// An entity's text may end inside a tag that the file goes on to close, so a tag that is
// still open at the end counts as an open element.
bool Scanner::StartTag(Position &p, Position end, Tally &tally)
{
    doctypeAllowed = false;
    ushort quote = 0;
    for (++p; p < end;) {
        // Quoted or not, a '<' in a tag stops the DOM before it builds the element.
        if (*p == '<')
            return false;
        if (*p == '&') {
            if (!Reference(p, end, tally))
                return false;
            continue;
        }
        const ushort c = *p++;
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (IsQuote(c)) {
            quote = c;
        } else if (c == '>') {
            return p[-2] == '/' || tally.Open();
        }
    }
    return tally.Open();
}

// Character references, the five predefined entities and undeclared ones are not in the
// table, and an external entity is in it with no text: none of them expands to anything
// counted here.
bool Scanner::Reference(Position &p, Position end, Tally &tally)
{
    const Position name = ++p;
    while (p < end && !IsSpace(*p) && !IsQuote(*p) && *p != ';' && *p != '<' && *p != '>' && *p != '&')
        ++p;
    if (p == end || *p != ';')
        return true;
    const auto entity = entities.find(QString::fromRawData(reinterpret_cast<const QChar *>(name), int(p - name)));
    ++p;
    return entity == entities.end() || (Measure(*entity) && tally.Add(entity->tally));
}

// Measures each entity once, however often it is used. Qt refuses an entity that contains itself
// when it meets one, and so does this.
bool Scanner::Measure(Entity &entity)
{
    if (entity.state == Entity::Measured)
        return true;
    if (entity.state == Entity::Measuring || nesting == maxEntityNesting)
        return false;
    entity.state = Entity::Measuring;
    entity.tally.expanded = entity.text.size();
    ++nesting;
    const bool measured = Content(Begin(entity.text), End(entity.text), entity.tally);
    --nesting;
    entity.state = Entity::Measured;
    // As an entity is measured only once, its depth of nesting travels with its tally, so
    // that a chain whose inner links were used first counts as deep as one met from its
    // top.
    return measured && ++entity.tally.nesting <= maxEntityNesting;
}

// Reads the document type as far as it is understood: entity declarations, and the declarations, comments
// and PIs around them. Vivado writes no DTD, so anything else is refused.
bool Scanner::Doctype(Position &p, Position end)
{
    doctypeAllowed = false;
    // The quoted strings of an external id may hold a '[' or '>'.
    for (; p < end && *p != '[' && *p != '>'; ++p) {
        if (IsQuote(*p) && (p = std::find(p + 1, end, *p)) == end)
            return false;
    }
    if (p == end)
        return false;
    if (*p++ == '>')
        return true;
    for (p = Spaces(p, end); p < end && *p != ']'; p = Spaces(p, end)) {
        if (!Declaration(p, end))
            return false;
    }
    if (p == end)
        return false;
    p = Spaces(p + 1, end);
    return p < end && *p++ == '>';
}

bool Scanner::Declaration(Position &p, Position end)
{
    if (Skip(p, end, "<!--"))
        return SkipPast(p, end, "-->");
    if (Skip(p, end, "<?"))
        return SkipPast(p, end, "?>");
    if (Skip(p, end, "<!ENTITY"))
        return EntityDeclaration(p, end);
    return (Skip(p, end, "<!ELEMENT") || Skip(p, end, "<!ATTLIST") || Skip(p, end, "<!NOTATION")) && SkipDeclaration(p, end);
}

// Parameter entities are refused, because Qt expands them into further declarations and
// into entity values, which this would have to follow.
bool Scanner::EntityDeclaration(Position &p, Position end)
{
    const Position name = Spaces(p, end);
    if (name == p || name == end || *name == '%')
        return false;
    p = name;
    while (p < end && !IsSpace(*p))
        ++p;
    const QString key(reinterpret_cast<const QChar *>(name), int(p - name));
    // Qt keeps the first of two declarations of a name, which is refused rather than
    // relied on. The number of entities is limited, because Qt's reader takes time that
    // grows with the square of the declarations, used or not.
    if (entities.contains(key) || entities.size() == maxEntities)
        return false;
    Entity &entity = entities[key];
    p = Spaces(p, end);
    // Qt loads no external entity: a reference to one stays an empty node.
    if (At(p, end, "SYSTEM") || At(p, end, "PUBLIC"))
        return SkipDeclaration(p, end);
    if (p == end || !IsQuote(*p))
        return false;
    const Position value = p + 1;
    p = std::find(value, end, *p);
    if (p == end || !Decode(value, p, entity.text))
        return false;
    p = Spaces(p + 1, end);
    return p < end && *p++ == '>';
}
}

bool XmlLimits::Accepts(const QString &text)
{
    return Scanner().Accepts(text);
}
