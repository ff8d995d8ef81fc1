#include "integration/updateinifile.h"

#include "files/encodedtext.h"
#include "xmlcommands/registration.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTextCodec>
#include <limits>

ResultCode UpdateIniFile::Update(const QString &appFolder, const QString &filePath)
{
    this->appFolder = appFolder;
    return file.Run(filePath, [&] { return FileExists(filePath) ? UpdateExistingFile(filePath) : CreateNewFile(filePath); });
}

ResultCode UpdateIniFile::Remove(const QString &appFolder, const QString &filePath)
{
    this->appFolder = appFolder;
    return file.Run(filePath, [&] { return RemoveOnce(filePath); });
}

ResultCode UpdateIniFile::RemoveOnce(const QString &filePath)
{
    if (!FileExists(filePath))
        return RESULT_OK;
    if (!file.Read(filePath))
        return ERR_INI_OPEN_FAILED;
    const QString text = Decode(file.Bytes());
    // Each line is kept with its own line end, so that the file's other lines stay as they were.
    static const QRegularExpression lines(QStringLiteral("([^\\r\\n]*)(\\r\\n|\\r|\\n|$)"));
    QString kept;
    bool removed = false;
    for (auto match = lines.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch line = match.next();
        if (IsToBeRemoved(line.captured(1)))
            removed = true;
        else
            kept += line.capturedRef(0);
    }
    if (!removed)
        return RESULT_OK;
    EncodedText bytes(codec, byteOrderMark, EncodedText::LineEnds::AsWritten);
    bytes.Append(kept);
    return file.Replace(filePath, bytes.Bytes()) ? RESULT_OK : ERR_INI_OPEN_FAILED;
}

bool UpdateIniFile::IsToBeRemoved(const QString &line) const
{
    const int equalSign = line.indexOf(QLatin1Char('='));
    const QString value = line.mid(equalSign + 1);
    // The folder is the icon's, the fourth field, the one without Tcl's escapes.
    const QString icon = value.section(QLatin1Char(' '), 3, 3);
    const QString iconName = QStringLiteral("/Talvorn_CI_A.png");
    if (equalSign < 0 || !icon.endsWith(iconName))
        return false;
    const QString folder = icon.chopped(iconName.size()).replace(QStringLiteral("%20"), QStringLiteral(" "));
    return EntryValue(folder) == value && Registration::IsToBeRemoved(folder, appFolder);
}

bool UpdateIniFile::FileExists(const QString &filePath)
{
    const QFileInfo info(filePath);
    return info.exists() && info.isFile();
}

ResultCode UpdateIniFile::CreateNewFile(const QString &filePath)
{
    file.ExpectAbsent();
    codec = nullptr;
    byteOrderMark = false;
    return Write(filePath, QStringLiteral("VERSION=1\n") + MakeEntry(0) + QLatin1Char('\n'), ERR_INI_CREATE_FAILED);
}

ResultCode UpdateIniFile::UpdateExistingFile(const QString &filePath)
{
    QStringList lines;
    ResultCode result = ReadLines(filePath, lines);
    if (result != RESULT_OK)
        return result;
    result = InsertEntry(lines);
    if (result != RESULT_OK)
        return result;
    return WriteLines(filePath, lines);
}

ResultCode UpdateIniFile::ReadLines(const QString &filePath, QStringList &lines)
{
    if (!file.Read(filePath))
        return ERR_INI_OPEN_FAILED;
    QString text = Decode(file.Bytes());

    // LF, CR LF and a lone CR all end a line; text mode would drop a lone CR
    // and so join two lines into one.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList read = text.split(QLatin1Char('\n'));
    if (read.last().isEmpty())
        read.removeLast(); // after the last line end, or all of an empty file
    lines.append(read);
    return RESULT_OK;
}

QString UpdateIniFile::Decode(const QByteArray &bytes)
{
    // The locale's encoding, unless a byte-order mark names another.
    QTextCodec *detected = QTextCodec::codecForUtfText(bytes, QTextCodec::codecForLocale());
    QTextCodec::ConverterState state;
    const QString text = detected->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars == 0 && state.remainingChars == 0) {
        codec = detected;
        byteOrderMark = QTextCodec::codecForUtfText(bytes, nullptr) != nullptr;
        return text;
    }
    // Not text in that encoding: Latin-1 keeps every byte as it was, a mark's too.
    codec = QTextCodec::codecForName("ISO-8859-1");
    byteOrderMark = false;
    return QString::fromLatin1(bytes.constData(), bytes.size());
}

