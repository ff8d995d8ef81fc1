#ifndef TEXTFILEWRITER_H
#define TEXTFILEWRITER_H

#include <QSaveFile>
#include <QString>
#include <QTextStream>

// Replaces a text file whole: the new text takes the old one's place only once
// all of it is written, so a failure part-way leaves the old file as it was.
class TextFileWriter
{
public:
    explicit TextFileWriter(const QString &filePath);

    // Write-only, text mode. False when the file can't be written; nothing changes then.
    bool Open();
    QTextStream &Stream() { return stream; }
    // Puts the new text in place, or drops it when any write failed (false).
    bool Commit();

private:
    QSaveFile file;
    QTextStream stream;
};

#endif // TEXTFILEWRITER_H
