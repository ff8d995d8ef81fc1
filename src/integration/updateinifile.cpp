#include "integration/updateinifile.h"

#include "files/filesystem.h"

#include <QSet>
#include <QTextCodec>
#include <limits>

ResultCode UpdateIniFile::Update(const QString &appFolder, const QString &filePath)
{
    this->appFolder = appFolder;
    return FileExists(filePath) ? UpdateExistingFile(filePath) : CreateNewFile(filePath);
}

// Creating and updating are one edit of what FileEdit finds under the lock, so a file
// that appears or goes after FileExists looked is edited as it is then, not overwritten.
ResultCode UpdateIniFile::CreateNewFile(const QString &filePath)
{
    return FileEdit::Run(filePath, ERR_INI_OPEN_FAILED, ERR_INI_CREATE_FAILED,
                         [this](const QByteArray *bytes) { return EditForUpdate(appFolder, bytes); });
}

ResultCode UpdateIniFile::UpdateExistingFile(const QString &filePath)
{
    return CreateNewFile(filePath);
}

ResultCode UpdateIniFile::Remove(const QString &appFolder, const QString &filePath)
{
    return FileEdit::Run(filePath, ERR_INI_OPEN_FAILED, ERR_INI_OPEN_FAILED,
                         [&](const QByteArray *bytes) { return EditForRemoval(appFolder, bytes); });
}

ResultCode UpdateIniFile::RemoveContained(const QString &appFolder, const QString &base, const QStringList &names)
{
    return FileEdit::RunContained(base, names, {ERR_INI_OPEN_FAILED, ERR_INI_OPEN_FAILED, ERR_INI_OPEN_FAILED},
                                  [&](const QByteArray *bytes) { return EditForRemoval(appFolder, bytes); });
}

// Vivado reads the file in the locale's encoding, or in the one its byte-order mark
// names, so the file is written back in that encoding, keeping the bytes that are no text
// there. A folder that the encoding can't hold is not written at all, since it would come
// out as a wrong path.
Edited UpdateIniFile::EditForUpdate(const QString &appFolder, const QByteArray *bytes)
{
    this->appFolder = appFolder;
    const QString entry = MakeEntry(0);
    if (!bytes) {
        encoding = TextEncoding(TextEncoding::Locale());
        return encoding.CanEncode(entry) ? Edited::Written(NewFile()) : Edited::Unchanged(ERR_INI_CREATE_FAILED);
    }
    Edited edited = Edited::Unchanged(ERR_INI_OPEN_FAILED);
    TextEncoding::ReadInLocale(*bytes, [&](const TextEncoding &read, const QString &text) {
        if (!read.CanEncode(entry))
            return false;
        QStringList lines = SplitLines(text);
        const ResultCode result = InsertEntry(lines);
        edited = result == RESULT_OK ? Edited::Written(read.Encode(JoinLines(lines), TextEncoding::LineEnds::Native))
                                     : Edited::Unchanged(result);
        return true;
    });
    return edited;
}

Edited UpdateIniFile::EditForRemoval(const QString &appFolder, const QByteArray *bytes)
{
    this->appFolder = appFolder;
    if (!bytes)
        return Edited::Unchanged(RESULT_OK);
    Edited edited = Edited::Unchanged(RESULT_OK);
    TextEncoding::ReadInLocale(*bytes, [&](const TextEncoding &read, const QString &text) {
        QString kept;
        Registration::Sweep sweep(Registration::Sweep::Purpose::Removal, appFolder);
        if (WithoutLines(text, sweep, kept))
            edited = Edited::Written(read.Encode(kept, TextEncoding::LineEnds::AsWritten));
        return true;
    });
    return edited;
}

ResultCode UpdateIniFile::Refresh(const QString &appFolder, const QString &filePath)
{
    return FileEdit::Run(filePath, ERR_INI_OPEN_FAILED, ERR_INI_CREATE_FAILED,
                         [&](const QByteArray *bytes) { return EditForRefresh(appFolder, bytes); });
}

// The encoding rule is the same as Update's.
Edited UpdateIniFile::EditForRefresh(const QString &appFolder, const QByteArray *bytes)
{
    this->appFolder = appFolder;
    if (!bytes)
        return EditForUpdate(appFolder, nullptr);
    Edited edited = Edited::Unchanged(ERR_INI_OPEN_FAILED);
    TextEncoding::ReadInLocale(*bytes, [&](const TextEncoding &read, const QString &text) {
        Registration::Sweep sweep(Registration::Sweep::Purpose::Refresh, appFolder);
        QString kept;
        const bool removed = WithoutLines(text, sweep, kept);
        const bool own = sweep.KeepsOwnEntry();
        if (!own && !read.CanEncode(MakeEntry(0)))
            return false;
        if (!own)
            kept = Appended(kept);
        edited = own && !removed ? Edited::Unchanged(RESULT_OK)
                                 : Edited::Written(read.Encode(kept, TextEncoding::LineEnds::AsWritten));
        return true;
    });
    return edited;
}

