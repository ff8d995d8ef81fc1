#ifndef ENCODEDTEXT_H
#define ENCODEDTEXT_H

#include <QByteArray>
#include <QScopedPointer>
#include <QString>
#include <QTextEncoder>

class QTextCodec;

// The bytes of a text file: one encoding, a byte-order mark if asked, and the
// platform's line ends.
class EncodedText
{
public:
    EncodedText(QTextCodec *codec, bool byteOrderMark);

    void Append(QString piece);
    const QByteArray &Bytes() const { return bytes; }

private:
    QScopedPointer<QTextEncoder> encoder;
    QByteArray bytes;
};

#endif // ENCODEDTEXT_H
