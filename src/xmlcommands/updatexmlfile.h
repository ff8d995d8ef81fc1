#ifndef UPDATEXMLFILE_H
#define UPDATEXMLFILE_H

#include "files/fileedit.h"
#include "messages/resultcodes.h"
#include "xmlcommands/customcommand.h"
#include "xmlcommands/xmlencoding.h"

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QString>

// Creates or extends commands.xml, the custom command file of Vivado 2018 on.
class UpdateXmlFile
{
public:
    ResultCode Update(const QString &appFolder, const QString &filePath);
    // Removes the entries this tool wrote for the application folder, or for a folder
    // whose server script is gone, and nothing else. A file with none stays untouched.
    ResultCode Remove(const QString &appFolder, const QString &filePath);

    static bool FileExists(const QString &path);
    ResultCode ReadFile(const QString &filePath);
    ResultCode ReadCommands(const QDomElement &root);
    ResultCode ReadCommand(const QDomElement &element);
    bool IsInstalled() const;

    void CreateNewDocument();
    void AddCommand();
    void AppendCommandElement(QDomElement &root);
    CustomCommand MakeNewCommand() const;
    quint32 NextPosition() const;
    QString MakeCommandName() const;
    ResultCode WriteFile(const QString &filePath);

    const QList<CustomCommand> &Commands() const { return commands; }

private:
    ResultCode UpdateOnce(const QString &filePath);
    ResultCode RemoveOnce(const QString &filePath);
    bool IsToBeRemoved(const CustomCommand &command) const;
    static bool PassesVersionTest(const QDomElement &element);
    QDomElement FindCommandsRoot() const;
    void AppendTextElement(QDomElement &parent, const QString &tag, const QString &text);

    QString appFolder;
    QDomDocument document;
    QList<CustomCommand> commands;
    // The file as read, and how its text was encoded, for writing it back.
    FileEdit file;
    XmlEncoding encoding;
};

#endif // UPDATEXMLFILE_H
