#ifndef TEXTFILEWRITER_H
#define TEXTFILEWRITER_H

#include <QSaveFile>
#include <QScopedPointer>
#include <QString>
#include <QTextEncoder>

class QTextCodec;

// Replaces a text file whole: the new text takes the old one's place only once
// all of it is written, so a failure part-way leaves the old file as it was.
class TextFileWriter
{
public:
    explicit TextFileWriter(const QString &filePath);

    // False when the file can't be written; nothing changes then.
    bool Open();
    // The codec encodes each piece, and the text starts with its byte-order mark if asked.
    void Start(QTextCodec *codec, bool byteOrderMark);
    // Adds a piece of text, with the platform's line ends.
    void Append(QString piece);
    // False when any of it failed: the old file stays.
    bool Commit();
    bool Write(const QString &text, QTextCodec *codec, bool byteOrderMark);

private:
    void WriteBytes(const QByteArray &bytes);

    QSaveFile file;
    QScopedPointer<QTextEncoder> encoder;
    bool failed = false;
};

#endif // TEXTFILEWRITER_H
