#include "xmlcommands/updatexmlfile.h"

#include "integration/textfilewriter.h"
#include "xmlcommands/checkedxmldevice.h"
#include "xmlcommands/domserializer.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTextCodec>

namespace {
const QString baseCommandName = QStringLiteral("TALVORN_Probe_Core_Inserter");

// Vivado's own files nest 4 deep. Qt 5's DOM parses, writes and frees a tree by
// recursion, a stack frame per level, so a file nested thousands deep crashes it.
constexpr int maxElementDepth = 256;

bool HasByteOrderMark(const QString &filePath)
{
    QFile file(filePath);
    return file.open(QIODevice::ReadOnly) && QTextCodec::codecForUtfText(file.peek(4), nullptr);
}

QString FlagText(bool flag)
{
    return flag ? QStringLiteral("true") : QStringLiteral("false");
}

// QDomElement::text() builds a new string each time; a lone text child's own
// string is the same text, shared. Reading a large file spends its time here.
QString TextOf(const QDomElement &element)
{
    const QDomNode child = element.firstChild();
    if (child.isText() && child.nextSibling().isNull())
        return child.nodeValue();
    return element.text();
}

bool ReadFlag(const QDomElement &element)
{
    return TextOf(element).toLower() == QLatin1String("true");
}
}

ResultCode UpdateXmlFile::Update(const QString &appFolder, const QString &filePath)
{
    this->appFolder = appFolder;
    if (FileExists(filePath)) {
        const ResultCode result = ReadFile(filePath);
        if (result != RESULT_OK)
            return result;
    } else {
        CreateNewDocument();
    }
    if (IsInstalled())
        return RESULT_OK;
    AddCommand();
    return WriteFile(filePath);
}

bool UpdateXmlFile::FileExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

ResultCode UpdateXmlFile::ReadFile(const QString &filePath)
{
    qDebug() << "UpdateXmlFile::ReadFile - filePath =" << filePath;
    document.clear();
    QFile file(filePath);
    // Not in text mode: on Windows that drops every CR byte, breaking UTF-16 text; the
    // XML parser turns CR LF into LF itself.
    if (!file.open(QIODevice::ReadOnly))
        return ERR_XML_OPEN_FAILED;

    // The stream reader also rejects what is not well-formed before the DOM has it.
    CheckedXmlDevice checked(file, maxElementDepth);
    checked.open(QIODevice::ReadOnly);
    QString errorMessage;
    int errorLine = 0;
    int errorColumn = 0;
    if (!document.setContent(&checked, false, &errorMessage, &errorLine, &errorColumn)
        || !checked.IsWellFormedAndShallow())
        return ERR_XML_READ_FAILED;
    file.close();

    const QDomElement root = FindCommandsRoot();
    return root.isNull() ? RESULT_OK : ReadCommands(root);
}

bool UpdateXmlFile::PassesVersionTest(const QDomElement &element)
{
    const QString major = QStringLiteral("major");
    const QString minor = QStringLiteral("minor");
    return element.tagName() == QLatin1String("custom_commands")
        && element.hasAttribute(major) && element.hasAttribute(minor)
        && element.attribute(major, QString()).toUInt(nullptr, 10) == 1
        && element.attribute(minor, QString()).toUInt(nullptr, 10) == 0;
}

QDomElement UpdateXmlFile::FindCommandsRoot() const
{
    for (QDomElement element = document.firstChildElement(); !element.isNull();
         element = element.nextSiblingElement()) {
        if (PassesVersionTest(element))
            return element;
    }
    return QDomElement();
}

ResultCode UpdateXmlFile::ReadCommands(const QDomElement &root)
{
    const QString tag = QStringLiteral("custom_command");
    for (QDomElement element = root.firstChildElement(tag); !element.isNull();
         element = element.nextSiblingElement(tag)) {
        const ResultCode result = ReadCommand(element);
        if (result != RESULT_OK)
            return result;
    }
    return RESULT_OK;
}

ResultCode UpdateXmlFile::ReadCommand(const QDomElement &element)
{
    CustomCommand command;
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        const QString tag = child.tagName();
        if (tag == QLatin1String("position"))
            command.position = TextOf(child).toUInt(nullptr, 10);
        else if (tag == QLatin1String("name"))
            command.name = TextOf(child);
        else if (tag == QLatin1String("menu_name"))
            command.menu_name = TextOf(child);
        else if (tag == QLatin1String("command"))
            command.command = TextOf(child);
        else if (tag == QLatin1String("tooltip"))
            command.tooltip = TextOf(child);
        else if (tag == QLatin1String("toolbar_icon"))
            command.toolbar_icon = TextOf(child);
        else if (tag == QLatin1String("show_on_toolbar"))
            command.show_on_toolbar = ReadFlag(child);
        else if (tag == QLatin1String("run_proc"))
            command.run_proc = ReadFlag(child);
        else if (tag == QLatin1String("source") && child.hasAttribute(QStringLiteral("name")))
            command.source = child.attribute(QStringLiteral("name"));
    }
    commands.append(command);
    return RESULT_OK;
}