bool UpdateIniFile::NamesCommand(const QString &line)
{
    return line.contains(QLatin1String("TALVORN"), Qt::CaseSensitive)
        && line.contains(QLatin1String("Core"), Qt::CaseSensitive)
        && line.contains(QLatin1String("Inserter"), Qt::CaseSensitive);
}

ResultCode UpdateIniFile::InsertEntry(QStringList &lines)
{
    for (int index = 0; index < lines.size(); ++index) {
        if (NamesCommand(lines.at(index)))
            return ReplaceEntry(lines, index);
    }
    return AppendEntry(lines);
}

ResultCode UpdateIniFile::ReplaceEntry(QStringList &lines, qint32 index)
{
    // The line keeps its own key. A key that is not a decimal integer is
    // unusable, so such a line gets the key a new entry would get instead.
    qint32 number = NextKey(lines);
    const ResultCode result = ReadEntryNumber(lines.at(index), number);
    lines[index] = MakeEntry(number);
    return result;
}

ResultCode UpdateIniFile::AppendEntry(QStringList &lines)
{
    lines.append(MakeEntry(NextKey(lines)));
    return RESULT_OK;
}

qint32 UpdateIniFile::NextKey(const QStringList &lines)
{
    qint32 largest = -1;
    QSet<qint32> taken;
    for (const QString &line : lines) {
        if (!line.contains(QLatin1Char('=')))
            continue;
        qint32 number = -1;
        ReadEntryNumber(line, number);
        largest = qMax(largest, number);
        taken.insert(number);
    }
    if (largest < std::numeric_limits<qint32>::max())
        return largest + 1;

    // No key above the largest exists: take the lowest free one rather than
    // wrap to a negative key or repeat one that another command owns.
    qint32 free = 0;
    while (taken.contains(free))
        ++free;
    return free;
}

ResultCode UpdateIniFile::ReadEntryNumber(const QString &line, qint32 &number)
{
    const int equalSign = line.indexOf(QLatin1Char('='), 0, Qt::CaseSensitive);
    if (equalSign < 0)
        return ERR_INI_NO_EQUAL_SIGN;
    bool ok = false;
    const qint32 key = line.left(equalSign).toInt(&ok, 10);
    if (ok)
        number = key;
    return RESULT_OK;
}

QString UpdateIniFile::MakeEntry(qint32 keyNumber) const
{
    return QString::number(keyNumber) + QLatin1Char('=') + EntryValue(appFolder);
}

QString UpdateIniFile::EntryValue(const QString &appFolder)
{
    const QString space = QStringLiteral(" ");
    const QString encodedSpace = QStringLiteral("%20");
    const QString folder = QString(appFolder).replace(space, encodedSpace, Qt::CaseSensitive);
    const QString commandFolder = Registration::TclQuoted(appFolder).replace(space, encodedSpace, Qt::CaseSensitive);

    QString value = QStringLiteral("TALVORN%20Probe%20Core%20Inserter ");
    value += QLatin1String("source%20\"") + commandFolder + QLatin1String("/vivado_server.tcl\"%20-notrace ");
    value += QLatin1String("\"\" ") + folder + QLatin1String("/Talvorn_CI_A.png ");
    value += QLatin1String("Start%20TALVORN%20Core%20Inserter \"\" true ");
    value += QChar(0); // this field is one U+0000 character: not a digit, not quotes
    value += QLatin1String(" \"\" true 0");
    return value;
}

ResultCode UpdateIniFile::WriteLines(const QString &filePath, const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QLatin1Char('\n');
    return Write(filePath, text, ERR_INI_OPEN_FAILED);
}

// A file that can't be replaced whole is one that can't be opened for writing.
ResultCode UpdateIniFile::Write(const QString &filePath, const QString &text, ResultCode failure)
{
    EncodedText bytes(codec ? codec : QTextCodec::codecForLocale(), byteOrderMark);
    bytes.Append(text);
    return file.Replace(filePath, bytes.Bytes()) ? RESULT_OK : failure;
}
