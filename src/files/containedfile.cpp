#include "files/containedfile.h"

#include <algorithm>

namespace {
// A name that leads nowhere else: not the folder itself, not its parent, no separator,
// no stream or device syntax.
bool IsPlainName(const QString &name)
{
    static const QString forbidden = QStringLiteral("/\\:");
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return std::none_of(name.cbegin(), name.cend(), [](QChar ch) { return forbidden.contains(ch); });
}
}

ContainedFile::~ContainedFile()
{
    CloseAll();
}

ContainedFile::Opened ContainedFile::Open(const QString &base, const QStringList &names, Kind last)
{
    CloseAll();
    reason.clear();
    Opened opened = names.isEmpty() ? Refused(QStringLiteral("no file named")) : OpenBase(base);
    for (int i = 0; opened == Opened::Open && i < names.size(); ++i) {
        const QString &name = names.at(i);
        if (!IsPlainName(name))
            opened = Refused(QStringLiteral("not a plain name: ") + name);
        else
            opened = i + 1 < names.size() || last == Kind::Folder ? OpenFolder(name) : OpenFile(name);
    }
    if (opened != Opened::Open)
        CloseAll();
    return opened;
}

ContainedFile::Opened ContainedFile::Refused(const QString &why)
{
    reason = why;
    return Opened::Refused;
}

ContainedFile::Opened ContainedFile::Failed(const QString &what)
{
    reason = what + QStringLiteral(": ") + qt_error_string();
    return Opened::Failed;
}

bool ContainedFile::Write(const QByteArray &old, const QByteArray &bytes)
{
    if (WriteAll(bytes))
        return true;
    reason = QStringLiteral("write: ") + qt_error_string();
    WriteAll(old);
    return false;
}
