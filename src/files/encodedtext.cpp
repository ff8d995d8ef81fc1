#include "files/encodedtext.h"

#include <QRegularExpression>
#include <QTextCodec>

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

TextEncoding::TextEncoding(QTextCodec *codec, bool byteOrderMark)
    : codec(codec), byteOrderMark(byteOrderMark)
{
}

QTextCodec *TextEncoding::Utf8()
{
    return Named("UTF-8");
}

bool TextEncoding::Read(const QByteArray &bytes, QTextCodec *expected, const Use &use)
{
    if (QTextCodec *marked = QTextCodec::codecForUtfText(bytes, nullptr))
        return use(TextEncoding(marked, true), marked->toUnicode(bytes));
    QString text;
    if (Decodes(expected, bytes, text, false) && use(TextEncoding(expected), text))
        return true;
    QTextCodec *locale = QTextCodec::codecForLocale();
    for (QTextCodec *codePage : {locale, Named("windows-1252"), Named("ISO-8859-1")}) {
        if (codePage && codePage != expected && Decodes(codePage, bytes, text, true) && use(TextEncoding(codePage), text))
            return true;
    }
    return use(TextEncoding(locale), locale->toUnicode(bytes));
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
    : encoder(encoding.Codec()->makeEncoder(QTextCodec::IgnoreHeader)), lineEnds(lineEnds)
{
    if (encoding.ByteOrderMark()) {
        const QChar mark = QChar::ByteOrderMark;
        bytes = encoder->fromUnicode(&mark, 1);
    }
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
    bytes += encoder->fromUnicode(piece);
}
