// Both editors: their edits as bytes in, bytes out; then, through the files, the faults
// of a file that can't be read or replaced: the result code, and the file either left
// byte for byte or written exactly as expected.
#include "files/filelock.h"
#include "files/filereplacer.h"
#include "files/filesnapshot.h"
#include "files/filesystem.h"
#include "files/waitpolicy.h"
#include "integration/updateinifile.h"
#include "testsupport.h"
#include "xmlcommands/domserializer.h"
#include "registration/registration.h"
#include "xmlcommands/updatexmlfile.h"
#include "xmlcommands/xmllimits.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QThread>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <utility>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace TestSupport;

namespace {
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

// Text as text mode writes it here: CR LF line ends on Windows.
QByteArray Native(QByteArray text)
{
#ifdef Q_OS_WIN
    text.replace("\n", "\r\n");
#endif
    return text;
}

// Runs the test as a user who may do with the file only what its permissions give
// (as root: as "nobody" of group "nogroup"), while alive. Whether that denies what the test needs is
// for the test to tell.
class AsOtherUser
{
public:
    AsOtherUser(const QString &filePath, QFile::Permissions permissions)
        : filePath(filePath), original(QFile::permissions(filePath))
    {
        QFile::setPermissions(filePath, permissions);
#ifdef Q_OS_UNIX
        if (geteuid() == 0) {
            // "nobody" must be able to walk to the file; only the
            // test's own folders below the temporary folder are opened up for it.
            const QFile::Permissions walk = QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
            const QString temp = QDir(QDir::tempPath()).canonicalPath() + '/';
            for (QDir dir = QFileInfo(filePath).dir(); dir.canonicalPath().startsWith(temp); dir.cdUp())
                QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | walk);
            droppedRoot = setegid(65534) == 0 && seteuid(65534) == 0;
        }
#endif
    }

    bool IsOtherUser() const { return droppedRoot; }

    ~AsOtherUser()
    {
#ifdef Q_OS_UNIX
        if (droppedRoot && (seteuid(0) != 0 || setegid(0) != 0))
            qFatal("could not take back root rights");
#endif
        QFile::setPermissions(filePath, original);
    }

private:
    QString filePath;
    QFile::Permissions original;
    bool droppedRoot = false;
};

// What a path is, and whose, with which rights: a replaced file must keep all of it.
QString Kind(const QString &path)
{
    const QFileInfo info(path);
    return QStringLiteral("link %1 file %2 owner %3:%4 mode %5")
        .arg(info.isSymLink()).arg(info.isFile()).arg(info.ownerId()).arg(info.groupId()).arg(int(info.permissions()), 0, 16);
}

// The entry line's documented example: key 3, application folder "C:/Program Files/Tool".
const QByteArray IniExampleLine =
    "3=TALVORN%20Probe%20Core%20Inserter source%20\"C:/Program%20Files/Tool/vivado_server.tcl\"%20-notrace \"\" "
    "C:/Program%20Files/Tool/Talvorn_CI_A.png Start%20TALVORN%20Core%20Inserter \"\" true " + QByteArray(1, '\0') + " \"\" true 0";

// The example line with another key and, spaces encoded, another folder.
QByteArray IniEntry(qint64 key, QByteArray folder = app.toUtf8())
{
    return QByteArray::number(key) + IniExampleLine.mid(1).replace("C:/Program%20Files/Tool", folder.replace(' ', "%20"));
}

// The command the tool adds, as written, and the end of the file after it.
QByteArray Added(quint32 position, const QString &name = base, const QString &folder = app)
{
    return QString(" <custom_command>\n"
                   "  <position>%1</position>\n"
                   "  <name>%2</name>\n"
                   "  <menu_name>TALVORN Probe Core Inserter</menu_name>\n"
                   "  <command>source \"%3/vivado_server.tcl\" -notrace</command>\n"
                   "  <tooltip>Start TALVORN Probe Core Inserter</tooltip>\n"
                   "  <toolbar_icon>%3/Talvorn_CI_A.png</toolbar_icon>\n"
                   "  <show_on_toolbar>true</show_on_toolbar>\n"
                   "  <run_proc>true</run_proc>\n"
                   "  <source name=\"USER\"/>\n"
                   " </custom_command>\n"
                   "</custom_commands>\n").arg(position).arg(name, folder).toUtf8();
}

QByteArray Xml(const QByteArray &commands)
{
    return declaration + root10 + commands + "</custom_commands>\n";
}

QByteArray Command(quint32 position, const QString &name, const QByteArray &command = "source x.tcl")
{
    return "<custom_command><position>" + QByteArray::number(position) + "</position><name>" + name.toUtf8()
           + "</name><command>" + command + "</command></custom_command>";
}

// A file of one command named name, before and as the tool writes it back.
QByteArray Named(const QByteArray &name)
{
    return Xml("<custom_command><name>" + name + "</name></custom_command>");
}

QByteArray NamedWritten(const QByteArray &name)
{
    return declarationRead + root10 + "\n <custom_command>\n  <name>" + name + "</name>\n </custom_command>\n" + Added(1);
}

QByteArray Encoded(QTextCodec *codec, const QString &text, bool withMark)
{
    QTextCodec::ConverterState state(withMark ? QTextCodec::DefaultConversion : QTextCodec::IgnoreHeader);
    return codec->fromUnicode(text.constData(), text.size(), &state);
}

// after: exact bytes, "unchanged", or a tail of the file after "...". A registration
// writes the platform's line ends, a removal keeps the file's.
void Row(const char *name, const QString &file, const QByteArray &before, quint32 result, const QByteArray &after,
         const QString &task = "register", const QString &appFolder = app, const QByteArray &locale = QByteArray())
{
    QTest::newRow(name) << file << task << appFolder << locale << before << result << (task == "register" ? Native(after) : after);
}

bool Run(const QString &program, const QStringList &arguments)
{
    return QProcess::execute(program, arguments) == 0;
}

Edited EditBytes(const QString &file, const QString &task, const QString &appFolder, const QByteArray *bytes)
{
    if (file == xml && task == "refresh")
        return UpdateXmlFile().EditForRefresh(appFolder, bytes);
    if (file == xml)
        return task == "remove" ? UpdateXmlFile().EditForRemoval(appFolder, bytes) : UpdateXmlFile().EditForUpdate(appFolder, bytes, 0);
    if (task == "refresh")
        return UpdateIniFile().EditForRefresh(appFolder, bytes);
    return task == "remove" ? UpdateIniFile().EditForRemoval(appFolder, bytes) : UpdateIniFile().EditForUpdate(appFolder, bytes);
}

// The running system's ANSI code page; none where there is no such thing.
uint AnsiCodePage()
{
#ifdef Q_OS_WIN
    return GetACP();
#else
    return 0;
#endif
}

// Registers, or with the fault "remove" removes, the command.
ResultCode Edit(const QString &fault, const QString &appFolder, const QString &path)
{
    if (fault.endsWith("remove"))
        return path.endsWith(xml) ? UpdateXmlFile().Remove(appFolder, path) : UpdateIniFile().Remove(appFolder, path);
    return path.endsWith(xml) ? UpdateXmlFile().Update(appFolder, path) : UpdateIniFile().Update(appFolder, path);
}

// A command written for the folder, and the layout it is written back in.
QByteArray Registered(quint32 position, const QString &name, const QString &folder)
{
    return Command(position, name, "source \"" + folder.toUtf8() + "/vivado_server.tcl\" -notrace");
}
}

// Sets up the file, or what stands in its place, for the fault. False when it can't be had here.
bool MakeFault(const QString &fault, const QString &path, const QByteArray &before)
{
    const QString folder = QFileInfo(path).path();
    if (fault == "folder")
        return QDir().mkpath(path);
    if (fault == "fifo")
        return Run("mkfifo", {path});
    if (fault == "link to a device")
        return Run("mknod", {folder + "/device", "c", "1", "3"}) && QFile::link("device", path);
    if (fault == "link" || fault.startsWith("bind mount"))
        QDir().mkpath(folder + "/other");
    const QString other = folder + "/other/" + QFileInfo(path).fileName();
    if (before != absent)
        WriteBytes(fault == "link" ? other : path, before);
    if (fault == "link")
        return QFile::link("other/" + QFileInfo(path).fileName(), path) && QFileInfo(path).isSymLink(); // not a shortcut
    if (fault.startsWith("bind mount")) {
        WriteBytes(other, before);
        return Run("mount", {"--bind", other, path});
    }
    if (fault == "immutable")
        return Run("chattr", {"+i", path});
    if (fault.startsWith("owned by another user and group")) // a uid and gid that differ, so neither stands for the other
        return Run("chown", {"1234:5678", path}) && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    if (fault.endsWith("read-only folder")) // the user's own file
        return Run("chown", {"65534:65534", path});
    if (fault == "another user's file")
        return QFile::setPermissions(folder, QFile::Permissions(0x7777));
    if (fault == "read-only file") // in a folder the user may write
        return Run("chown", {"65534:65534", path}) && QFile::setPermissions(folder, QFile::Permissions(0x7777));
    if (fault == "left over")
        WriteBytes(path + ".0123abcd.tmp", "half");
#ifndef Q_OS_WIN
    if (fault == "locked")
        return QFile::link(folder, folder + "/linked");
#endif
    return true;
}

