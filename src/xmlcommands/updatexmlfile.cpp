#include "xmlcommands/updatexmlfile.h"

#include "registration/registration.h"
#include "xmlcommands/commandbatches.h"
#include "xmlcommands/commandspans.h"
#include "xmlcommands/domserializer.h"
#include "xmlcommands/xmllimits.h"

#include <QDebug>
#include <algorithm>
#include <vector>

namespace {
// A file too large to read gives the same code as one that can't be read.
const FailureCodes xmlCodes{ERR_XML_OPEN_FAILED, ERR_XML_OPEN_FAILED, ERR_XML_READ_FAILED};

QString FlagText(bool flag)
{
    return flag ? QStringLiteral("true") : QStringLiteral("false");
}

// QDomElement::text() builds a new string each time, while a lone text child's own
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

// Whether the text holds only characters that XML 1.0 allows: no other control characters, no U+FFFE or
// U+FFFF, no half of a surrogate pair.
bool IsXmlText(const QString &text)
{
    for (int i = 0; i < text.size(); ++i) {
        const ushort unit = text.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        const bool allowed = unit == 0x9 || unit == 0xA || unit == 0xD || (unit >= 0x20 && unit < 0xD800)
            || (unit >= 0xE000 && unit <= 0xFFFD);
        if (!allowed)
            return false;
    }
    return true;
}
}

ResultCode UpdateXmlFile::Update(const QString &appFolder, const QString &filePath)
{
    return RunLogged(filePath, [&](const QByteArray *bytes) { return EditForUpdate(appFolder, bytes); });
}

// Runs the edit, with the debug lines of a read and a write.
ResultCode UpdateXmlFile::RunLogged(const QString &filePath, const TextEdit &edit)
{
    if (FileExists(filePath))
        LogRead(filePath);
    return FileEdit::Run(filePath, xmlCodes, [&](const QByteArray *bytes) {
        const Edited edited = edit(bytes);
        if (edited.bytes)
            LogWrite(filePath);
        return edited;
    });
}

Edited UpdateXmlFile::EditForUpdate(const QString &appFolder, const QByteArray *bytes, int batchSize)
{
    this->appFolder = appFolder;
    // A folder with characters that XML doesn't allow would leave a file that no XML
    // reader, Vivado's included, reads again, and no reference can stand for them either.
    if (!IsXmlText(appFolder))
        return Edited::Unchanged(ERR_XML_OPEN_FAILED);
    document.clear();
    commands.clear();
    if (bytes) {
        const QString text = Decoded(*bytes);
        if (!XmlLimits::Accepts(text))
            return Edited::Unchanged(ERR_XML_READ_FAILED);
        Edited edited = Edited::Unchanged(RESULT_OK);
        if (UpdateInBatches(text, batchSize, edited))
            return edited;
        document.clear();
        commands.clear();
        const ResultCode result = Parse(text);
        if (result != RESULT_OK)
            return Edited::Unchanged(result);
    } else {
        encoding = TextEncoding(TextEncoding::Utf8());
        CreateNewDocument();
    }
    if (IsInstalled())
        return Edited::Unchanged(RESULT_OK);
    AddCommand();
    return Edited::Written(WrittenText());
}

// Parses the outline and each batch, reads the batches' commands and writes them out as
// it goes; the new command is made from the outline's root. Returns false, with the work
// thrown away, where the pieces wouldn't give the whole tree's text.
bool UpdateXmlFile::UpdateInBatches(const QString &text, int batchSize, Edited &edited)
{
    CommandBatches batches;
    QString before;
    QString after;
    if (batchSize <= 0 || !batches.Split(text, batchSize) || !document.setContent(batches.Outline(), false))
        return false;
    QDomElement root = FindCommandsRoot();
    QString outline;
    DomSerializer(1, [&outline](const QString &piece) { outline += piece; }, encoding.Codec()).Write(document);
    if (root.isNull() || !CommandBatches::CutAtPlaceholder(outline, before, after))
        return false;
    EncodedText written(encoding, TextEncoding::LineEnds::Native);
    DomSerializer writer(1, [&written](const QString &piece) { written.Append(piece); }, encoding.Codec());
    written.Append(before);
    for (const QStringRef &batch : batches.Batches()) {
        QDomDocument part;
        if (!part.setContent(QLatin1String("<batch>") + batch + QLatin1String("</batch>"), false))
            return false;
        const QDomElement children = part.documentElement();
        // The serialiser leaves out an element's indent or line end where text stands
        // next to it. Text at either end of a batch stands next to an element of the
        // batch before or after, which this batch's tree doesn't hold, so the batch would
        // come out laid out otherwise than in the whole tree: such a file is written whole.
        if (children.firstChild().isText() || children.lastChild().isText())
            return false;
        const int read = commands.size();
        ReadCommands(children);
        KeepOwnStrings(read);
        writer.WriteChildren(children, 1);
    }
    if (!IsInstalled()) {
        root.removeChild(root.firstChild());
        AppendCommandElement(root);
        writer.WriteChildren(root, 1);
        written.Append(after);
    }
    edited = IsInstalled() ? Edited::Unchanged(RESULT_OK) : Edited::Written(written.Bytes());
    return true;
}

