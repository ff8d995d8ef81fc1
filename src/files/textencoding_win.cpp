// The locale's encoding on Windows: the ANSI code page, as the system converts it.
#include "files/textencoding.h"

#include <QTextCodec>

#include <windows.h>

namespace {
// Qt 5's codec for the Windows locale never reports a character that the code page
// can't hold: it writes '?' or a look-alike in its place, so a folder would be written
// as a path that names another. Reading a multi-byte code page, it drops bytes that are
// no text and, once it has met one, stops at the first NUL byte. This codec has the
// system convert without best fit and report its errors, and counts every character it
// can't convert exactly, as Qt's other codecs do.
class AnsiCodePage : public QTextCodec
{
public:
    AnsiCodePage(UINT codePage, const CPINFO &info);

    QByteArray name() const override { return "Windows ANSI code page " + QByteArray::number(uint(codePage)); }
    // No IANA number stands for the code page of the running system.
    int mibEnum() const override { return -int(codePage); }

protected:
    QString convertToUnicode(const char *in, int length, ConverterState *state) const override;
    QByteArray convertFromUnicode(const QChar *in, int length, ConverterState *state) const override;

private:
    int CharSize(const char *at, const char *end) const;
    int CompleteLength(const char *in, int length) const;
    bool DecodeRun(const char *in, int length, QString &text) const;
    void DecodeEach(const char *at, const char *end, QString &text, QChar invalid, ConverterState *state) const;
    bool EncodeRun(const QChar *in, int length, QByteArray &bytes) const;
    void EncodeEach(const QChar *at, const QChar *end, QByteArray &bytes, char invalid, ConverterState *state) const;

    const UINT codePage;
    const int maxCharSize;
    bool leadBytes[256] = {};
};

// A long text is converted in runs of this size. Only a run that holds a character the
// system can't convert is converted again, one character at a time.
constexpr int runSize = 1 << 15;

wchar_t *Wide(QChar *chars)
{
    return reinterpret_cast<wchar_t *>(chars);
}

AnsiCodePage::AnsiCodePage(UINT codePage, const CPINFO &info)
    : codePage(codePage), maxCharSize(int(info.MaxCharSize))
{
    for (int range = 0; range + 1 < MAX_LEADBYTES && info.LeadByte[range] != 0; range += 2) {
        for (int byte = info.LeadByte[range]; byte <= info.LeadByte[range + 1]; ++byte)
            leadBytes[byte] = true;
    }
}

int AnsiCodePage::CharSize(const char *at, const char *end) const
{
    return leadBytes[uchar(*at)] && end - at > 1 ? 2 : 1;
}

// How many bytes come before a lead byte that ends them without its second byte, or all
// of them when there is none.
int AnsiCodePage::CompleteLength(const char *in, int length) const
{
    int at = 0;
    while (at < length && !(leadBytes[uchar(in[at])] && at + 1 == length))
        at += CharSize(in + at, in + length);
    return at;
}

bool AnsiCodePage::DecodeRun(const char *in, int length, QString &text) const
{
    const int at = text.size();
    text.resize(at + length); // a character of an ANSI code page is one UTF-16 unit
    const int size = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in, length, Wide(text.data() + at), length);
    text.resize(at + qMax(size, 0));
    return size > 0;
}

void AnsiCodePage::DecodeEach(const char *at, const char *end, QString &text, QChar invalid, ConverterState *state) const
{
    while (at < end) {
        const int size = CharSize(at, end);
        if (DecodeRun(at, size, text)) {
            at += size;
            continue;
        }
        text += invalid; // Only the lead byte is replaced; the byte after it is read anew.
        if (state)
            ++state->invalidChars;
        ++at;
    }
}

// A lead byte that ends the bytes is kept for the next call, as Qt's codecs keep it.
QString AnsiCodePage::convertToUnicode(const char *in, int length, ConverterState *state) const
{
    QByteArray joined;
    if (state && state->remainingChars) {
        joined = char(state->state_data[0]) + QByteArray(in, length);
        in = joined.constData();
        length = joined.size();
        state->remainingChars = 0;
    }
    const int complete = state ? CompleteLength(in, length) : length;
    if (complete < length) {
        state->state_data[0] = uchar(in[complete]);
        state->remainingChars = 1;
    }
    const QChar invalid = state && (state->flags & ConvertInvalidToNull) ? QChar(QChar::Null) : QChar(QChar::ReplacementCharacter);
    const char *const end = in + complete;
    QString text;
    text.reserve(complete);
    for (const char *run = in; run < end;) {
        const char *runEnd = run;
        while (runEnd < end && runEnd - run < runSize)
            runEnd += CharSize(runEnd, end);
        if (!DecodeRun(run, int(runEnd - run), text))
            DecodeEach(run, runEnd, text, invalid, state);
        run = runEnd;
    }
    return text;
}

// The system writes its default character for anything the code page can't hold, and
// whether it did so is the only sign of it.
bool AnsiCodePage::EncodeRun(const QChar *in, int length, QByteArray &bytes) const
{
    const int at = bytes.size();
    bytes.resize(at + length * maxCharSize);
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t *>(in), length,
                                         bytes.data() + at, length * maxCharSize, nullptr, &usedDefault);
    const bool exact = size > 0 && !usedDefault;
    bytes.resize(exact ? at + size : at);
    return exact;
}

void AnsiCodePage::EncodeEach(const QChar *at, const QChar *end, QByteArray &bytes, char invalid, ConverterState *state) const
{
    while (at < end) {
        const int size = end - at > 1 && at[0].isHighSurrogate() && at[1].isLowSurrogate() ? 2 : 1;
        if (!EncodeRun(at, size, bytes)) {
            bytes += invalid;
            if (state)
                ++state->invalidChars;
        }
        at += size;
    }
}

// A high surrogate that ends the text is kept for the next call, which may hold the
// rest of its character.
QByteArray AnsiCodePage::convertFromUnicode(const QChar *in, int length, ConverterState *state) const
{
    QString joined;
    if (state && state->remainingChars) {
        joined = QChar(ushort(state->state_data[0])) + QString(in, length);
        in = joined.constData();
        length = joined.size();
        state->remainingChars = 0;
    }
    if (state && length > 0 && in[length - 1].isHighSurrogate()) {
        state->state_data[0] = in[length - 1].unicode();
        state->remainingChars = 1;
        --length;
    }
    const char invalid = state && (state->flags & ConvertInvalidToNull) ? '\0' : '?';
    QByteArray bytes;
    bytes.reserve(length);
    for (int run = 0; run < length;) {
        int runEnd = qMin(run + runSize, length);
        if (runEnd < length && in[runEnd - 1].isHighSurrogate())
            ++runEnd;
        if (!EncodeRun(in + run, runEnd - run, bytes))
            EncodeEach(in + run, in + runEnd, bytes, invalid, state);
        run = runEnd;
    }
    return bytes;
}

QTextCodec *MadeForLocale()
{
    const UINT codePage = GetACP();
    CPINFO info;
    if (codePage == CP_UTF8)
        return TextEncoding::Utf8();
    // Every ANSI code page is one or two bytes a character; anything else is left to Qt.
    if (!GetCPInfo(codePage, &info) || info.MaxCharSize > 2)
        return QTextCodec::codecForLocale();
    // Qt keeps every codec made and deletes it when the program ends.
    return new AnsiCodePage(codePage, info);
}
}

QTextCodec *TextEncoding::Locale()
{
    static QTextCodec *const codec = MadeForLocale();
    return codec;
}
