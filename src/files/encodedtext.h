#ifndef ENCODEDTEXT_H
#define ENCODEDTEXT_H

#include <QByteArray>
#include <QScopedPointer>
#include <QString>
#include <QTextEncoder>
#include <QVector>

#include <functional>

class QTextCodec;

// How a text file's bytes become text and go back, for both command files: the file is
// written back in the encoding it was read in, byte-order mark included, so that every
// byte the tool doesn't change stays as it was.
class TextEncoding
{
public:
    enum class LineEnds { Native, AsWritten };

    // A new file's: no byte-order mark. `lead`: the bytes written before the text, as read.
    explicit TextEncoding(QTextCodec *codec, const QByteArray &lead = QByteArray());

    // Offers the bytes' text to `use` in each encoding they can be read in, best first,
    // until it accepts one: the encoding a byte-order mark names; else `expected`, when
    // it gives every byte back; then the code pages that do (the locale's, Windows'
    // Western one, Latin-1); last the locale's, in which a line that isn't text there
    // keeps its bytes as they are (see Encode). A UTF-8 mark before bytes that aren't
    // UTF-8 is kept as it is, and the rest read as a file without it. False when `use`
    // accepted none.
    using Use = std::function<bool(const TextEncoding &encoding, const QString &text)>;
    static bool Read(const QByteArray &bytes, QTextCodec *expected, const Use &use);
    // The same for a file that its reader reads in the locale's encoding and no other:
    // no other code page is tried.
    static bool ReadInLocale(const QByteArray &bytes, const Use &use);

    // The locale's encoding, which reports every character it can't hold: on Windows the
    // ANSI code page as the system converts it (encodedtext_win.cpp).
    static QTextCodec *Locale();

    // The encoding that an XML declaration's text names, else UTF-8.
    static QTextCodec *Declared(const QString &declaration);
    // The encoding the start of an XML file's bytes declares, else UTF-8.
    static QTextCodec *DeclaredInXml(const QByteArray &bytes);
    static QTextCodec *Utf8();

    QTextCodec *Codec() const { return codec; }
    const QByteArray &Lead() const { return lead; }
    // Whether the codec holds every character: never a lone surrogate, so never the
    // stand-in for a byte that Read kept.
    bool CanEncode(const QString &text) const;
    // In an encoding that Read gave kept bytes, each lone surrogate U+DC80..U+DCFF is
    // written as the byte it stands for.
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

#endif // ENCODEDTEXT_H
