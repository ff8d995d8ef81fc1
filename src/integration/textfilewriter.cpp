#include "integration/textfilewriter.h"

#include <QTextCodec>

TextFileWriter::TextFileWriter(const QString &filePath)
    : file(filePath)
{
    // A writable file in a read-only folder is still written, directly as before.
    file.setDirectWriteFallback(true);
}

bool TextFileWriter::Open()
{
    // Not in text mode: on Windows that would put a CR before every LF byte, even inside UTF-16
    // characters. Append() sets the line ends on the text instead.
    return file.open(QIODevice::WriteOnly);
}

void TextFileWriter::Start(QTextCodec *codec, bool byteOrderMark)
{
    encoder.reset(codec->makeEncoder(QTextCodec::IgnoreHeader));
    if (byteOrderMark) {
        const QChar mark = QChar::ByteOrderMark;
        WriteBytes(encoder->fromUnicode(&mark, 1));
    }
}

void TextFileWriter::Append(QString piece)
{
#ifdef Q_OS_WIN
    piece.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
#endif
    WriteBytes(encoder->fromUnicode(piece));
}

void TextFileWriter::WriteBytes(const QByteArray &bytes)
{
    failed = failed || file.write(bytes) != bytes.size();
}

bool TextFileWriter::Commit()
{
    // Qt 5's commit() can miss a short write on a full disk (QTBUG-75077), so check first.
    if (failed || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool TextFileWriter::Write(const QString &text, QTextCodec *codec, bool byteOrderMark)
{
    Start(codec, byteOrderMark);
    Append(text);
    return Commit();
}
