#include "files/textencoding.h"

#include "files/filesystem.h"

#include <QRegularExpression>
#include <QTextCodec>
#include <QVector>

namespace {
QTextCodec *Named(const char *name)
{
    return QTextCodec::codecForName(name);
}

// Gives the text only when every byte is valid in the codec and comes back from it. A
// Unicode encoding gives back whatever it reads, but a code page may read two byte
// sequences as the same character, and would then write the user's bytes differently.
bool Decodes(QTextCodec *codec, const QByteArray &bytes, QString &text)
{
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader); // A byte-order mark inside the text is text.
    text = codec->toUnicode(bytes.constData(), bytes.size(), &state);
    static const QVector<int> unicode{106, 1013, 1014, 1015, 1017, 1018, 1019}; // UTF-8, -16 and -32
    return state.invalidChars == 0 && state.remainingChars == 0 && (unicode.contains(codec->mibEnum()) || codec->fromUnicode(text) == bytes);
}

// Read keeps a byte that is no text as a lone low surrogate, which no codec reads.
constexpr ushort firstKeptByte = 0xDC80;
constexpr ushort lastKeptByte = 0xDCFF;

// Reads each line with the codec when that gives every byte back. In any other line,
// each byte from 0x80 up becomes the lone surrogate that stands for it. Lines can be
// split safely, because line ends are ASCII in every encoding this reads, and never the
// second byte of a character.
QString WithKeptBytes(QTextCodec *codec, const QByteArray &bytes)
{
    QString text;
    for (int from = 0; from < bytes.size();) {
        int end = from;
        while (end < bytes.size() && bytes.at(end) != '\n' && bytes.at(end) != '\r')
            ++end;
        const QByteArray line = bytes.mid(from, end + 1 - from);
        QString decoded;
        if (Decodes(codec, line, decoded)) {
            text += decoded;
        } else {
            for (const char byte : line)
                text += uchar(byte) < 0x80 ? QChar(QLatin1Char(byte)) : QChar(ushort(firstKeptByte - 0x80 + uchar(byte)));
        }
        from = end + 1;
    }
    return text;
}
}

TextEncoding::TextEncoding(QTextCodec *codec, const QByteArray &lead)
    : codec(codec), lead(lead)
{
}

TextEncoding::TextEncoding(QTextCodec *codec, const QByteArray &lead, bool keepsBytes)
    : codec(codec), lead(lead), keepsBytes(keepsBytes)
{
}

QTextCodec *TextEncoding::Utf8()
{
    return Named("UTF-8");
}

bool TextEncoding::Read(const QByteArray &bytes, QTextCodec *expected, const Use &use)
{
    return Read(bytes, expected, {Locale(), Named("windows-1252"), Named("ISO-8859-1")}, use);
}

bool TextEncoding::ReadInLocale(const QByteArray &bytes, const Use &use)
{
    return Read(bytes, Locale(), {}, use);
}

bool TextEncoding::Read(const QByteArray &bytes, QTextCodec *expected, const QVector<QTextCodec *> &codePages, const Use &use)
{
    QByteArray lead;
    if (QTextCodec *marked = QTextCodec::codecForUtfText(bytes, nullptr)) {
        const QChar mark = QChar::ByteOrderMark;
        lead = bytes.left(QScopedPointer<QTextEncoder>(marked->makeEncoder(QTextCodec::IgnoreHeader))->fromUnicode(&mark, 1).size());
        QString text;
        if (Decodes(marked, bytes, text) || marked != Utf8())
            return use(TextEncoding(marked, lead), marked->toUnicode(bytes));
    }
    const QByteArray body = bytes.mid(lead.size());
    QString text;
    if (Decodes(expected, body, text) && use(TextEncoding(expected, lead), text))
        return true;
    for (QTextCodec *codePage : codePages) {
        if (codePage && codePage != expected && Decodes(codePage, body, text) && use(TextEncoding(codePage, lead), text))
            return true;
    }
    return use(TextEncoding(Locale(), lead, true), WithKeptBytes(Locale(), body));
}

QTextCodec *TextEncoding::Declared(const QString &declaration)
{
    static const QRegularExpression encoding(QStringLiteral("encoding\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"));
    const QRegularExpressionMatch match = encoding.match(declaration);
    QTextCodec *codec = match.hasMatch() ? QTextCodec::codecForName((match.captured(1) + match.captured(2)).toLatin1()) : nullptr;
    return codec ? codec : Utf8();
}

QTextCodec *TextEncoding::DeclaredInXml(const QByteArray &bytes)
{
    if (bytes.startsWith(QByteArray("<\0", 2)))
        return Named("UTF-16LE");
    if (bytes.startsWith(QByteArray("\0<", 2)))
        return Named("UTF-16BE");
    if (!bytes.startsWith("<?xml"))
        return Utf8();
    const int end = bytes.indexOf("?>");
    return Declared(QString::fromLatin1(bytes.left(end < 0 ? 1024 : end)));
}

bool TextEncoding::CanEncode(const QString &text) const
{
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    codec->fromUnicode(text.constData(), text.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0; // Anything left over is a high surrogate at the end.
}

QByteArray TextEncoding::Encode(const QString &text, LineEnds lineEnds) const
{
    EncodedText encoded(*this, lineEnds);
    encoded.Append(text);
    return encoded.Bytes();
}

EncodedText::EncodedText(const TextEncoding &encoding, TextEncoding::LineEnds lineEnds)
    : encoder(encoding.Codec()->makeEncoder(QTextCodec::IgnoreHeader))
    , bytes(encoding.Lead())
    , lineEnds(lineEnds)
    , utf32(QVector<int>{1017, 1018, 1019}.contains(encoding.Codec()->mibEnum())) // UTF-32, -BE, -LE
    , keepsBytes(encoding.KeepsBytes())
{
}

// Line ends are set on the text, not by a text-mode file: on Windows that would put a
// CR before every LF byte, even inside UTF-16 characters.
void EncodedText::Append(QString piece)
{
    if (lineEnds == TextEncoding::LineEnds::Native && FileSystem::NativeLineEnd() != QLatin1String("\n"))
        piece.replace(QLatin1Char('\n'), FileSystem::NativeLineEnd());
    if (!keepsBytes) {
        AppendEncoded(piece.constData(), piece.size());
        return;
    }
    int run = 0;
    for (int i = 0; i < piece.size(); ++i) {
        const ushort unit = piece.at(i).unicode();
        const bool keptByte = unit >= firstKeptByte && unit <= lastKeptByte && !afterHighSurrogate;
        afterHighSurrogate = QChar::isHighSurrogate(unit);
        if (!keptByte)
            continue;
        AppendEncoded(piece.constData() + run, i - run);
        bytes += char(unit - firstKeptByte + 0x80);
        run = i + 1;
    }
    AppendEncoded(piece.constData() + run, piece.size() - run);
}

void EncodedText::AppendEncoded(const QChar *chars, int size)
{
    // Qt 5's UTF-32 encoder sizes its output by UTF-16 units, so each pair of surrogates
    // leaves four bytes of whatever the memory held behind the text. They are cut off.
    if (utf32)
        bytes += encoder->fromUnicode(chars, size).left(4 * QStringView(chars, size).toUcs4().size());
    else
        bytes += encoder->fromUnicode(chars, size);
}
