#ifndef UPDATEINIFILE_H
#define UPDATEINIFILE_H

#include "messages/resultcodes.h"

#include <QString>
#include <QStringList>

// Creates or edits commands.paini, the custom command file of Vivado before 2018.
class UpdateIniFile
{
public:
    ResultCode Update(const QString &appFolder, const QString &filePath);

    static bool FileExists(const QString &filePath);
    ResultCode CreateNewFile(const QString &filePath);
    ResultCode UpdateExistingFile(const QString &filePath);
    static ResultCode ReadLines(const QString &filePath, QStringList &lines);
    ResultCode InsertEntry(QStringList &lines);
    ResultCode ReplaceEntry(QStringList &lines, qint32 index);
    ResultCode AppendEntry(QStringList &lines);
    static ResultCode ReadEntryNumber(const QString &line, qint32 &number);
    QString MakeEntry(qint32 keyNumber) const;
    static ResultCode WriteLines(const QString &filePath, const QStringList &lines);

private:
    static bool NamesCommand(const QString &line);
    static qint32 NextKey(const QStringList &lines);

    QString appFolder;
};

#endif // UPDATEINIFILE_H