void UndoFault(const QString &fault, const QString &path)
{
    if (fault == "immutable")
        Run("chattr", {"-i", path});
    if (fault.startsWith("bind mount"))
        Run("umount", {path});
}

// The real editors through FileEdit. "changed meanwhile": another program changes the
// file once between the read and the replacement. "locked": another run holds the lock
// for half a second, reaching the file through a linked folder (on Windows, by the path
// in other letter case). took: how long the edit itself ran, from when the other run held the lock.
ResultCode EditWithFault(const QString &fault, const QString &path, qint64 &took)
{
    if (fault == "changed meanwhile") {
        bool changed = false;
        return FileEdit::Run(path, ERR_XML_OPEN_FAILED, ERR_XML_OPEN_FAILED, [&](const QByteArray *bytes) {
            const Edited edited = UpdateXmlFile().EditForUpdate(app, bytes);
            if (!std::exchange(changed, true))
                WriteBytes(path, Named("b"));
            return edited;
        });
    }
    QSemaphore held;
#ifdef Q_OS_WIN
    const QString otherPath = path.toUpper();
#else
    const QString otherPath = QFileInfo(path).path() + "/linked/" + QFileInfo(path).fileName();
#endif
    QScopedPointer<QThread> holder(QThread::create([&] {
        const FileLock lock(otherPath, QDeadlineTimer(1000));
        held.release();
        QThread::msleep(500);
    }));
    if (fault == "locked") {
        holder->start();
        held.acquire();
    }
    QElapsedTimer timer;
    timer.start();
    const ResultCode code = Edit(fault, app, path);
    took = timer.elapsed();
    holder->wait();
    return code;
}

class TestEditors : public QObject
{
    Q_OBJECT

private slots:
    void edit_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("task");
        QTest::addColumn<QString>("appFolder");
        QTest::addColumn<QByteArray>("locale"); // the locale's encoding, when not the system's
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<quint32>("result");
        QTest::addColumn<QByteArray>("after");

        const QByteArray twoLines = "VERSION=1\n0=a\n";
        const QByteArray garbage = QByteArray::fromHex("ff00fe3c3e26e9c3288f0a0d");
        const QByteArray longLine(2 * 1024 * 1024, 'x');
        const QByteArray deep = QByteArray("<a>").repeated(30000) + QByteArray("</a>").repeated(30000);
        const QByteArray deepAfterLongLine = "<name>" + longLine + "</name>" + QByteArray("<a>").repeated(300) + QByteArray("</a>").repeated(300);
        QByteArray bomb = "<!DOCTYPE c [<!ENTITY a0 \"aaaaaaaaaa\">";
        for (int level = 1; level < 9; ++level)
            bomb += "<!ENTITY a" + QByteArray::number(level) + " \"" + QByteArray("&a" + QByteArray::number(level - 1) + ";").repeated(10) + "\">";
        bomb += "]><custom_commands major=\"1\" minor=\"0\"><x>&a8;</x></custom_commands>";

        Row("paini, the documented example line", ini, "3=TALVORN Core Inserter\n", RESULT_OK, IniExampleLine + "\n");
        Row("paini, created with header", ini, absent, RESULT_OK, "VERSION=1\n" + IniEntry(0) + "\n");
        Row("paini, own line refreshed in place", ini, "0=a\n1=TALVORN%20Core%20Inserter source%20\"D:/old\"\n2=b\n", RESULT_OK,
            "0=a\n" + IniEntry(1) + "\n2=b\n");
        Row("paini, largest key counts, not the last", ini, "0=a\n5=b\n2=c\n", RESULT_OK, "0=a\n5=b\n2=c\n" + IniEntry(6) + "\n");
        Row("paini, negative key does not count", ini, "-3=a\n", RESULT_OK, "-3=a\n" + IniEntry(0) + "\n");
        Row("paini, only the first naming line rewritten", ini, "4=Inserter Core TALVORN\n9=TALVORN Core Inserter\n", RESULT_OK,
            IniEntry(4) + "\n9=TALVORN Core Inserter\n");
        const QByteArray otherCase = "TALVORN core Inserter\ntalvorn Core Inserter\n\nTALVORN Core inserter\n";
        Row("paini, other lines kept, naming case-sensitive", ini, otherCase, RESULT_OK, otherCase + IniEntry(0) + "\n");
        Row("paini, naming line without equal sign", ini, "VERSION=1\nTALVORN Core Inserter\n", ERR_INI_NO_EQUAL_SIGN, unchanged);
        const QString percent = "C:/Program Files/100% Tool";
        Row("paini, spaces as %20, percent kept", ini, "", RESULT_OK, IniEntry(0, percent.toUtf8()) + "\n", "register", percent);
        const QString nonAscii = QString::fromUtf8("C:/Prøgram Files/工具");
        Row("paini, non-ASCII folder in the locale's encoding", ini, "", RESULT_OK, IniEntry(0, nonAscii.toUtf8()) + "\n", "register",
            nonAscii, "UTF-8");
        // Our choices where a key is not a number or keys run out:
        Row("paini, non-numeric own key becomes the next key", ini, "0=a\nold=TALVORN Core Inserter\n1=b\n", RESULT_OK,
            "0=a\n" + IniEntry(2) + "\n1=b\n");
        Row("paini, after the greatest key, the lowest free", ini, "1=a\n2147483647=b\n", RESULT_OK,
            "1=a\n2147483647=b\n" + IniEntry(0) + "\n");

        Row("xml, created", xml, absent, RESULT_OK, declaration + root10 + "\n" + Added(0));
        Row("xml, positions 5 and 2", xml, Xml(Command(5, "a") + Command(2, "b")), RESULT_OK, "..." + Added(6));
        Row("xml, largest position wraps", xml, Xml(Command(4294967295u, "a")), RESULT_OK, "..." + Added(0));
        Row("xml, missing position counts as 0", xml, Xml("<custom_command/>"), RESULT_OK, "..." + Added(1));
        Row("xml, base and _2 taken", xml, Xml(Command(0, base + "_2") + Command(1, base)), RESULT_OK, "..." + Added(2, base + "_3"));
        Row("xml, text beside the commands", xml, Xml(Command(0, "a") + "tail"), RESULT_OK,
            "...</custom_command>tail<custom_command>\n" + Added(1).mid(18));
        Row("xml, _02 and _3 don't take _2", xml, Xml(Command(0, base) + Command(1, base + "_02") + Command(2, base + "_3")), RESULT_OK,
            "..." + Added(3, base + "_2"));
        Row("xml, other letter case neither takes the name nor is recognised", xml,
            Xml(Command(0, base.toLower()) + Command(1, "talvorn_core_inserter", script)), RESULT_OK, "..." + Added(2));
        Row("xml, own earlier entry not recognised", xml, Xml(Command(0, base, script)), RESULT_OK, "..." + Added(1, base + "_2"));
        Row("xml, only the root's own commands count", xml, Xml(Command(5, base) + "<x>" + Command(9, base + "_2") + "</x>"), RESULT_OK,
            "..." + Added(6, base + "_2"));
        Row("xml, last of two names, tags case-sensitive", xml,
            Xml("<custom_command><name>" + base.toUtf8() + "</name><name>b</name><Position>4</Position></custom_command>"), RESULT_OK,
            "..." + Added(1));
        Row("xml, minor with letters reads 0", xml, "<custom_commands major=\"1\" minor=\"b\">" + Command(2, "a") + "</custom_commands>",
            RESULT_OK, "..." + Added(3));
        Row("xml, recognised registration", xml, Xml(Command(7, "Talvorn_Core_Inserter", script)), RESULT_OK, unchanged);
        // Tcl evaluates the command: its special characters are escaped there, and only there.
        const QString tcl = "C:/Tools [1]/$x";
        const QByteArray tclCommand = "C:/Tools \\[1\\]/\\$x/vivado_server.tcl";
        Row("paini, Tcl-special folder", ini, "", RESULT_OK,
            IniEntry(0, tcl.toUtf8()).replace("C:/Tools%20[1]/$x/vivado_server.tcl", QByteArray(tclCommand).replace(" ", "%20")) + "\n",
            "register", tcl);
        Row("xml, Tcl-special folder", xml, absent, RESULT_OK,
            "..." + Added(0, base, tcl).replace("C:/Tools [1]/$x/vivado_server.tcl", tclCommand), "register", tcl);
        Row("xml, a quote in the folder escaped for Tcl", xml, absent, RESULT_OK,
            "..." + Added(0, base, "C:/a\"b").replace("a\"b/vivado_server", "a\\\"b/vivado_server"), "register", "C:/a\"b");
        // A Qt 5 program's default text stream writes the code page, whatever the declaration says.
        QTextCodec *codePage = QTextCodec::codecForName("windows-1252");
        const QString accented = QString::fromUtf8("C:/Prøgram Files/Tool");
        Row("xml, code-page bytes under a UTF-8 declaration", xml, Named("Caf\xe9 \x80"), RESULT_OK,
            NamedWritten("Caf\xe9 \x80").replace(Added(1), codePage->fromUnicode(QString::fromUtf8(Added(1, base, accented)))), "register", accented);
        Row("xml, recognised as substrings", xml, Xml(Command(1, "A_Talvorn_Core_Inserter_1", "vivado_server.tcl.bak")), RESULT_OK,
            unchanged);
        Row("xml, the old name without the server script is no registration", xml, Xml(Command(1, "Talvorn_Core_Inserter", "x.tcl")),
            RESULT_OK, "..." + Added(2));
        for (const QByteArray &root : {QByteArray("major='2' minor='0'"), QByteArray("major='1' minor='1'")})
            Row(qPrintable("xml, rewritten without a usable root: " + root), xml,
                "<custom_commands " + root + "><custom_command><run_proc>TRUE</run_proc></custom_command></custom_commands>", RESULT_OK,
                "<custom_commands " + QByteArray(root).replace('\'', '"') + ">\n <custom_command>\n  <run_proc>TRUE</run_proc>\n"
                " </custom_command>\n</custom_commands>\n");