namespace {
// Where the line that begins at `from` ends, and the size of its line end there: LF,
// CR LF, a lone CR, or none at the end of the text. A regular expression would not do,
// because it matches nothing in a text with kept bytes, which are lone surrogates.
int LineEnd(const QString &text, int from)
{
    while (from < text.size() && text.at(from) != QLatin1Char('\n') && text.at(from) != QLatin1Char('\r'))
        ++from;
    return from;
}

int LineEndSize(const QString &text, int at)
{
    return text.midRef(at, 2) == QLatin1String("\r\n") ? 2 : at < text.size() ? 1 : 0;
}
}

bool UpdateIniFile::WithoutLines(const QString &text, Registration::Sweep &sweep, QString &kept)
{
    bool removed = false;
    kept.clear();
    for (int from = 0; from < text.size();) {
        const int end = LineEnd(text, from);
        const int next = end + LineEndSize(text, end);
        if (sweep.TakesIniLine(text.mid(from, end - from)))
            removed = true;
        else
            kept += text.midRef(from, next - from);
        from = next;
    }
    return removed;
}

// Appends a new numbered line after the others, ended as the file's lines are. The other
// lines' bytes stay as they were.
QString UpdateIniFile::Appended(const QString &text) const
{
    const int firstEnd = LineEnd(text, 0);
    const QString end = firstEnd < text.size() ? text.mid(firstEnd, LineEndSize(text, firstEnd)) : FileSystem::NativeLineEnd();
    QString appended = text;
    if (!appended.isEmpty() && !appended.endsWith(QLatin1Char('\n')) && !appended.endsWith(QLatin1Char('\r')))
        appended += end;
    return appended + MakeEntry(NextKey(SplitLines(text))) + end;
}

QByteArray UpdateIniFile::NewFile() const
{
    return encoding.Encode(QStringLiteral("VERSION=1\n") + MakeEntry(0) + QLatin1Char('\n'), TextEncoding::LineEnds::Native);
}

// The lines are read under the file's lock, like every other read, and noted as the
// basis of a later WriteLines.
ResultCode UpdateIniFile::ReadLines(const QString &filePath, QStringList &lines)
{
    return FileEdit::Run(filePath, ERR_INI_OPEN_FAILED, ERR_INI_OPEN_FAILED, [&](const QByteArray *bytes) {
        basis.Note(filePath, bytes);
        if (!bytes)
            return Edited::Unchanged(ERR_INI_OPEN_FAILED);
        TextEncoding::ReadInLocale(*bytes, [&](const TextEncoding &read, const QString &text) {
            encoding = read;
            lines.append(SplitLines(text));
            return true;
        });
        return Edited::Unchanged(RESULT_OK);
    });
}

// LF, CR LF and a lone CR all end a line; text mode would drop a lone CR and so join
// two lines into one.
QStringList UpdateIniFile::SplitLines(const QString &text)
{
    QStringList lines = QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"))
                            .replace(QLatin1Char('\r'), QLatin1Char('\n')).split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast(); // The empty piece after the last line end, or all of an empty file, is no line.
    return lines;
}

QString UpdateIniFile::JoinLines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QLatin1Char('\n');
    return text;
}

ResultCode UpdateIniFile::InsertEntry(QStringList &lines)
{
    for (int index = 0; index < lines.size(); ++index) {
        if (Registration::IniLineNamesTool(lines.at(index)))
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
    return QString::number(keyNumber) + QLatin1Char('=') + Registration::IniValue(appFolder);
}

// Lines made from what ReadLines read go only over those same bytes: when another
// program changed the file since, nothing is written.
ResultCode UpdateIniFile::WriteLines(const QString &filePath, const QStringList &lines)
{
    const QByteArray bytes = encoding.Encode(JoinLines(lines), TextEncoding::LineEnds::Native);
    return FileEdit::Run(filePath, ERR_INI_OPEN_FAILED, ERR_INI_OPEN_FAILED, [&](const QByteArray *current) {
        return basis.WriteOver(filePath, current, bytes, ERR_INI_OPEN_FAILED);
    });
}