ResultCode UpdateXmlFile::Remove(const QString &appFolder, const QString &filePath)
{
    return FileEdit::Run(filePath, xmlCodes, [&](const QByteArray *bytes) { return EditForRemoval(appFolder, bytes); });
}

ResultCode UpdateXmlFile::RemoveContained(const QString &appFolder, const QString &base, const QStringList &names)
{
    return FileEdit::RunContained(base, names, xmlCodes, [&](const QByteArray *bytes) { return EditForRemoval(appFolder, bytes); });
}

ResultCode UpdateXmlFile::Refresh(const QString &appFolder, const QString &filePath)
{
    return RunLogged(filePath, [&](const QByteArray *bytes) { return EditForRefresh(appFolder, bytes); });
}

bool UpdateXmlFile::ReadSpans(const QByteArray &bytes, QString &text, QVector<CommandSpan> &spans, bool *hasRoot)
{
    text = Decoded(bytes);
    return XmlLimits::Accepts(text) && CommandSpans::Read(text, spans, hasRoot);
}

// The entries are taken out of the text as it is, not rewritten from a tree, so that
// every byte of the user's stays, the way it was written included.
Edited UpdateXmlFile::EditForRemoval(const QString &appFolder, const QByteArray *bytes)
{
    this->appFolder = appFolder;
    if (!bytes)
        return Edited::Unchanged(RESULT_OK);
    QString text;
    QVector<CommandSpan> spans;
    if (!ReadSpans(*bytes, text, spans))
        return Edited::Unchanged(ERR_XML_READ_FAILED);
    QVector<CommandSpan> removed;
    Registration::Sweep sweep(Registration::Sweep::Purpose::Removal, appFolder);
    for (const CommandSpan &span : spans) {
        if (sweep.TakesXmlEntry(span.name, span.command))
            removed.append(span);
    }
    if (removed.isEmpty())
        return Edited::Unchanged(RESULT_OK);
    return Edited::Written(encoding.Encode(CommandSpans::Without(text, removed), TextEncoding::LineEnds::AsWritten));
}

Edited UpdateXmlFile::EditForRefresh(const QString &appFolder, const QByteArray *bytes)
{
    this->appFolder = appFolder;
    if (!bytes)
        return EditForUpdate(appFolder, nullptr);
    QString text;
    QVector<CommandSpan> spans;
    bool hasRoot = false;
    if (!ReadSpans(*bytes, text, spans, &hasRoot))
        return Edited::Unchanged(ERR_XML_READ_FAILED);
    if (!hasRoot || std::any_of(spans.cbegin(), spans.cend(),
                                [](const CommandSpan &span) { return Registration::IsEarlierRegistration(span.name, span.command); }))
        return Edited::Unchanged(RESULT_OK);
    QVector<CommandSpan> removed;
    Registration::Sweep sweep(Registration::Sweep::Purpose::Refresh, appFolder);
    for (const CommandSpan &span : spans) {
        if (sweep.TakesXmlEntry(span.name, span.command))
            removed.append(span);
    }
    const bool own = sweep.KeepsOwnEntry();
    if (own && removed.isEmpty())
        return Edited::Unchanged(RESULT_OK);
    const QByteArray rest = removed.isEmpty()
        ? *bytes : encoding.Encode(CommandSpans::Without(text, removed), TextEncoding::LineEnds::AsWritten);
    if (own)
        return Edited::Written(rest);
    const Edited added = EditForUpdate(appFolder, &rest);
    return added.result == RESULT_OK && !added.bytes ? Edited::Written(rest) : added;
}

