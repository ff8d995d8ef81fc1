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
// leaves every other character as it was. Read returns false when the text is not
// well-formed XML.
namespace CommandSpans {
// hasRoot, when given, tells whether the document's root is the commands root.
bool Read(const QString &text, QVector<CommandSpan> &spans, bool *hasRoot = nullptr);

// The text without the spans. A span that stands alone on its lines is taken out with
// those whole lines, indentation and line end included; a span that shares a line with
// other text is taken out by itself.
QString Without(const QString &text, const QVector<CommandSpan> &spans);
} // namespace CommandSpans

#endif // COMMANDSPANS_H
