#ifndef ENCODEDTEXT_H
#define ENCODEDTEXT_H

#include <QByteArray>
#include <QScopedPointer>
#include <QString>
#include <QTextEncoder>

class QTextCodec;

// The bytes of a text file: one encoding, a byte-order mark if asked, and the
// platform's line ends unless the text keeps its own.
class EncodedText
{
public:
    enum class LineEnds { Native, AsWritten };

    EncodedText(QTextCodec *codec, bool byteOrderMark, LineEnds lineEnds = LineEnds::Native);

    void Append(QString piece);
    const QByteArray &Bytes() const { return bytes; }

private:
    QScopedPointer<QTextEncoder> encoder;
    QByteArray bytes;
    const LineEnds lineEnds;
};

#endif // ENCODEDTEXT_H