        Row("paini, empty", ini, "", RESULT_OK, IniEntry(0) + "\n");
        Row("xml, empty", xml, "", ERR_XML_READ_FAILED, unchanged);
        Row("paini, garbage bytes kept", ini, garbage, RESULT_OK, garbage.left(10) + "\n\n" + IniEntry(0) + "\n");
        Row("xml, garbage", xml, garbage, ERR_XML_READ_FAILED, unchanged);
        Row("paini, 2 MB line", ini, "0=" + longLine, RESULT_OK, "0=" + longLine + "\n" + IniEntry(1) + "\n");
        Row("xml, 2 MB line", xml, Named(longLine), RESULT_OK, NamedWritten(longLine));
        Row("paini, byte-order mark kept", ini, byteOrderMark + twoLines, RESULT_OK, byteOrderMark + twoLines + IniEntry(1) + "\n");
        Row("xml, byte-order mark kept", xml, byteOrderMark + Named("a"), RESULT_OK, byteOrderMark + NamedWritten("a"));
        Row("paini, CRLF", ini, "VERSION=1\r\n0=a\r\n", RESULT_OK, twoLines + IniEntry(1) + "\n");
        Row("xml, CRLF", xml, Named("a").replace("\n", "\r\n"), RESULT_OK, NamedWritten("a"));
        Row("paini, lone CR ends a line", ini, "VERSION=1\r0=a\r", RESULT_OK, twoLines + IniEntry(1) + "\n");
        Row("xml, deeply nested", xml, Xml(deep), ERR_XML_READ_FAILED, unchanged);
        Row("xml, nested deep after 2 MB", xml, Xml(deepAfterLongLine), ERR_XML_READ_FAILED, unchanged);
        Row("xml, entity expansion bomb", xml, bomb, ERR_XML_READ_FAILED, unchanged);
        QByteArray nestingEntities = "<!DOCTYPE custom_commands [<!ENTITY e0 '<a/>'>";
        for (int level = 1; level < 270; ++level)
            nestingEntities += "<!ENTITY e" + QByteArray::number(level) + " '<a>&e" + QByteArray::number(level - 1) + ";</a>'>";
        Row("xml, nested deep through entities", xml, nestingEntities + "]>" + Xml("<x>&e269;</x>").mid(declaration.size()),
            ERR_XML_READ_FAILED, unchanged);

        // Depth and entities are judged before the DOM sees a file; it nests by recursion.
        const QByteArray roman = QString::fromUtf8("<\u2160>").toUtf8(), romanEnd = QString::fromUtf8("</\u2160>").toUtf8();
        Row("xml, nested deep under names Qt doesn't call letters", xml, Xml(roman.repeated(30000) + romanEnd.repeated(30000)),
            ERR_XML_READ_FAILED, unchanged);
        Row("xml, 256 levels", xml, Xml(QByteArray("<a>").repeated(255) + QByteArray("</a>").repeated(255)), RESULT_OK,
            "...</custom_command>\n</custom_commands>\n");
        Row("xml, 257 levels", xml, Xml(QByteArray("<a>").repeated(256) + QByteArray("</a>").repeated(256)), ERR_XML_READ_FAILED,
            unchanged);
        Row("xml, 300 commands with empty elements", xml,
            Xml(QByteArray("<custom_command><source name=\"USER\"/><a/></custom_command>").repeated(300)), RESULT_OK, "..." + Added(1));
        // The batch reader lays out the root around a placeholder line: the file's own look-alike is no place to cut.
        Row("xml, a comment before the root that looks like the placeholder", xml,
            declaration + "<!-- <vivado_integration_placeholder/>\n-->" + root10 + Command(0, "a") + "</custom_commands>", RESULT_OK,
            "..." + Added(1));
        const QByteArray entity4k = "<!DOCTYPE custom_commands [<!ENTITY e '" + QByteArray(4000, 'e') + "'>]>";
        Row("xml, one entity used past the budget", xml,
            entity4k + root10 + "<x>" + QByteArray("&e;").repeated(300) + "</x></custom_commands>", ERR_XML_READ_FAILED, unchanged);
        Row("xml, a large entity never used", xml,
            "<!DOCTYPE custom_commands [<!ENTITY e '" + QByteArray(10000, 'e') + "'>]>" + root10 + "</custom_commands>", RESULT_OK,
            "...\n" + Added(0));
        // The three programs take and refuse the same files: one entity may expand to the
        // whole budget, and one character more is refused.
        for (const int size : {XmlLimits::maxExpansion, XmlLimits::maxExpansion + 1}) {
            const QByteArray once = "<!DOCTYPE custom_commands [<!ENTITY e '" + QByteArray(int(size), 'e') + "'>]>" + root10
                + "<x>&e;</x></custom_commands>";
            const quint32 result = size > XmlLimits::maxExpansion ? ERR_XML_READ_FAILED : RESULT_OK;
            const QString name = size > XmlLimits::maxExpansion ? "one character past the budget" : "the whole budget";
            Row(qPrintable("xml, removal: one entity used once, " + name), xml, once, result, unchanged, "remove");
            Row(qPrintable("xml, one entity used once, " + name), xml, once, result, result == RESULT_OK ? "..." + Added(0) : unchanged);
            Row(qPrintable("xml, refresh: one entity used once, " + name), xml, once, result,
                result == RESULT_OK ? Native("...</x>\n" + Added(0)) : unchanged, "refresh");
        }
        const QByteArray doctype = "<!DOCTYPE custom_commands [";
        Row("xml, expansions in attribute values share the budget", xml, doctype + "<!ENTITY e '" + QByteArray(1000, 'z') + "'>]>"
            + root10 + QByteArray("<a v='&e;'/>").repeated(1049) + "</custom_commands>", ERR_XML_READ_FAILED, unchanged);
        Row("xml, a tag from a character reference in an entity", xml, doctype + "<!ENTITY o '&#x1003C;a>'>]>" + root10
            + QByteArray("&o;").repeated(300) + QByteArray("</a>").repeated(300) + "</custom_commands>", ERR_XML_READ_FAILED, unchanged);
        Row("xml, a comment opened by an entity hides end tags", xml, doctype + "<!ENTITY c '<!--'>]>" + root10
            + QByteArray("<a>&c; </a> -->").repeated(300) + QByteArray("</a>").repeated(300) + "</custom_commands>", ERR_XML_READ_FAILED,
            unchanged);
        QByteArray chain = doctype;
        for (int link = 0; link < 70; ++link)
            chain += "<!ENTITY e" + QByteArray::number(link) + " '&e" + QByteArray::number(link + 1) + ";'>";
        Row("xml, entities nested past 64, the inner ones used first", xml,
            chain + "<!ENTITY e70 'x'>]>" + root10 + "<x>&e50;&e0;</x></custom_commands>", ERR_XML_READ_FAILED, unchanged);
        QByteArray declarations = doctype;
        for (int entity = 0; entity < 1001; ++entity)
            declarations += "<!ENTITY e" + QByteArray::number(entity) + " 'x'>";
        Row("xml, more than 1,000 entity declarations", xml, declarations + "]>" + root10 + "</custom_commands>", ERR_XML_READ_FAILED,
            unchanged);
        Row("xml, a folder above U+FFFF in a code-page file", xml,
            "<?xml version='1.0' encoding='ISO-8859-1'?>\n" + root10 + "</custom_commands>\n", RESULT_OK,
            "..." + Added(0, base, "C:/x&#x1f600;"), "register", QString::fromUtf8("C:/x😀"));
        for (const ushort nonCharacter : {0xFFFE, 0xFFFF})
            Row(qPrintable("xml, a folder that XML can't hold: U+" + QString::number(nonCharacter, 16).toUpper()), xml, Named("a"),
                ERR_XML_OPEN_FAILED, unchanged, "register", QString("C:/x") + QChar(nonCharacter));
        Row("xml, a parameter entity", xml, doctype + "<!ENTITY % p \"<!ENTITY e 'x'>\"> %p;]>" + root10 + "</custom_commands>",
            ERR_XML_READ_FAILED, unchanged);
        Row("xml, a reference in an attribute default", xml, doctype + "<!ENTITY e 'x'><!ATTLIST x a CDATA '&e;'>]>" + root10
            + "</custom_commands>", ERR_XML_READ_FAILED, unchanged);
        // A folder the file's own encoding can't hold: the locale's encoding, else no write.
        Row("paini, a stray byte kept, the folder in the locale's encoding", ini, "0=Caf\xe9\n", RESULT_OK,
            "0=Caf\xe9\n" + IniEntry(1, "C:/Caf\xc3\xa9 \xc5\x81") + "\n", "register", QString::fromUtf8("C:/Café Ł"), "UTF-8");
        Row("paini, a folder the locale's code page can't hold", ini, twoLines, ERR_INI_OPEN_FAILED, unchanged, "register",
            QString::fromUtf8("C:/Ł"), "windows-1252");
        Row("paini, refresh: a folder the locale's code page can't hold", ini, twoLines, ERR_INI_OPEN_FAILED, unchanged, "refresh",
            QString::fromUtf8("C:/Ł"), "windows-1252");
        Row("paini, a truncated UTF-8 sequence at the end kept", ini, "0=a\n1=\xc3", RESULT_OK, "0=a\n1=\xc3\n" + IniEntry(2) + "\n",
            "register", app, "UTF-8");
        Row("paini, keys after a line without equal sign count", ini, "x\n0=a\n1=b\n", RESULT_OK, "x\n0=a\n1=b\n" + IniEntry(2) + "\n");

