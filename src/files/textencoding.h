#ifndef TEXTENCODING_H
#define TEXTENCODING_H

#include <QByteArray>
#include <QScopedPointer>
#include <QString>
#include <QTextEncoder>
#include <QVector>

#include <functional>

class QTextCodec;

// Turns the bytes of either command file into text and back. The file is written back in
// the encoding it was read in, byte-order mark included, so that every byte the tool
// doesn't change stays as it was.
class TextEncoding
{
public:
    enum class LineEnds { Native, AsWritten };

    // Without `lead`, the encoding of a new file, which has no byte-order mark. `lead` holds
    // the bytes written before the text, as they were read.
    explicit TextEncoding(QTextCodec *codec, const QByteArray &lead = QByteArray());

    // Offers the bytes' text to `use` in each encoding they can be read in, best first,
    // until `use` accepts one. A byte-order mark decides the encoding. Without one,
    // `expected` comes first if it gives every byte back, then the code pages that do
    // (the locale's, Windows' Western one, Latin-1), and last the locale's, in which a
    // line that isn't text there keeps its bytes as they are (see Encode). A UTF-8 mark
    // before bytes that aren't UTF-8 is kept as it is, and the rest is read as a file
    // without a mark. Returns false when `use` accepted none.
    using Use = std::function<bool(const TextEncoding &encoding, const QString &text)>;
    static bool Read(const QByteArray &bytes, QTextCodec *expected, const Use &use);
    // The same for a file that its reader reads only in the locale's encoding, so no other
    // code page is tried.
    static bool ReadInLocale(const QByteArray &bytes, const Use &use);

    // The locale's encoding, as a codec that reports every character it can't hold. On
    // Windows it is the ANSI code page as the system converts it (textencoding_win.cpp).
    static QTextCodec *Locale();

    // The encoding that an XML declaration's text names, else UTF-8.
    static QTextCodec *Declared(const QString &declaration);
    // The encoding the start of an XML file's bytes declares, else UTF-8.
    static QTextCodec *DeclaredInXml(const QByteArray &bytes);
    static QTextCodec *Utf8();

    QTextCodec *Codec() const { return codec; }
    const QByteArray &Lead() const { return lead; }
    // Whether the codec can hold every character of the text. A lone surrogate never fits,
    // so the stand-in for a byte that Read kept never does either.
    bool CanEncode(const QString &text) const;
    // When Read kept bytes in this encoding, each lone surrogate U+DC80..U+DCFF is written
    // as the byte it stands for.
    QByteArray Encode(const QString &text, LineEnds lineEnds) const;
    bool KeepsBytes() const { return keepsBytes; }

private:
    TextEncoding(QTextCodec *codec, const QByteArray &lead, bool keepsBytes);
    static bool Read(const QByteArray &bytes, QTextCodec *expected, const QVector<QTextCodec *> &codePages, const Use &use);

    QTextCodec *codec;
    QByteArray lead;
    bool keepsBytes = false;
};

// A text written piece by piece in one encoding, so that a large file is never held as
// text and bytes whole at once.
class EncodedText
{
public:
    EncodedText(const TextEncoding &encoding, TextEncoding::LineEnds lineEnds);

    void Append(QString piece);
    const QByteArray &Bytes() const { return bytes; }

private:
    void AppendEncoded(const QChar *chars, int size);

    QScopedPointer<QTextEncoder> encoder;
    QByteArray bytes;
    const TextEncoding::LineEnds lineEnds;
    const bool utf32;
    const bool keepsBytes;
    bool afterHighSurrogate = false;
};

#endif // TEXTENCODING_H
