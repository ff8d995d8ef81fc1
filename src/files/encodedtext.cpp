#include "files/encodedtext.h"

#include <QRegularExpression>
#include <QTextCodec>
#include <QVector>

namespace {
QTextCodec *Named(const char *name)
{
    return QTextCodec::codecForName(name);
}

// The text, when every byte is valid in the codec and, if asked, comes back from it.
bool Decodes(QTextCodec *codec, const QByteArray &bytes, QString &text, bool roundTrip)
{
    QTextCodec::ConverterState state;
    text = codec->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0 && (!roundTrip || codec->fromUnicode(text) == bytes);
}
}

TextEncoding::TextEncoding(QTextCodec *codec, const QByteArray &lead)
    : codec(codec), lead(lead)
{
}

QTextCodec *TextEncoding::Utf8()
{
    return Named("UTF-8");
}

bool TextEncoding::Read(const QByteArray &bytes, QTextCodec *expected, const Use &use)
{
    QByteArray lead;
    if (QTextCodec *marked = QTextCodec::codecForUtfText(bytes, nullptr)) {
        const QChar mark = QChar::ByteOrderMark;
        lead = bytes.left(QScopedPointer<QTextEncoder>(marked->makeEncoder(QTextCodec::IgnoreHeader))->fromUnicode(&mark, 1).size());
        QString text;
        if (Decodes(marked, bytes, text, false) || marked != Utf8())
            return use(TextEncoding(marked, lead), marked->toUnicode(bytes));
    }
    const QByteArray body = bytes.mid(lead.size());
    QString text;
    if (Decodes(expected, body, text, false) && use(TextEncoding(expected, lead), text))
        return true;
    QTextCodec *locale = QTextCodec::codecForLocale();
    for (QTextCodec *codePage : {locale, Named("windows-1252"), Named("ISO-8859-1")}) {
        if (codePage && codePage != expected && Decodes(codePage, body, text, true) && use(TextEncoding(codePage, lead), text))
            return true;
    }
    return use(TextEncoding(locale, lead), locale->toUnicode(body));
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
    return state.invalidChars == 0;
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
{
}

// Line ends are set on the text, not by a text-mode file: on Windows that would put a
// CR before every LF byte, even inside UTF-16 characters.
void EncodedText::Append(QString piece)
{
#ifdef Q_OS_WIN
    if (lineEnds == TextEncoding::LineEnds::Native)
        piece.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
#else
    Q_UNUSED(lineEnds)
#endif
    // Qt 5's UTF-32 encoder sizes its output by UTF-16 units: each pair of surrogates
    // leaves four bytes of whatever the memory held behind the text.
    if (utf32)
        bytes += encoder->fromUnicode(piece).left(4 * piece.toUcs4().size());
    else
        bytes += encoder->fromUnicode(piece);
}
