#ifndef XMLENCODING_H
#define XMLENCODING_H

#include <QByteArray>
#include <QString>

class QTextCodec;

// How a commands.xml file's bytes become text and go back, so that every byte the tool
// doesn't change is written back as it was.
class XmlEncoding
{
public:
    // A new file's: UTF-8 without a byte-order mark.
    XmlEncoding();

    // Finds the encoding the bytes use and gives their text: the one that a byte-order
    // mark or the declaration names, else UTF-8, unless the bytes are not valid in it.
    // Then they are taken as the code page they were written in (the locale's, or
    // Windows' Western one), which gives every byte back unchanged.
    QString Decode(const QByteArray &bytes);

    QTextCodec *Codec() const { return codec; }
    bool ByteOrderMark() const { return byteOrderMark; }

private:
    QTextCodec *codec;
    bool byteOrderMark = false;
};

#endif // XMLENCODING_H
