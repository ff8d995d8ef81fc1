#ifndef COMMANDBATCHES_H
#define COMMANDBATCHES_H

#include <QString>
#include <QStringRef>
#include <QVector>

// Reads and writes a large commands.xml a batch of commands at a time. Its text is split
// between the root's children, so that each batch is parsed and written out on its own,
// and the tree of the whole file, ten times its size, is never in memory. Written out,
// the pieces must give exactly the text that the whole tree gives, so a split that could
// change it is refused, and the caller then reads the whole tree.
class CommandBatches
{
public:
    // Returns false when the text has no root with children, holds a document type, or
    // can't be split so that no batch begins or ends with text.
    bool Split(const QString &text, int commandsPerBatch);

    // The file with one placeholder element in place of the root's children.
    const QString &Outline() const { return outline; }
    // The root's children, in batches that each end after a command.
    const QVector<QStringRef> &Batches() const { return batches; }

    // Cuts the written outline around the placeholder's line. Returns false when that
    // line is not there exactly once.
    static bool CutAtPlaceholder(const QString &written, QString &before, QString &after);

private:
    QString outline;
    QVector<QStringRef> batches;
};

#endif // COMMANDBATCHES_H
