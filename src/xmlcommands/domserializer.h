#ifndef DOMSERIALIZER_H
#define DOMSERIALIZER_H

#include <QDomDocument>
#include <QString>

#include <functional>
#include <vector>

class QTextCodec;

// Gives exactly the text of QDomDocument::toString(indent), piece by piece. Qt's own
// serialiser asks the codec about every single character of every text and builds
// one string of the whole file, which makes writing a large file slow. There is one
// difference: a character above U+FFFF that the codec can't hold becomes one reference, not two.
class DomSerializer
{
public:
    using Sink = std::function<void(const QString &piece)>;

    // The encoding that the document declares, else UTF-8, found as toString() finds it.
    static QTextCodec *DeclaredCodec(const QDomDocument &document);

    // Writes for the codec given, else for the one the document declares.
    DomSerializer(int indent, const Sink &sink, QTextCodec *codec = nullptr);
    void Write(const QDomDocument &document);
    // Writes the node's children as Write() gives them at that depth.
    void WriteChildren(const QDomNode &parent, int depth);

private:
    void WriteNode(const QDomNode &node, int depth);
    void WriteElement(const QDomElement &element, int depth);
    void WriteComment(const QDomNode &comment, int depth);
    void WriteByQt(const QDomNode &node);
    void WriteEscaped(const QString &text, bool quotes, bool attribute);
    void WritePair(const QChar *chars, int &at, int &run);
    void WriteIndent(int depth);
    void WriteLineEnd();
    bool CanEncode(QChar ch);
    void Flush();

    QTextCodec *codec = nullptr;
    const int indent;
    const Sink sink;
    QString pending;
    std::vector<qint8> encodable; // For each UTF-16 unit, -1 until the codec is asked, then its answer.
};

#endif // DOMSERIALIZER_H
