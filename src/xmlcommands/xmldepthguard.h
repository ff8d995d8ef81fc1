#ifndef XMLDEPTHGUARD_H
#define XMLDEPTHGUARD_H

#include <QString>

// Qt 5's DOM parses, writes and frees a tree by recursion, a stack frame per level, so a
// file nested thousands deep crashes it, and before Qt 5.15 nothing limits how far its
// entities expand. This guard looks at the text before the DOM does and refuses only
// those two; whether the text is XML at all is for the DOM to judge.
class XmlDepthGuard
{
public:
    // Vivado's own files nest 4 deep.
    static constexpr int maxDepth = 256;
    // The characters one entity may expand to, as Qt 5.15's readers allow.
    static constexpr qint64 maxEntitySize = 4096;

    static bool Accepts(const QString &text);
};

#endif // XMLDEPTHGUARD_H