        // Removal: the entries for the tool's own folder and for folders without a server script
        // (%gone%) go, and not one other byte; those of a live installation (%live%), of a share or
        // a drive that isn't there, other names and everything else stay.
        const QString gone = "%gone%";
        Row("xml, removal: own and gone entries go", xml,
            Xml(Command(0, "user") + Registered(1, base, app) + "<!--c-->" + Registered(2, base + "_2", gone)
                + Registered(3, base + "_3", "%live%") + Registered(4, base.toLower(), app) + Registered(5, base + "_x", app)
                + Registered(6, base + "_4", tcl) + Registered(7, base + "_5", "//server/share/tool") + Registered(8, base + "_6", "Q:/tool")
                + Registered(9, base + "_7", "/\\\\server/share/tool")),
            RESULT_OK, Xml(Command(0, "user") + "<!--c-->" + Registered(3, base + "_3", "%live%") + Registered(4, base.toLower(), app)
                + Registered(5, base + "_x", app) + Registered(6, base + "_4", tcl) + Registered(7, base + "_5", "//server/share/tool")
                + Registered(8, base + "_6", "Q:/tool") + Registered(9, base + "_7", "/\\\\server/share/tool")), "remove");
        Row("xml, removal: the last one goes, the root stays", xml, Xml(Command(0, base + "_2", "source \"" + tclCommand + "\" -notrace")),
            RESULT_OK, Xml(""), "remove", tcl);
        const QByteArray userHead = "<?xml version='1.0' encoding=\"UTF-8\"?>\n<!DOCTYPE custom_commands [<!ENTITY e \"x\">]>\n"
                                    "<custom_commands minor=\"0\" major=\"1\">\r\n  <custom_command><name>u &e;</name>"
                                    "<menu_name> </menu_name><tooltip>&#9;</tooltip></custom_command>\r\n";
        Row("xml, removal: whole lines, or the entry alone, and every other byte", xml,
            userHead + "  <custom_command>\r\n    <name>" + base.toUtf8() + "</name>\r\n    <command>source \"%gone%/vivado_server.tcl\" "
                "-notrace</command>\r\n  </custom_command>\r\n\t" + Registered(2, base + "_2", app) + "<!-- on its line -->\r\n</custom_commands>",
            RESULT_OK, userHead + "\t<!-- on its line -->\r\n</custom_commands>", "remove");
        Row("xml, removal: two entries side by side after other markup keep the line end", xml,
            Xml("\n<!--c-->" + Registered(1, base, gone) + Registered(2, base + "_2", gone) + "\n"), RESULT_OK, Xml("\n<!--c-->\n"), "remove");
        Row("xml, removal: a byte-order mark and a stray byte kept", xml, byteOrderMark + Xml("<!--caf\xe9-->" + Registered(0, base, app)),
            RESULT_OK, byteOrderMark + Xml("<!--caf\xe9-->"), "remove");
        Row("xml, removal: nothing to remove", xml, Xml(Registered(0, base, "%live%")), RESULT_OK, unchanged, "remove");
        Row("xml, removal: no file", xml, absent, RESULT_OK, unchanged, "remove");
        Row("xml, removal: not XML", xml, garbage, ERR_XML_READ_FAILED, unchanged, "remove");
#ifdef Q_OS_WIN
        const QByteArray caseFolded = Xml("");
#else
        const QByteArray caseFolded = unchanged;
#endif
        Row("xml, removal: the own folder in other letter case only on Windows", xml, Xml(Registered(0, base, app.toUpper())), RESULT_OK,
            caseFolded, "remove");
        const QByteArray iniLines = byteOrderMark + "VERSION=1\r\n0=caf\xe9\r\n"; // a stray byte: not UTF-8
        const QByteArray otherCommand = "5=X source%20\"x.tcl\" \"\" %gone%/Talvorn_CI_A.png y \"\" true " + QByteArray(1, '\0') + " \"\" true 0";
        Row("paini, removal: own and gone lines go, every other byte stays", ini,
            iniLines + IniEntry(1) + "\r\n" + IniEntry(2, gone.toUtf8()) + "\n" + IniEntry(3, "%live%") + "\r" + otherCommand + "\n4=b",
            RESULT_OK, iniLines + IniEntry(3, "%live%") + "\r" + otherCommand + "\n4=b", "remove");
        Row("paini, removal: %20 read both ways", ini,
            IniEntry(0, "%live%%20pct") + "\n" + IniEntry(1, "%gone%%20pct") + "\n" + IniEntry(2, "//server/share") + "\n" + IniEntry(3) + "\n",
            RESULT_OK, IniEntry(0, "%live%%20pct") + "\n" + IniEntry(2, "//server/share") + "\n", "remove", "C:/Program%20Files/Tool");
        Row("paini, removal: a folder with spaces and a %20 of its own", ini,
            IniEntry(0, "%live% a%20b") + "\n" + IniEntry(1, "%live% a b c d e f%20g") + "\n", RESULT_OK, unchanged, "remove");
        Row("paini, removal: another installation's folder with one space", ini, IniEntry(0, "%live%/a b") + "\n" + IniEntry(1) + "\n",
            RESULT_OK, IniEntry(0, "%live%/a b") + "\n", "remove");
        Row("paini, removal: exactly six %20, spaces and one of its own", ini, IniEntry(0, "%live% a b c d e%20f") + "\n", RESULT_OK,
            unchanged, "remove");
        Row("paini, removal: a line like ours with another command is not ours", ini,
            IniEntry(0, "%gone%").replace("%20-notrace", "") + "\n", RESULT_OK, unchanged, "remove");
        const QString manySpaces = "C:/a%20b c d e f g h";
        Row("paini, refresh: the own folder past six %20, in order", ini, IniEntry(0, manySpaces.toUtf8()) + "\n", RESULT_OK, unchanged,
            "refresh", manySpaces);
        Row("xml, removal: an entry that comes out of an entity is refused, not cut wrong", xml,
            "<!DOCTYPE custom_commands [<!ENTITY e '" + Registered(1, base, gone) + "'>]>\n" + root10 + "&e;&e;</custom_commands>",
            ERR_XML_READ_FAILED, unchanged, "remove");
        Row("xml, removal: version 1.1", xml, "<?xml version='1.1'?>" + root10 + Registered(0, base, app) + "</custom_commands>", RESULT_OK,
            "<?xml version='1.1'?>" + root10 + "</custom_commands>", "remove");
        const auto utf32 = [](const QString &text) { // big-endian, with its mark
            QByteArray bytes("\0\0\xfe\xff", 4);
            for (const uint unit : text.toUcs4())
                bytes += QByteArray(1, char(unit >> 24)) + char(unit >> 16) + char(unit >> 8) + char(unit);
            return bytes;
        };
        Row("paini, removal: UTF-32 with a character above U+FFFF", ini, utf32(QString::fromUtf8("0=😀\n") + QString::fromLatin1(IniEntry(1).constData(), IniEntry(1).size()) + "\n"),
            RESULT_OK, utf32(QString::fromUtf8("0=😀\n")), "remove");
        Row("paini, removal: a folder with a byte that is no text is never looked at", ini, IniEntry(0, "%gone%\xff") + "\n", RESULT_OK,
            unchanged, "remove", app, "UTF-8");
        Row("paini, removal: nothing to remove", ini, twoLines + IniEntry(1, "%live%") + "\n", RESULT_OK, unchanged, "remove");

