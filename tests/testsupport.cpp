#include "testsupport.h"

#include "integration/updateinifile.h"
#include "integration/vivadointegration.h"
#include "xmlcommands/updatexmlfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace TestSupport {

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    // Not a FIFO or device: reading one could wait forever.
    const bool readable = QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
    return readable ? file.readAll() : QByteArray("<unreadable>");
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(), qPrintable(path));
}

QString CommandsFolder(const QString &vivado, const QString &version)
{
    return vivado + "/" + version + "/commands";
}

QString MakeProfile(const QString &base, const QStringList &versions)
{
    // Where Vivado itself keeps the folder, written out here rather than taken from the
    // product, so that a wrong place in the product shows.
#ifdef Q_OS_WIN
    const QString vivado = base + "/AppData/Roaming/Xilinx/Vivado";
#else
    const QString vivado = base + "/.Xilinx/Vivado";
#endif
    QDir().mkpath(vivado);
    for (const QString &version : versions)
        QDir().mkpath(CommandsFolder(vivado, version));
    qputenv("HOME", QFile::encodeName(base));
    return vivado;
}

QStringList FilesIn(const QString &vivado, const QStringList &versions)
{
    QStringList found;
    for (const QString &version : versions) {
        const QStringList names = QDir(CommandsFolder(vivado, version)).entryList(QDir::Files);
        found << (names.isEmpty() ? QStringLiteral("-") : names.join(','));
    }
    return found;
}

QByteArray Native(QByteArray text)
{
#ifdef Q_OS_WIN
    text.replace("\n", "\r\n");
#endif
    return text;
}

const QByteArray IniExampleLine =
    "3=TALVORN%20Probe%20Core%20Inserter source%20\"C:/Program%20Files/Tool/vivado_server.tcl\"%20-notrace \"\" "
    "C:/Program%20Files/Tool/Talvorn_CI_A.png Start%20TALVORN%20Core%20Inserter \"\" true " + QByteArray(1, '\0') + " \"\" true 0";

QByteArray IniEntry(qint64 key, QByteArray folder)
{
    return QByteArray::number(key) + IniExampleLine.mid(1).replace("C:/Program%20Files/Tool", folder.replace(' ', "%20"));
}

QByteArray Added(quint32 position, const QString &name, const QString &folder)
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

QByteArray Command(quint32 position, const QString &name, const QByteArray &command)
{
    return "<custom_command><position>" + QByteArray::number(position) + "</position><name>" + name.toUtf8()
           + "</name><command>" + command + "</command></custom_command>";
}

QByteArray Registered(quint32 position, const QString &name, const QString &folder)
{
    return Command(position, name, "source \"" + folder.toUtf8() + "/vivado_server.tcl\" -notrace");
}

QByteArray Named(const QByteArray &name)
{
    return Xml("<custom_command><name>" + name + "</name></custom_command>");
}

QByteArray NamedWritten(const QByteArray &name)
{
    return declarationRead + root10 + "\n <custom_command>\n  <name>" + name + "</name>\n </custom_command>\n" + Added(1);
}

Edited EditBytes(Format format, Task task, const QString &appFolder, const QByteArray *bytes)
{
    if (format == Format::Xml)
        return task == Task::Remove ? UpdateXmlFile().EditForRemoval(appFolder, bytes)
             : task == Task::Refresh ? UpdateXmlFile().EditForRefresh(appFolder, bytes) : UpdateXmlFile().EditForUpdate(appFolder, bytes, 0);
    return task == Task::Remove ? UpdateIniFile().EditForRemoval(appFolder, bytes)
         : task == Task::Refresh ? UpdateIniFile().EditForRefresh(appFolder, bytes) : UpdateIniFile().EditForUpdate(appFolder, bytes);
}

ResultCode EditFile(Format format, Task task, const QString &appFolder, const QString &path)
{
    if (format == Format::Xml)
        return task == Task::Remove ? UpdateXmlFile().Remove(appFolder, path)
             : task == Task::Refresh ? UpdateXmlFile().Refresh(appFolder, path) : UpdateXmlFile().Update(appFolder, path);
    return task == Task::Remove ? UpdateIniFile().Remove(appFolder, path)
         : task == Task::Refresh ? UpdateIniFile().Refresh(appFolder, path) : UpdateIniFile().Update(appFolder, path);
}

void AddEditColumns()
{
    QTest::addColumn<Task>("task");
    QTest::addColumn<QString>("appFolder");
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<quint32>("result");
    QTest::addColumn<QByteArray>("after");
}

void EditRow(const char *name, const QByteArray &before, quint32 result, const QByteArray &after, Task task,
             const QString &appFolder, const QByteArray &locale)
{
    QTest::newRow(name) << task << appFolder << locale << before << result << (task == Task::Register ? Native(after) : after);
}

void CheckEditRow(Format format)
{
    QFETCH(Task, task);
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
        QSKIP("the locale's encoding is the system's code page here (tst_textencoding)");
#endif
    QTextCodec *systemLocale = QTextCodec::codecForLocale();
    if (!locale.isEmpty())
        QTextCodec::setCodecForLocale(QTextCodec::codecForName(locale));
    const QByteArray *bytes = before == absent ? nullptr : &before;
    const Edited edited = EditBytes(format, task, appFolder, bytes);
    // Read a command at a time, a file gives what its whole tree gives.
    const Edited batched = format == Format::Xml && task == Task::Register ? UpdateXmlFile().EditForUpdate(appFolder, bytes, 1) : edited;
    const Edited again = edited.bytes ? EditBytes(format, task, appFolder, &*edited.bytes) : edited;
    // After any run a refresh puts the file in order: a second one writes nothing.
    const Edited refreshed = EditBytes(format, Task::Refresh, appFolder, edited.bytes ? &*edited.bytes : bytes);
    const bool refreshedTwice = refreshed.bytes && EditBytes(format, Task::Refresh, appFolder, &*refreshed.bytes).bytes;
    QTextCodec::setCodecForLocale(systemLocale);

    QCOMPARE(edited.result, result);
    QCOMPARE(batched.bytes, edited.bytes);
    QCOMPARE(edited.bytes.has_value(), after != unchanged);
    if (after.startsWith("..."))
        QVERIFY2(edited.bytes->endsWith(after.mid(3)), edited.bytes->right(700));
    else if (after != unchanged)
        QCOMPARE(*edited.bytes, after);
    // A second run finds its own line, or has nothing left to remove.
    if (edited.bytes && (format == Format::Ini || task == Task::Remove))
        QVERIFY(!again.bytes || *again.bytes == *edited.bytes);
    // What a refresh leaves is in order.
    QVERIFY(task != Task::Refresh || !again.bytes);
    QVERIFY(!refreshedTwice);
}

} // namespace TestSupport
