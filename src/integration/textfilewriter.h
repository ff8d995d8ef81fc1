#ifndef TEXTFILEWRITER_H
#define TEXTFILEWRITER_H

#include <QSaveFile>
#include <QString>

class QTextCodec;

// Replaces a text file whole: the new text takes the old one's place only once
// all of it is written, so a failure part-way leaves the old file as it was.
class TextFileWriter
{
public:
    explicit TextFileWriter(const QString &filePath);

    // False when the file can't be written; nothing changes then.
    bool Open();
    // Writes the text with the platform's line ends, encoded once by the codec and led
    // by its byte-order mark if asked. False when any of it failed: the old file stays.
    bool Write(QString text, QTextCodec *codec, bool byteOrderMark);

private:
    QSaveFile file;
};

#endif // TEXTFILEWRITER_H