bool UpdateXmlFile::IsInstalled() const
{
    for (const CustomCommand &command : commands) {
        if (command.command.contains(QLatin1String("vivado_server.tcl"), Qt::CaseSensitive)
            && command.name.contains(QLatin1String("Talvorn_Core_Inserter"), Qt::CaseSensitive))
            return true;
    }
    return false;
}

void UpdateXmlFile::CreateNewDocument()
{
    document.appendChild(document.createProcessingInstruction(
        QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = document.createElement(QStringLiteral("custom_commands"));
    root.setAttribute(QStringLiteral("major"), QStringLiteral("1"));
    root.setAttribute(QStringLiteral("minor"), QStringLiteral("0"));
    document.appendChild(root);
}

void UpdateXmlFile::AddCommand()
{
    QDomElement root = FindCommandsRoot();
    if (!root.isNull())
        AppendCommandElement(root);
}

void UpdateXmlFile::AppendTextElement(QDomElement &parent, const QString &tag, const QString &text)
{
    QDomElement element = document.createElement(tag);
    element.appendChild(document.createTextNode(text));
    parent.appendChild(element);
}

void UpdateXmlFile::AppendCommandElement(QDomElement &root)
{
    const CustomCommand command = MakeNewCommand();
    QDomElement element = document.createElement(QStringLiteral("custom_command"));
    AppendTextElement(element, QStringLiteral("position"), QString::number(command.position, 10));
    AppendTextElement(element, QStringLiteral("name"), command.name);
    AppendTextElement(element, QStringLiteral("menu_name"), command.menu_name);
    AppendTextElement(element, QStringLiteral("command"), command.command);
    AppendTextElement(element, QStringLiteral("tooltip"), command.tooltip);
    AppendTextElement(element, QStringLiteral("toolbar_icon"), command.toolbar_icon);
    AppendTextElement(element, QStringLiteral("show_on_toolbar"), FlagText(command.show_on_toolbar));
    AppendTextElement(element, QStringLiteral("run_proc"), FlagText(command.run_proc));
    QDomElement source = document.createElement(QStringLiteral("source"));
    source.setAttribute(QStringLiteral("name"), command.source);
    element.appendChild(source);
    root.appendChild(element);
}

CustomCommand UpdateXmlFile::MakeNewCommand() const
{
    CustomCommand command;
    command.position = NextPosition();
    command.name = MakeCommandName();
    command.menu_name = QStringLiteral("TALVORN Probe Core Inserter");
    command.command = QStringLiteral("source \"%1/vivado_server.tcl\" -notrace").arg(appFolder);
    command.tooltip = QStringLiteral("Start TALVORN Probe Core Inserter");
    command.toolbar_icon = QStringLiteral("%1/Talvorn_CI_A.png").arg(appFolder);
    command.show_on_toolbar = true;
    command.run_proc = true;
    command.source = QStringLiteral("USER");
    return command;
}

quint32 UpdateXmlFile::NextPosition() const
{
    if (commands.isEmpty())
        return 0;
    quint32 largest = 0;
    for (const CustomCommand &command : commands)
        largest = qMax(largest, command.position);
    return largest + 1u; // wraps to 0 after 4294967295
}

QString UpdateXmlFile::MakeCommandName() const
{
    QSet<QString> names;
    names.reserve(commands.size());
    for (const CustomCommand &command : commands)
        names.insert(command.name);
    if (!names.contains(baseCommandName))
        return baseCommandName;
    // At most names.size() candidates can be taken, so this ends soon.
    for (quint64 number = 2;; ++number) {
        const QString candidate = QStringLiteral("%1_%2").arg(baseCommandName, QString::number(number));
        if (!names.contains(candidate))
            return candidate;
    }
}

ResultCode UpdateXmlFile::WriteFile(const QString &filePath)
{
    qDebug() << "UpdateXmlFile::WriteFile - filePath =" << filePath;
    const bool byteOrderMark = HasByteOrderMark(filePath);
    TextFileWriter writer(filePath);
    if (!writer.Open())
        return ERR_XML_OPEN_FAILED;
    // Only opening has a result code; a failed write leaves the old file whole.
    writer.Start(DomSerializer::DeclaredCodec(document), byteOrderMark);
    DomSerializer(1, [&writer](const QString &piece) { writer.Append(piece); }).Write(document);
    writer.Commit();
    return RESULT_OK;
}
