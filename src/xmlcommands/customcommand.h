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

#endif // CUSTOMCOMMAND_H
