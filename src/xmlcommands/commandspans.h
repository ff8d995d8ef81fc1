#ifndef COMMANDSPANS_H
#define COMMANDSPANS_H

#include <QString>
#include <QVector>

// Where one custom_command of the commands root lies in a file's text, and the two
// fields that tell whose it is.
struct CommandSpan
{
    int begin = 0;
    int end = 0;
    QString name;
    QString command;
};

// Finds the commands in the text without building a tree, so that taking some out
// leaves every other character as it was. False when the text is not well-formed XML.
namespace CommandSpans {
// hasRoot, when given, tells whether the document's root is the commands root.
bool Read(const QString &text, QVector<CommandSpan> &spans, bool *hasRoot = nullptr);

// The text without the spans: a span alone on its lines goes with those whole lines,
// its indentation and line end included; one that shares a line goes alone.
QString Without(const QString &text, const QVector<CommandSpan> &spans);
} // namespace CommandSpans

#endif // COMMANDSPANS_H