        // Refresh: one own entry stays, dead ones and own duplicates go as the remover takes
        // them out; without an own entry one is added as the registration adds it.
        const QByteArray inOrder = Xml(Command(0, "user") + Registered(1, base, app) + Registered(2, base + "_2", "%live%"));
        Row("xml, refresh: in order, untouched", xml, inOrder, RESULT_OK, unchanged, "refresh");
        const QByteArray spacedEnd = "<custom_command><name>u</name></custom_command >";
        Row("xml, refresh: a duplicate and a dead entry go, every other byte stays", xml,
            Xml(Command(0, "user") + Registered(1, base, app) + Registered(2, base + "_2", gone) + "<!--c-->" + Registered(3, base + "_3", app)
                + spacedEnd),
            RESULT_OK, Xml(Command(0, "user") + Registered(1, base, app) + "<!--c-->" + spacedEnd), "refresh");
        Row("xml, refresh: added where only a dead entry was", xml, Xml(Command(0, "user") + Registered(4, base, gone)), RESULT_OK,
            Native("..." + Added(1)), "refresh");
        Row("xml, refresh: a version without our entry", xml, Xml(Command(0, "user")), RESULT_OK, Native("..." + Added(1)), "refresh");
        Row("xml, refresh: created", xml, absent, RESULT_OK, Native(declaration + root10 + "\n" + Added(0)), "refresh");
        Row("xml, refresh: an earlier registration under the old name, untouched", xml,
            Xml(Command(7, "Talvorn_Core_Inserter", script) + Registered(1, base, gone)), RESULT_OK, unchanged, "refresh");
        Row("xml, refresh: no usable root, untouched", xml, "<custom_commands major='2' minor='0'>" + Registered(1, base, gone)
            + "</custom_commands>", RESULT_OK, unchanged, "refresh");
        Row("xml, refresh: a root of 1.0 only by the document type's defaults, untouched", xml,
            "<!DOCTYPE custom_commands [<!ATTLIST custom_commands minor CDATA '0'>]><custom_commands major='1'>" + Registered(1, base, gone)
                + "</custom_commands>", RESULT_OK, unchanged, "refresh");
        Row("xml, refresh: not XML", xml, garbage, ERR_XML_READ_FAILED, unchanged, "refresh");
        // Without namespaces a prefixed name is another name, for every reader of the file.
        Row("xml, refresh: a prefixed root is no commands root, untouched", xml, "<v:custom_commands major='1' minor='0' xmlns:v='v'>"
            + Registered(1, base, gone) + "</v:custom_commands>", RESULT_OK, unchanged, "refresh");
        Row("xml, removal: a command with prefixed fields is no entry of the tool's", xml, Xml("<custom_command xmlns:v='v'><v:name>"
            + base.toUtf8() + "</v:name><command>source \"%gone%/vivado_server.tcl\" -notrace</command></custom_command>"), RESULT_OK,
            unchanged, "remove");
        Row("paini, refresh: in order, untouched", ini, twoLines + IniEntry(1) + "\n" + IniEntry(2, "%live%"), RESULT_OK, unchanged,
            "refresh");
        Row("paini, refresh: another installation's line kept, ours appended with the file's line ends", ini,
            "VERSION=1\r\n" + IniEntry(0, "%live%") + "\r\n3=TALVORN Core Inserter\r\n", RESULT_OK,
            "VERSION=1\r\n" + IniEntry(0, "%live%") + "\r\n3=TALVORN Core Inserter\r\n" + IniEntry(4) + "\r\n", "refresh");
        Row("paini, refresh: a duplicate goes", ini, IniEntry(0) + "\nx=y\n" + IniEntry(5) + "\n", RESULT_OK, IniEntry(0) + "\nx=y\n",
            "refresh");
        Row("paini, refresh: an empty file, no blank line first", ini, "", RESULT_OK, Native(IniEntry(0) + "\n"), "refresh");
        Row("paini, refresh: only a dead line, no blank line first", ini, IniEntry(3, "%gone%") + "\n", RESULT_OK, Native(IniEntry(0) + "\n"),
            "refresh");
        Row("paini, refresh: created", ini, absent, RESULT_OK, Native("VERSION=1\n" + IniEntry(0) + "\n"), "refresh");

