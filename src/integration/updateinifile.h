#ifndef UPDATEINIFILE_H
#define UPDATEINIFILE_H

#include "files/fileedit.h"
#include "messages/resultcodes.h"

#include <QString>
#include <QStringList>

class QTextCodec;

// Creates or edits commands.paini, the custom command file of Vivado before 2018.
class UpdateIniFile
{
public:
    ResultCode Update(const QString &appFolder, const QString &filePath);
    // Removes the lines this tool wrote for the application folder, or for a folder whose
    // server script is gone; every other byte stays. A file with none stays untouched.
    ResultCode Remove(const QString &appFolder, const QString &filePath);

    static bool FileExists(const QString &filePath);
    ResultCode CreateNewFile(const QString &filePath);
    ResultCode UpdateExistingFile(const QString &filePath);
    ResultCode ReadLines(const QString &filePath, QStringList &lines);
    ResultCode InsertEntry(QStringList &lines);
    ResultCode ReplaceEntry(QStringList &lines, qint32 index);
    ResultCode AppendEntry(QStringList &lines);
    static ResultCode ReadEntryNumber(const QString &line, qint32 &number);
    QString MakeEntry(qint32 keyNumber) const;
    // What follows the key and "=" in the entry line for the folder.
    static QString EntryValue(const QString &appFolder);
    ResultCode WriteLines(const QString &filePath, const QStringList &lines);

private:
    static bool NamesCommand(const QString &line);
    static qint32 NextKey(const QStringList &lines);
    QString Decode(const QByteArray &bytes);
    ResultCode Write(const QString &filePath, const QString &text, ResultCode failure);
    ResultCode RemoveOnce(const QString &filePath);
    bool IsToBeRemoved(const QString &line) const;

    QString appFolder;
    // How the file read was encoded, so that it is written back the same way.
    QTextCodec *codec = nullptr;
    bool byteOrderMark = false;
    FileEdit file;
};

#endif // UPDATEINIFILE_H
