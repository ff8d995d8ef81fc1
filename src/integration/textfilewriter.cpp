#include "integration/textfilewriter.h"

TextFileWriter::TextFileWriter(const QString &filePath)
    : file(filePath)
{
    // A writable file in a read-only folder is still written, directly as before.
    file.setDirectWriteFallback(true);
}

bool TextFileWriter::Open()
{
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    stream.setDevice(&file);
    return true;
}

bool TextFileWriter::Commit()
{
    stream.flush();
    // Qt 5's commit() can miss a short write on a full disk (QTBUG-75077), so check first.
    if (stream.status() != QTextStream::Ok || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
