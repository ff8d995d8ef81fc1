#ifndef XMLLIMITS_H
#define XMLLIMITS_H

#include <QString>

// Qt 5's DOM parses, writes and frees a tree by recursion, a stack frame per level, so a
// file nested thousands deep crashes it, and its reader expands entities without a limit.
// This guard looks at the text before the DOM does and refuses only those two; whether
// the text is XML at all is for the DOM to judge.
class XmlLimits
{
public:
    // Vivado's own files nest 4 deep; the root is the first level.
    static constexpr int maxDepth = 256;
    // How many characters all entity references of a file may expand to, together.
    static constexpr qint64 maxExpansion = 1024 * 1024;

    static bool Accepts(const QString &text);
};

#endif // XMLLIMITS_H
