#include "files/encodedtext.h"

#include <QTextCodec>

EncodedText::EncodedText(QTextCodec *codec, bool byteOrderMark, LineEnds lineEnds)
    : encoder(codec->makeEncoder(QTextCodec::IgnoreHeader)), lineEnds(lineEnds)
{
    if (byteOrderMark) {
        const QChar mark = QChar::ByteOrderMark;
        bytes = encoder->fromUnicode(&mark, 1);
    }
}

// Line ends are set on the text, not by a text-mode file: on Windows that would put a
// CR before every LF byte, even inside UTF-16 characters.
void EncodedText::Append(QString piece)
{
#ifdef Q_OS_WIN
    if (lineEnds == LineEnds::Native)
        piece.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
#else
    Q_UNUSED(lineEnds)
#endif
    bytes += encoder->fromUnicode(piece);
}
