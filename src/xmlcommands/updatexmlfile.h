#ifndef UPDATEXMLFILE_H
#define UPDATEXMLFILE_H

#include "files/textencoding.h"
#include "files/fileedit.h"
#include "messages/resultcodes.h"
#include "registration/commandfileeditor.h"
#include "xmlcommands/customcommand.h"

#include <QDomDocument>
#include <QDomElement>
#include <QVector>
#include <QString>

struct CommandSpan;

// Creates or extends commands.xml, the custom command file of Vivado 2018 on. The
// edits work on the file's bytes alone; FileEdit reads and replaces the file for them.
class UpdateXmlFile : public CommandFileEditor
{
public:
    // Update and Refresh leave a file with an earlier registration alone.
    ResultCode Update(const QString &appFolder, const QString &filePath) override;
    ResultCode Remove(const QString &appFolder, const QString &filePath) override;
    ResultCode RemoveContained(const QString &appFolder, const QString &base, const QStringList &names) override;
    ResultCode Refresh(const QString &appFolder, const QString &filePath) override;

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
