#include "xmlcommands/xmlencoding.h"

#include <QRegularExpression>
#include <QTextCodec>

namespace {
QTextCodec *Named(const char *name)
{
    return QTextCodec::codecForName(name);
}

QTextCodec *Declared(const QByteArray &bytes)
{
    if (bytes.startsWith(QByteArray("<\0", 2)))
        return Named("UTF-16LE");
    if (bytes.startsWith(QByteArray("\0<", 2)))
        return Named("UTF-16BE");
    static const QRegularExpression declaration(
        QStringLiteral("^<\\?xml[^>]*?encoding\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"));
    const QRegularExpressionMatch match = declaration.match(QString::fromLatin1(bytes.left(1024)));
    QTextCodec *codec = Named((match.captured(1) + match.captured(2)).toLatin1().constData());
    return codec ? codec : Named("UTF-8");
}

// The text, when every byte is valid in the codec and comes back from it.
bool DecodesWhole(QTextCodec *codec, const QByteArray &bytes, QString &text, bool roundTrip)
{
    QTextCodec::ConverterState state;
    text = codec->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0 && (!roundTrip || codec->fromUnicode(text) == bytes);
}
}

XmlEncoding::XmlEncoding()
    : codec(Named("UTF-8"))
{
}

QString XmlEncoding::Decode(const QByteArray &bytes)
{
    QString text;
    codec = QTextCodec::codecForUtfText(bytes, nullptr);
    byteOrderMark = codec != nullptr;
    if (byteOrderMark)
        return codec->toUnicode(bytes);
    codec = Declared(bytes);
    if (DecodesWhole(codec, bytes, text, false))
        return text;
    // Latin-1 takes any byte, so the loop ends there at the latest.
    for (QTextCodec *candidate : {QTextCodec::codecForLocale(), Named("windows-1252"), Named("ISO-8859-1")}) {
        codec = candidate;
        if (candidate != nullptr && DecodesWhole(candidate, bytes, text, true))
            break;
    }
    return text;
}
