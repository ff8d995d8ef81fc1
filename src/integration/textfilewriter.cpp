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
    // characters. Write() sets the line ends on the text instead.
    return file.open(QIODevice::WriteOnly);
}

bool TextFileWriter::Write(QString text, QTextCodec *codec, bool byteOrderMark)
{
#ifdef Q_OS_WIN
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
#endif
    QTextCodec::ConverterState markState(QTextCodec::IgnoreHeader);
    QTextCodec::ConverterState textState(QTextCodec::IgnoreHeader);
    const QChar mark = QChar::ByteOrderMark;
    QByteArray bytes = byteOrderMark ? codec->fromUnicode(&mark, 1, &markState) : QByteArray();
    bytes += codec->fromUnicode(text.constData(), text.size(), &textState);

    // Qt 5's commit() can miss a short write on a full disk (QTBUG-75077), so check first.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