        // Declared encodings are kept; what Latin-1 can't encode is written as references.
        const QList<QStringList> encodings{{"ISO-8859-1", QString::fromUtf8("café ÿ"), QString::fromUtf8("C:/Prøgram Files/&#x5de5;&#x5177;")},
                                           {"UTF-8", QString::fromUtf8("café 工具 😀"), nonAscii},
                                           {"UTF-16", QString::fromUtf8("\u010a\u0d0e"), nonAscii}};
        for (const QStringList &encoding : encodings) {
            QTextCodec *codec = QTextCodec::codecForName(encoding[0].toLatin1());
            const bool mark = encoding[0] == "UTF-16";
            const QString name = "<custom_command><name>" + encoding[1] + "</name></custom_command>";
            const QString head = "<?xml version='1.0' encoding='" + encoding[0] + "'?>\n" + root10;
            // Line ends set before encoding: in UTF-16 they are two bytes each.
            QString written = head + "\n <custom_command>\n  <name>" + encoding[1] + "</name>\n </custom_command>\n"
                              + QString::fromUtf8(Added(1, base, encoding[2]));
            written = QString::fromUtf8(Native(written.toUtf8()));
            QTest::newRow(qPrintable("xml, " + encoding[0])) << xml << "register" << nonAscii << QByteArray()
                << Encoded(codec, head + name + "</custom_commands>\n", mark) << RESULT_OK << Encoded(codec, written, mark);
        }
    }

    void edit()
    {
        QFETCH(QString, file);
        QFETCH(QString, task);
        QFETCH(QString, appFolder);
        QFETCH(QByteArray, locale);
        QFETCH(QByteArray, before);
        QFETCH(quint32, result);
        QFETCH(QByteArray, after);

        QTemporaryDir dir;
        const QByteArray live = dir.path().toUtf8() + "/live";
        const QByteArray gone = dir.path().toUtf8() + "/gone"; // it exists, but holds no server script
        const QByteArray pastSix = live + " a b c d e f%20g";
        const QByteArray sixChoices = live + " a b c d e%20f";
        for (const QByteArray &folder : {live, gone, live + "%20pct", gone + "%20pct", live + " a%20b", pastSix, live + "/a b", sixChoices})
            QDir().mkpath(folder);
        for (const QByteArray &folder : {live, live + "%20pct", live + " a%20b", pastSix, live + "/a b", sixChoices})
            WriteBytes(folder + "/vivado_server.tcl", "");
        for (QByteArray *text : {&before, &after})
            text->replace("%live%", live).replace("%gone%", gone);

#ifdef Q_OS_WIN
        if (!locale.isEmpty())
            QSKIP("the locale's encoding is the system's code page here (tst_codepages)");
#endif
        QTextCodec *systemLocale = QTextCodec::codecForLocale();
        if (!locale.isEmpty())
            QTextCodec::setCodecForLocale(QTextCodec::codecForName(locale));
        const Edited edited = EditBytes(file, task, appFolder, before == absent ? nullptr : &before);
        // Read a command at a time, a file gives what its whole tree gives.
        const Edited batched = file == xml && task == "register" ? UpdateXmlFile().EditForUpdate(appFolder, before == absent ? nullptr : &before, 1) : edited;
        const Edited again = edited.bytes ? EditBytes(file, task, appFolder, &*edited.bytes) : edited;
        // After any run a refresh puts the file in order: a second one writes nothing.
        const Edited refreshed = EditBytes(file, "refresh", appFolder, edited.bytes ? &*edited.bytes : before == absent ? nullptr : &before);
        const bool refreshedTwice = refreshed.bytes && EditBytes(file, "refresh", appFolder, &*refreshed.bytes).bytes;
        QTextCodec::setCodecForLocale(systemLocale);

        QCOMPARE(edited.result, result);
        QCOMPARE(batched.bytes, edited.bytes);
        QCOMPARE(edited.bytes.has_value(), after != unchanged);
        if (after.startsWith("..."))
            QVERIFY2(edited.bytes->endsWith(after.mid(3)), edited.bytes->right(700));
        else if (after != unchanged)
            QCOMPARE(*edited.bytes, after);
        // A second run finds its own line, or has nothing left to remove.
        if (edited.bytes && (file == ini || task == "remove"))
            QVERIFY(!again.bytes || *again.bytes == *edited.bytes);
        // What a refresh leaves is in order.
        QVERIFY(task != "refresh" || !again.bytes);
        QVERIFY(!refreshedTwice);
    }

    // The ANSI code page as Windows converts it: a folder that it can't hold exactly is
    // never written into commands.paini, commands.xml names it by references, and every
    // byte of the user's stays. CTest runs these once per code page (Wine takes it from
    // LC_ALL); each row runs under the one it names. after: as edit's.
    void codePages_data()
    {
        QTest::addColumn<uint>("codePage");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("task");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<quint32>("result");
        QTest::addColumn<QByteArray>("after");

        const QString tools = QString::fromUtf8("C:/\u5de5\u5177");        // 工具: Chinese, not in 1252
        const QString lodz = QString::fromUtf8("C:/\u0141\u00f3d\u017a");  // Łódź: 1252 has only look-alikes
        const QString katakana = QString::fromUtf8("C:/\u30c4\u30fc\u30eb"); // ツール
        const QByteArray katakana932 = "C:/\x83\x63\x81\x5b\x83\x8b";
        const QString hangul = QString::fromUtf8("\ud55c"); // 한: in none of these code pages
        const QByteArray head = "VERSION=1\r\n0=a\r\n";
        const QByteArray userLine = "\r\n1=\x83\x41" + QByteArray(1, '\0') + "\x82\r\n"; // a NUL byte and a stray byte
        // From the user's command's name to the folder in the one the tool adds.
        const auto added = [](const QByteArray &name, const QByteArray &folder) {
            return "...<name>" + name + "</name>\r\n </custom_command>\r\n <custom_command>\r\n  <position>1</position>\r\n  <name>"
                + base.toUtf8() + "</name>\r\n  <menu_name>TALVORN Probe Core Inserter</menu_name>\r\n  <command>source \"" + folder
                + "/vivado_server.tcl\" -notrace</command>";
        };
        const auto row = [](const char *name, uint codePage, const QString &file, const QString &task, const QString &folder,
                            const QByteArray &before, quint32 result, const QByteArray &after = unchanged) {
            QTest::newRow(name) << codePage << file << task << folder << before << result << after;
        };

        row("1252: paini, created for a folder outside the code page: refused", 1252, ini, "register", tools, absent,
            ERR_INI_CREATE_FAILED);
        row("1252: paini, a folder with only look-alikes in the code page: refused", 1252, ini, "refresh", lodz, head,
            ERR_INI_OPEN_FAILED);
        row("1252: xml, a code-page byte under a UTF-8 declaration kept, the folder by references", 1252, xml, "register",
            lodz + " " + tools.mid(3, 1), Named("Caf\xe9"), RESULT_OK, added("Caf\xe9", "C:/&#x141;\xf3" "d&#x17a; &#x5de5;"));
        row("1250: paini, a folder in the code page: written in its bytes", 1250, ini, "register", lodz, absent, RESULT_OK,
            "VERSION=1\r\n" + IniEntry(0, "C:/\xa3\xf3\x64\x9f") + "\r\n");
        // 87 90 reads as the character that the system writes 81 E0.
        row("932: paini, a stray byte and a character the code page has twice kept beside the folder", 932, ini, "register", katakana,
            "0=\x82\r\n1=\x87\x90\r\n", RESULT_OK, "0=\x82\r\n1=\x87\x90\r\n" + IniEntry(2, katakana932) + "\r\n");
        row("932: paini, the user's lines after the tool's (a NUL field) kept", 932, ini, "refresh", katakana,
            IniEntry(0, katakana932) + userLine + IniEntry(2, "C:/gone") + "\r\n3=\x8f\x49\r\n", RESULT_OK,
            IniEntry(0, katakana932) + userLine + "3=\x8f\x49\r\n");
        row("932: paini, a folder outside the code page: refused", 932, ini, "register", "C:/" + hangul, head, ERR_INI_OPEN_FAILED);
        row("932: xml, code-page bytes under a UTF-8 declaration kept, the folder by references", 932, xml, "register",
            katakana + hangul, Named("\x83\x41"), RESULT_OK, added("\x83\x41", katakana932 + "&#xd55c;"));
        row("936: paini, a stray byte kept beside the folder", 936, ini, "refresh", tools, "0=\x81\n", RESULT_OK,
            "0=\x81\n" + IniEntry(1, "C:/\xb9\xa4\xbe\xdf") + "\n");
    }

    void codePages()
    {
        QFETCH(uint, codePage);
        QFETCH(QString, file);
        QFETCH(QString, task);
        QFETCH(QString, folder);
        QFETCH(QByteArray, before);
        QFETCH(quint32, result);
        QFETCH(QByteArray, after);
        if (AnsiCodePage() != codePage)
            QSKIP(qPrintable(QStringLiteral("needs code page %1, this is %2").arg(codePage).arg(AnsiCodePage())));
        const Edited edited = EditBytes(file, task, folder, before == absent ? nullptr : &before);
        // After it a refresh puts the file in order: a second one writes nothing.
        const QByteArray left = edited.bytes.value_or(before);
        const Edited refreshed = EditBytes(file, "refresh", folder, left == absent ? nullptr : &left);

        QCOMPARE(edited.result, result);
        const QByteArray written = edited.bytes.value_or(unchanged);
        if (after.startsWith("..."))
            QVERIFY2(written.contains(after.mid(3)), written.constData());
        else
            QCOMPARE(written, after);
        QVERIFY(!refreshed.bytes || !EditBytes(file, "refresh", folder, &*refreshed.bytes).bytes);
    }

    // What can't be read or replaced: the open-failure code, and the file as it was.
    void faults_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<quint32>("result");
        QTest::addColumn<QByteArray>("after");

        const QByteArray twoLines = "VERSION=1\n0=a\n";
        const QByteArray nearly16k = twoLines + QByteArray(16300, 'x');
        const auto row = [](const char *name, const QString &file, const QByteArray &before, quint32 result, const QByteArray &after,
                            const QString &fault) {
            QTest::newRow(name) << file << fault << before << result << (fault.endsWith("remove") ? after : Native(after));
        };
        row("paini, full disk", ini, nearly16k, ERR_INI_OPEN_FAILED, unchanged, "full disk");
        row("xml, full disk", xml, Named(QByteArray(16200, 'a')), ERR_XML_OPEN_FAILED, unchanged, "full disk");
        row("xml, full disk, read-only folder", xml, Named(QByteArray(16200, 'a')), ERR_XML_OPEN_FAILED, unchanged,
            "full disk, read-only folder");
        row("paini, read-only folder: written in place", ini, twoLines, RESULT_OK, twoLines + IniEntry(1) + "\n", "read-only folder");
        row("xml, another user's writable file: written in place", xml, Named("a"), RESULT_OK, NamedWritten("a"), "another user's file");
        row("xml, the user's own read-only file", xml, Named("a"), ERR_XML_OPEN_FAILED, unchanged, "read-only file");
        row("paini, rename refused (bind mount)", ini, twoLines, ERR_INI_OPEN_FAILED, unchanged, "bind mount");
        row("xml, removal, rename refused (bind mount)", xml, Xml(Registered(0, base, app)), ERR_XML_OPEN_FAILED, unchanged,
            "bind mount, remove");
        row("paini, not writable (immutable)", ini, twoLines, ERR_INI_OPEN_FAILED, unchanged, "immutable");
        row("xml, not writable (immutable)", xml, Named("a"), ERR_XML_OPEN_FAILED, unchanged, "immutable");
        row("paini, unreadable", ini, twoLines, ERR_INI_OPEN_FAILED, unchanged, "unreadable");
        row("paini, removal, unreadable", ini, twoLines, ERR_INI_OPEN_FAILED, unchanged, "unreadable, remove");
        row("xml, unreadable", xml, Named("a"), ERR_XML_OPEN_FAILED, unchanged, "unreadable");
        row("paini, a folder", ini, absent, ERR_INI_CREATE_FAILED, absent, "folder");
        row("xml, a folder", xml, absent, ERR_XML_OPEN_FAILED, absent, "folder");
        row("paini, a FIFO", ini, absent, ERR_INI_CREATE_FAILED, absent, "fifo");
        row("xml, a link to a device", xml, absent, ERR_XML_OPEN_FAILED, absent, "link to a device");
        row("xml, a link to a file: the file replaced", xml, Named("a"), RESULT_OK, NamedWritten("a"), "link");
        row("xml, owner, group and mode kept", xml, Named("a"), RESULT_OK, NamedWritten("a"), "owned by another user and group, 0600");
        row("paini, no commands folder", ini, absent, ERR_INI_CREATE_FAILED, absent, "no folder");
        row("xml, no commands folder", xml, absent, ERR_XML_OPEN_FAILED, absent, "no folder");
        row("xml, a new file left by a killed run is cleared", xml, Named("a"), RESULT_OK, NamedWritten("a"), "left over");
        row("xml, changed between read and replacement: made anew", xml, Named("a"), RESULT_OK, NamedWritten("b"), "changed meanwhile");
        row("xml, another run holds the lock through a linked folder", xml, Named("a"), RESULT_OK, NamedWritten("a"), "locked");
        const QString longName = QString(240, 'n');
        row("paini, name too long for the new file beside it", longName + ini, twoLines, ERR_INI_OPEN_FAILED, unchanged, "");
    }

    void faults()
    {
        QFETCH(QString, file);
        QFETCH(QString, fault);
        QFETCH(QByteArray, before);
        QFETCH(quint32, result);
        QFETCH(QByteArray, after);

        QTemporaryDir dir;
        QString folder = dir.path() + (fault == "no folder" ? "/commands" : "");
        if (fault.startsWith("full disk")) {
            folder = dir.path() + "/small";
            QDir().mkpath(folder);
            // 16 KiB: the old file fits, and neither a new one beside it nor its growth in place.
            if (!Run("mount", {"-t", "tmpfs", "-o", "size=16k,mode=0755", "tmpfs", folder}))
                QSKIP("mounting a small tmpfs needs root");
        }
        const QString path = folder + "/" + file;
        if (!MakeFault(fault, path, before))
            QSKIP(qPrintable("this platform or user can't make the fault: " + fault));
        const bool existed = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
        const QString kind = Kind(path);
        const QDateTime modified = QFileInfo(path).lastModified();
        QScopedPointer<AsOtherUser> other;
        if (fault.startsWith("unreadable"))
            other.reset(new AsOtherUser(path, QFile::Permissions()));
        else if (fault == "read-only file")
            other.reset(new AsOtherUser(path, QFile::Permissions(0x4444)));
        else if (fault.endsWith("read-only folder") || fault == "another user's file")
            other.reset(new AsOtherUser(path, QFile::Permissions(0x6666)));
        if (other && (fault.startsWith("unreadable") ? QFile(path).open(QIODevice::ReadOnly)
                      : fault == "read-only file" ? QFile(path).open(QIODevice::WriteOnly | QIODevice::Append)
                      : fault == "another user's file" ? !other->IsOtherUser() : QFile(folder + "/probe").open(QIODevice::WriteOnly)))
            QSKIP("this platform gives no way to deny that");

        qint64 took = 0;
        const ResultCode code = EditWithFault(fault, path, took);
        other.reset();
        const QByteArray written = ReadBytes(path);
        const QString kindAfter = Kind(path);
        const QDateTime modifiedAfter = QFileInfo(path).lastModified();
        UndoFault(fault, path);
        const QStringList leftOver = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        if (fault.startsWith("full disk"))
            Run("umount", {folder});

        QCOMPARE(code, result);
        if (after == unchanged) {
            QCOMPARE(written, before);
            QCOMPARE(modifiedAfter, modified); // not written again either
        } else {
            QCOMPARE(written, after);
        }
        QVERIFY2(leftOver.size() <= 1, qPrintable(leftOver.join(", "))); // no new file stays behind
        if (existed)
            QCOMPARE(kindAfter, kind);
        if (fault == "locked") // it waited for the other run and then made its edit
            QVERIFY2(took >= 400, qPrintable(QString::number(took)));
    }

    // Another process's change between the read and the replacement is never overwritten.
    // Only what the system says is not there is gone: an installation in a folder the
    // running account may not look into is no dead one.
    void isMissing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("missing");
        QTest::newRow("there") << "private/tool/vivado_server.tcl" << false;
        QTest::newRow("not there") << "private/other/vivado_server.tcl" << true;
        QTest::newRow("below a file") << "private/tool/vivado_server.tcl/x" << true;
        QTest::newRow("there, but we may not look") << "private/tool/vivado_server.tcl, as another user" << false;
    }

    void isMissing()
    {
        QFETCH(QString, path);
        QFETCH(bool, missing);
        QTemporaryDir dir;
        const QString folder = dir.path() + "/private";
        QDir().mkpath(folder + "/tool");
        WriteBytes(folder + "/tool/vivado_server.tcl", "");
        const bool asOther = path.endsWith(", as another user");
        path = dir.path() + "/" + path.remove(", as another user");
        QScopedPointer<AsOtherUser> other(asOther ? new AsOtherUser(folder + "/tool", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
                                                  : nullptr);
        if (asOther && (!other->IsOtherUser() || QFile(path).open(QIODevice::ReadOnly)))
            QSKIP("this platform or user gives no way to deny that");
        const bool result = FileSystem::IsMissing(path);
        other.reset();
        QCOMPARE(result, missing);
    }

    // A file can name more dead folders than a run looks at: the rest stay for the next run,
    // which goes on from there.
    void deadFoldersLookedAtPerRun_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("commands.paini") << "commands.paini";
        QTest::newRow("commands.xml") << "commands.xml";
    }

    void deadFoldersLookedAtPerRun()
    {
        QFETCH(QString, file);
        QTemporaryDir dir;
        const QString path = dir.path() + "/" + file;
        QByteArray bytes = file.endsWith(".xml") ? "<custom_commands major='1' minor='0'>\n" : "VERSION=1\n";
        for (int i = 0; i <= Registration::maxLooksPerFile; ++i) {
            const QString gone = dir.path() + "/gone" + QString::number(i);
            bytes += file.endsWith(".xml") ? "<custom_command><name>TALVORN_Probe_Core_Inserter</name><command>"
                    + Registration::Command(gone).toHtmlEscaped().toUtf8() + "</command></custom_command>\n"
                                           : QString::number(i).toUtf8() + "=" + Registration::IniValue(gone).toUtf8() + "\n";
        }
        WriteBytes(path, bytes + (file.endsWith(".xml") ? "</custom_commands>\n" : ""));
        const auto remove = [&] {
            return file.endsWith(".xml") ? UpdateXmlFile().Remove(dir.path() + "/app", path) : UpdateIniFile().Remove(dir.path() + "/app", path);
        };
        QCOMPARE(remove(), RESULT_OK);
        QCOMPARE(ReadBytes(path).count("vivado_server.tcl"), 1);
        QCOMPARE(remove(), RESULT_OK);
        QCOMPARE(ReadBytes(path).count("vivado_server.tcl"), 0);
    }

    void replaceOnlyWhatWasRead_data()
    {
        QTest::addColumn<QByteArray>("read");     // absent: none expected
        QTest::addColumn<QByteArray>("meanwhile"); // absent: no change
        QTest::addColumn<bool>("sameTime");       // the change keeps the modification time
        QTest::addColumn<bool>("replaced");

        QTest::newRow("unchanged") << QByteArray("old") << absent << false << true;
        QTest::newRow("changed") << QByteArray("old") << QByteArray("other") << false << false;
        QTest::newRow("changed, same size and time") << QByteArray("old") << QByteArray("odd") << true << false;
        QTest::newRow("created meanwhile") << absent << QByteArray("other") << false << false;
        QTest::newRow("none") << absent << absent << false << true;
    }

    void replaceOnlyWhatWasRead()
    {
        QFETCH(QByteArray, read);
        QFETCH(QByteArray, meanwhile);
        QFETCH(bool, sameTime);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString path = dir.path() + "/file";
        FileSnapshot snapshot = FileSnapshot::Absent();
        if (read != absent) {
            WriteBytes(path, read);
            QVERIFY(snapshot.Take(path));
        }
        if (meanwhile != absent) {
            const QDateTime time = QFileInfo(path).lastModified();
            WriteBytes(path, meanwhile);
            QFile file(path);
            QVERIFY(!sameTime || (file.open(QIODevice::ReadWrite) && file.setFileTime(time, QFileDevice::FileModificationTime)));
        }
        QString reason;
        const FileReplacer::Outcome outcome = FileReplacer::Replace(path, snapshot, "new", reason);
        QCOMPARE(outcome, replaced ? FileReplacer::Outcome::Replaced : FileReplacer::Outcome::ChangedMeanwhile);
        QCOMPARE(ReadBytes(path), replaced ? QByteArray("new") : meanwhile);
    }

    // Fields kept only in memory, read by tag, exactly, the last of a tag winning.
    void readCommand_data()
    {
        QTest::addColumn<QString>("children");
        QTest::addColumn<QString>("read");

        QTest::newRow("every field") << "<position>7</position><name>n</name><menu_name>m</menu_name><command>c</command><tooltip>t</tooltip>"
                                        "<toolbar_icon>i</toolbar_icon><show_on_toolbar>TRUE</show_on_toolbar><run_proc>True</run_proc>"
                                        "<source name='USER'/>" << "7|n|m|c|t|i|1|1|USER";
        QTest::newRow("none") << "" << "0||||||0|0|";
        QTest::newRow("last wins, tags case-sensitive") << "<position>x</position><name>a</name><name>b</name><Name>c</Name>"
                                                           "<run_proc>yes</run_proc><source/>" << "0|b|||||0|0|";
    }

    void readCommand()
    {
        QFETCH(QString, children);
        QFETCH(QString, read);
        QDomDocument document;
        QVERIFY(document.setContent("<custom_command>" + children + "</custom_command>"));
        UpdateXmlFile editor;
        QCOMPARE(editor.ReadCommand(document.documentElement()), RESULT_OK);
        const CustomCommand &c = editor.Commands().value(0);
        QCOMPARE(QStringList({QString::number(c.position), c.name, c.menu_name, c.command, c.tooltip, c.toolbar_icon,
                              QString::number(c.show_on_toolbar), QString::number(c.run_proc), c.source}).join('|'), read);
    }

    // The serialiser must give byte for byte what QDomDocument::toString(1) gives.
    void serializerSameAsQt_data()
    {
        QTest::addColumn<QString>("xml");

        QTest::newRow("escapes in text and attributes") << "<r a='&lt;&amp;&quot;&gt;]]&gt; &#9;&#10;&#13;'>]]&gt;&lt;&amp;\"]]&gt;&gt;]&gt;&#13;\n\t</r>";
        QTest::newRow("mixed content, comments, CDATA, PIs") << "<?xml version='1.0'?><!--x--><?p q?><r>a<b>c</b>d<!-- y- --><f/>g"
                                                                "<![CDATA[<z>]]><?s t?><e></e></r><!--w-->";
        QTest::newRow("DOCTYPE and entities") << "<!DOCTYPE r [<!ENTITY e 'v'><!NOTATION n SYSTEM 'u'>]><r>&e;</r>";
        QTest::newRow("external DOCTYPE, skipped entity") << "<!DOCTYPE r SYSTEM 'r.dtd'><r>a&x;b</r>";
        QTest::newRow("Latin-1 cannot encode everything") << QString::fromUtf8("<?xml version='1.0' encoding='ISO-8859-1'?><r a='é工'>ÿ工</r>");
    }

    void serializerSameAsQt()
    {
        QFETCH(QString, xml);
        QDomDocument document;
        QVERIFY(document.setContent(xml, false));
        document.documentElement().appendChild(document.createElement("added")).appendChild(document.createTextNode("t"));

        QString written;
        DomSerializer(1, [&written](const QString &piece) { written += piece; }).Write(document);
        QCOMPARE(written, document.toString(1));
    }
    // A command is the tool's exactly when the registration could have named it so: the
    // names that the removal takes are the ones that the namer counts as taken.
    void ownCommandNames_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("own");
        QTest::addColumn<QString>("nextName");

        QTest::newRow("_2") << "_2" << true << "_3";
        QTest::newRow("_17") << "_17" << true << "_2";
        QTest::newRow("_02, a leading zero") << "_02" << false << "_2";
        QTest::newRow("_+2") << "_+2" << false << "_2";
        QTest::newRow("_1, never written") << "_1" << false << "_2";
        QTest::newRow("_2 and a space") << "_2 " << false << "_2";
    }

    void ownCommandNames()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, own);
        QFETCH(QString, nextName);
        const QByteArray file = declaration + root10 + "<custom_command><name>" + base.toUtf8() + "</name></custom_command>"
            + "<custom_command><name>" + (base + suffix).toUtf8() + "</name><command>"
            + Registration::Command(app).toHtmlEscaped().toUtf8() + "</command></custom_command></custom_commands>\n";
        QCOMPARE(UpdateXmlFile().EditForRemoval(app, &file).bytes.has_value(), own);
        const Edited updated = UpdateXmlFile().EditForUpdate(app, &file);
        QVERIFY(updated.bytes);
        QVERIFY(updated.bytes->contains("<name>" + (base + nextName).toUtf8() + "</name>"));
    }

    // The steps of a registration write only over what they read, so that a change that
    // another program made in between is kept.
    void fileStepsWriteOverWhatTheyRead_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("changedMeanwhile");

        QTest::newRow("paini") << ini << false;
        QTest::newRow("paini, changed meanwhile") << ini << true;
        QTest::newRow("xml") << xml << false;
        QTest::newRow("xml, changed meanwhile") << xml << true;
    }

    void fileStepsWriteOverWhatTheyRead()
    {
        QFETCH(QString, file);
        QFETCH(bool, changedMeanwhile);
        QTemporaryDir dir;
        const QString path = dir.path() + "/" + file;
        const QByteArray before = file == ini ? QByteArray("VERSION=1\n") : declaration + root10 + "</custom_commands>\n";
        const QByteArray other = before + (file == ini ? "5=other\n" : "<!-- other -->\n");
        WriteBytes(path, before);
        ResultCode result = RESULT_OK;
        if (file == ini) {
            UpdateIniFile editor;
            QStringList lines;
            QCOMPARE(editor.ReadLines(path, lines), RESULT_OK);
            QCOMPARE(editor.AppendEntry(lines), RESULT_OK);
            if (changedMeanwhile)
                WriteBytes(path, other);
            result = editor.WriteLines(path, lines);
        } else {
            UpdateXmlFile editor;
            QCOMPARE(editor.ReadFile(path), RESULT_OK);
            editor.AddCommand();
            if (changedMeanwhile)
                WriteBytes(path, other);
            result = editor.WriteFile(path);
        }
        const ResultCode failed = file == ini ? ERR_INI_OPEN_FAILED : ERR_XML_OPEN_FAILED;
        QCOMPARE(result, changedMeanwhile ? failed : RESULT_OK);
        QCOMPARE(ReadBytes(path) == other, changedMeanwhile);
        QCOMPARE(ReadBytes(path).contains("vivado_server.tcl"), !changedMeanwhile);
    }

    // A file that appeared after the registration found none is edited, not replaced.
    void createNewFileKeepsAFileThatAppeared()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/" + ini;
        WriteBytes(path, "VERSION=1\n5=other\n");
        QCOMPARE(UpdateIniFile().CreateNewFile(path), RESULT_OK);
        QVERIFY(ReadBytes(path).startsWith(Native("VERSION=1\n5=other\n")));
        QVERIFY(ReadBytes(path).contains("vivado_server.tcl"));
    }
};

VIVADO_TEST_MAIN(TestEditors)

#include "tst_editors.moc"
