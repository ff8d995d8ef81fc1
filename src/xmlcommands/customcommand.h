#ifndef CUSTOMCOMMAND_H
#define CUSTOMCOMMAND_H

#include <QString>

// One custom_command of commands.xml. A command read from a file that lacks
// position, show_on_toolbar or run_proc keeps the values an empty child would
// give: position 0 and both flags false.
struct CustomCommand
{
    quint32 position = 0;
    QString name;
    QString menu_name;
    QString command;
    QString tooltip;
    QString toolbar_icon;
    bool show_on_toolbar = false;
    bool run_proc = false;
    QString source;
};

// Whether this is the root that holds the commands: custom_commands of format 1.0. A
// major or minor that is no decimal number reads as 0.
inline bool IsCommandsRoot(const QString &tag, bool hasMajor, const QString &major, bool hasMinor, const QString &minor)
{
    return tag == QLatin1String("custom_commands") && hasMajor && hasMinor && major.toUInt(nullptr, 10) == 1
        && minor.toUInt(nullptr, 10) == 0;
}

#endif // CUSTOMCOMMAND_H