// A batch's tree is freed once it is written. Its records keep only what the new
// command's position and name and the test for an earlier registration read, in strings
// of their own, because strings shared with the tree would keep its memory from being
// used again.
void UpdateXmlFile::KeepOwnStrings(int from)
{
    const auto own = [](const QString &text) { return QString(text.constData(), text.size()); };
    for (auto command = commands.begin() + from; command != commands.end(); ++command) {
        CustomCommand kept;
        kept.position = command->position;
        if (command->name.startsWith(Registration::commandName) || command->name.contains(Registration::earlierName)) {
            kept.name = own(command->name);
            kept.command = own(command->command);
        }
        *command = kept;
    }
}

void UpdateXmlFile::LogRead(const QString &filePath)
{
    qDebug() << "UpdateXmlFile::ReadFile - filePath =" << filePath;
}

void UpdateXmlFile::LogWrite(const QString &filePath)
{
    qDebug() << "UpdateXmlFile::WriteFile - filePath =" << filePath;
}

// The file is read under its lock, like every other read, and noted as the basis of a
// later WriteFile.
ResultCode UpdateXmlFile::ReadFile(const QString &filePath)
{
    LogRead(filePath);
    document.clear();
    return FileEdit::Run(filePath, xmlCodes, [&](const QByteArray *bytes) {
        basis.Note(filePath, bytes);
        return Edited::Unchanged(bytes ? ReadText(*bytes) : ERR_XML_OPEN_FAILED);
    });
}

ResultCode UpdateXmlFile::ReadText(const QByteArray &bytes)
{
    document.clear();
    const QString text = Decoded(bytes);
    return XmlLimits::Accepts(text) ? Parse(text) : ERR_XML_READ_FAILED;
}

QString UpdateXmlFile::Decoded(const QByteArray &bytes)
{
    QString text;
    TextEncoding::Read(bytes, TextEncoding::DeclaredInXml(bytes), [&](const TextEncoding &read, const QString &decoded) {
        encoding = read;
        text = decoded;
        return true;
    });
    return text;
}

ResultCode UpdateXmlFile::Parse(const QString &text)
{
    if (!document.setContent(text, false))
        return ERR_XML_READ_FAILED;
    const QDomElement root = FindCommandsRoot();
    return root.isNull() ? RESULT_OK : ReadCommands(root);
}

bool UpdateXmlFile::PassesVersionTest(const QDomElement &element)
{
    const QString major = QStringLiteral("major");
    const QString minor = QStringLiteral("minor");
    return IsCommandsRoot(element.tagName(), element.hasAttribute(major), element.attribute(major), element.hasAttribute(minor),
                          element.attribute(minor));
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
    return std::any_of(commands.cbegin(), commands.cend(),
                       [](const CustomCommand &command) { return Registration::IsEarlierRegistration(command.name, command.command); });
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
    command.menu_name = Registration::MenuName();
    command.command = Registration::Command(appFolder);
    command.tooltip = Registration::Tooltip();
    command.toolbar_icon = Registration::IconPath(appFolder);
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

// Of the numbers from 2 on, one of the first commands.size() + 1 is free, so only those
// are counted.
QString UpdateXmlFile::MakeCommandName() const
{
    std::vector<bool> taken(size_t(commands.size()) + 2);
    for (const CustomCommand &command : commands) {
        const int number = Registration::NumberOfCommandName(command.name);
        if (number >= 0 && size_t(number) < taken.size())
            taken[size_t(number)] = true;
    }
    if (!taken[0])
        return Registration::CommandName(0);
    size_t number = 2;
    while (number < taken.size() && taken[number])
        ++number;
    return Registration::CommandName(int(number));
}

// A document made from what ReadFile read goes only over those same bytes: when another
// program changed the file since, nothing is written.
ResultCode UpdateXmlFile::WriteFile(const QString &filePath)
{
    LogWrite(filePath);
    const QByteArray bytes = WrittenText();
    return FileEdit::Run(filePath, ERR_XML_OPEN_FAILED, ERR_XML_OPEN_FAILED, [&](const QByteArray *current) {
        return basis.WriteOver(filePath, current, bytes, ERR_XML_OPEN_FAILED);
    });
}

QByteArray UpdateXmlFile::WrittenText() const
{
    EncodedText text(encoding, TextEncoding::LineEnds::Native);
    DomSerializer(1, [&text](const QString &piece) { text.Append(piece); }, encoding.Codec()).Write(document);
    return text.Bytes();
}
