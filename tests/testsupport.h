#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include "files/fileedit.h"

#include <QApplication>
#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>

namespace TestSupport {

QByteArray ReadBytes(const QString &path); // "<unreadable>" when it can't be read or is no file
void WriteBytes(const QString &path, const QByteArray &bytes);

// Creates the Vivado folder of a profile or home folder `base`, with <version>/commands
// for each version, and makes `base` the home folder that Linux runs find. Returns the
// Vivado folder.
QString MakeProfile(const QString &base, const QStringList &versions);
QString CommandsFolder(const QString &vivado, const QString &version);
// The files in each version's commands folder, joined by ",", or "-" for none.
QStringList FilesIn(const QString &vivado, const QStringList &versions);

// The two command files, and what the three programs do to them.
enum class Format { Ini, Xml };
enum class Task { Register, Remove, Refresh };

const QString ini = "commands.paini";
const QString xml = "commands.xml";
const QString app = "C:/Program Files/Tool";
const QString base = "TALVORN_Probe_Core_Inserter";
const QByteArray unchanged = "<unchanged>";
const QByteArray absent = "<unreadable>"; // no file before, or none to read after
const QByteArray byteOrderMark = "\xEF\xBB\xBF";
const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
// Qt writes a declaration it has read with single quotes.
const QByteArray declarationRead = "<?xml version='1.0' encoding='UTF-8'?>\n";
const QByteArray root10 = "<custom_commands major=\"1\" minor=\"0\">";
const QByteArray script = "source \"C:/old/vivado_server.tcl\" -notrace";
const QByteArray twoLines = "VERSION=1\n0=a\n";
const QByteArray garbage = QByteArray::fromHex("ff00fe3c3e26e9c3288f0a0d");
const QString nonAscii = QString::fromUtf8("C:/Prøgram Files/工具");
// Tcl evaluates the command: its special characters are escaped there, and only there.
const QString tcl = "C:/Tools [1]/$x";
const QByteArray tclCommand = "C:/Tools \\[1\\]/\\$x/vivado_server.tcl";

// Text as text mode writes it here: CR LF line ends on Windows.
QByteArray Native(QByteArray text);

// The entry line's documented example: key 3, application folder "C:/Program Files/Tool".
extern const QByteArray IniExampleLine;
// The example line with another key and, spaces encoded, another folder.
QByteArray IniEntry(qint64 key, QByteArray folder = app.toUtf8());

// The command the tool adds, as written, and the end of the file after it.
QByteArray Added(quint32 position, const QString &name = base, const QString &folder = app);
QByteArray Xml(const QByteArray &commands);
QByteArray Command(quint32 position, const QString &name, const QByteArray &command = "source x.tcl");
// A command written for the folder, and the layout it is written back in.
QByteArray Registered(quint32 position, const QString &name, const QString &folder);
// A file of one command named name, before and as the tool writes it back.
QByteArray Named(const QByteArray &name);
QByteArray NamedWritten(const QByteArray &name);

// The format's editor: its edit of the bytes (null for no file), or its run on the file.
Edited EditBytes(Format format, Task task, const QString &appFolder, const QByteArray *bytes);
ResultCode EditFile(Format format, Task task, const QString &appFolder, const QString &path);

// The rows of an editor's edits, bytes in, bytes out. after: exact bytes, `unchanged`, or
// a tail of the file after "...". A registration writes the platform's line ends, a
// removal keeps the file's. locale: the locale's encoding, when not the system's.
void AddEditColumns();
void EditRow(const char *name, const QByteArray &before, quint32 result, const QByteArray &after, Task task = Task::Register,
             const QString &appFolder = app, const QByteArray &locale = QByteArray());
// Runs the current row through the format's editor, in a sandbox where "%live%" in the
// row names a folder that holds the server script and "%gone%" one that doesn't.
void CheckEditRow(Format format);

} // namespace TestSupport

Q_DECLARE_METATYPE(TestSupport::Format)
Q_DECLARE_METATYPE(TestSupport::Task)

// A run finds a sandbox profile only where the home folder holds Vivado's folder; on
// Windows it lies in the roaming folder, which a test can't move.
#ifdef Q_OS_WIN
#define REQUIRE_SANDBOX_HOME() QSKIP("Windows finds Vivado's folder in the roaming folder, which a test can't move")
#else
#define REQUIRE_SANDBOX_HOME()
#endif

// QTEST_MAIN with the fixed hash seed of the product, so written XML matches.
#define VIVADO_TEST_MAIN(TestObject)                                                              \
    int main(int argc, char *argv[])                                                              \
    {                                                                                             \
        qSetGlobalQHashSeed(0);                                                                   \
        QApplication app(argc, argv);                                                             \
        TestObject test;                                                                          \
        return QTest::qExec(&test, argc, argv);                                                   \
    }

#endif // TESTSUPPORT_H
