#ifndef UPDATEXMLFILE_H
#define UPDATEXMLFILE_H

#include "files/textencoding.h"
#include "files/fileedit.h"
#include "messages/resultcodes.h"
#include "xmlcommands/customcommand.h"

#include <QDomDocument>
#include <QDomElement>
#include <QVector>
#include <QString>

struct CommandSpan;

// Creates or extends commands.xml, the custom command file of Vivado 2018 on. The
// edits work on the file's bytes alone; FileEdit reads and replaces the file for them.
class UpdateXmlFile
{
public:
    ResultCode Update(const QString &appFolder, const QString &filePath);
    // Removes the entries this tool wrote for the application folder, or for a folder
    // whose server script is gone, and not one other byte. A file with none stays untouched.
    ResultCode Remove(const QString &appFolder, const QString &filePath);
    // Does what Remove does, to a file in another user's folder that `names` lead to from
    // `base`. A file reached through a link is left alone (see ContainedFile).
    ResultCode RemoveContained(const QString &appFolder, const QString &base, const QStringList &names);
    // Leaves one entry of the tool's for the application folder and none for dead
    // folders. The dead entries and every own entry after the first are taken out as
    // Remove takes them out, and when there is no own entry, one is added as Update adds
    // it. A file that is already like that, or one that Update would leave alone, is not
    // written.
    ResultCode Refresh(const QString &appFolder, const QString &filePath);

    // The edits themselves. Each takes the file's bytes, or null for a missing file, and
    // gives the result and the new bytes. A large file is read and written a batch of
    // commands at a time; without batches (a batch size of 0), the whole tree gives the
    // same bytes.
    static constexpr int commandsPerBatch = 1000;
    Edited EditForUpdate(const QString &appFolder, const QByteArray *bytes, int batchSize = commandsPerBatch);
    Edited EditForRemoval(const QString &appFolder, const QByteArray *bytes);
    Edited EditForRefresh(const QString &appFolder, const QByteArray *bytes);

    // The steps of a registration on a document. Every read and write goes through
    // FileEdit, under the file's lock; WriteFile writes only over the bytes that ReadFile
    // read (see ReadBasis). Update itself runs the same steps as one edit.
    static bool FileExists(const QString &path);
    ResultCode ReadFile(const QString &filePath);
    // Does ReadFile's work on bytes already read.
    ResultCode ReadText(const QByteArray &bytes);
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
    // The document's bytes, as WriteFile writes them.
    QByteArray WrittenText() const;

    const QVector<CustomCommand> &Commands() const { return commands; }

private:
    QString Decoded(const QByteArray &bytes);
    ResultCode Parse(const QString &text);
    ResultCode RunLogged(const QString &filePath, const TextEdit &edit);
    bool ReadSpans(const QByteArray &bytes, QString &text, QVector<CommandSpan> &spans, bool *hasRoot = nullptr);
    bool UpdateInBatches(const QString &text, int batchSize, Edited &edited);
    void KeepOwnStrings(int from);
    static void LogRead(const QString &filePath);
    static void LogWrite(const QString &filePath);
    static bool PassesVersionTest(const QDomElement &element);
    QDomElement FindCommandsRoot() const;
    void AppendTextElement(QDomElement &parent, const QString &tag, const QString &text);

    QString appFolder;
    QDomDocument document;
    QVector<CustomCommand> commands;
    // How the file read was encoded, for writing it back.
    TextEncoding encoding{TextEncoding::Utf8()};
    ReadBasis basis;
};

#endif // UPDATEXMLFILE_H
