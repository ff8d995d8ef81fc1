// libFuzzer target: the three edits of one editor on the fuzzer's bytes.
// Built twice, with EDITOR_XML for commands.xml and without for commands.paini.
#include "files/textencoding.h"
#include "integration/updateinifile.h"
#include "xmlcommands/domserializer.h"
#include "xmlcommands/updatexmlfile.h"
#include "xmlcommands/xmllimits.h"

#include <QDomDocument>
#include <QTextCodec>
#include <QtGlobal>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {
void Quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

const QString app = QStringLiteral("C:/Program Files/Tool");

#ifdef EDITOR_XML
// Whatever the DOM takes must come out of the serialiser exactly as out of Qt's.
void CheckSerializer(const QByteArray &bytes)
{
    QString text;
    TextEncoding::Read(bytes, TextEncoding::DeclaredInXml(bytes), [&text](const TextEncoding &, const QString &decoded) {
        text = decoded;
        return true;
    });
    QDomDocument document;
    if (!XmlLimits::Accepts(text) || !document.setContent(text, false))
        return;
    // Qt writes a character above U+FFFF that the codec can't hold as "?" and half a
    // reference; ours writes one reference: no comparison there.
    QTextCodec *codec = DomSerializer::DeclaredCodec(document);
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate() && !codec->canEncode(text.mid(i, 2)))
            return;
    }
    QString written;
    DomSerializer(1, [&written](const QString &piece) { written += piece; }).Write(document);
    if (written != document.toString(1))
        abort();
}
#endif

template <typename Editor>
void CheckEdits(const QByteArray &bytes, const std::initializer_list<ResultCode> &fileFaults)
{
    const Edited updated = Editor().EditForUpdate(app, &bytes);
    const Edited removed = Editor().EditForRemoval(app, &bytes);
    const Edited refreshed = Editor().EditForRefresh(app, &bytes);
    for (const ResultCode result : {updated.result, removed.result, refreshed.result}) {
        if (result != RESULT_OK && std::find(fileFaults.begin(), fileFaults.end(), result) == fileFaults.end())
            abort(); // bytes may fail to parse, nothing else
    }
    // A removal leaves nothing more to remove, and what it left still reads.
    if (removed.bytes && Editor().EditForRemoval(app, &*removed.bytes).bytes)
        abort();
    if (removed.bytes && Editor().EditForRemoval(app, &*removed.bytes).result != RESULT_OK)
        abort();
    // What a refresh leaves is in order: a second one writes nothing and fails on nothing.
    const auto inOrder = [](const QByteArray &left) {
        const Edited again = Editor().EditForRefresh(app, &left);
        return !again.bytes && again.result == RESULT_OK;
    };
    if (refreshed.bytes && !inOrder(*refreshed.bytes))
        abort();
    // So is what a refresh leaves after a registration or a removal.
    for (const Edited *run : {&updated, &removed}) {
        const Edited next = run->bytes ? Editor().EditForRefresh(app, &*run->bytes) : Edited::Unchanged(RESULT_OK);
        if (next.bytes && !inOrder(*next.bytes))
            abort();
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool initialised = (qInstallMessageHandler(Quiet), qSetGlobalQHashSeed(0), true);
    Q_UNUSED(initialised)
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
#ifdef EDITOR_XML
    CheckSerializer(bytes);
    CheckEdits<UpdateXmlFile>(bytes, {ERR_XML_READ_FAILED});
    // Read a command at a time, a file must give what its whole tree gives.
    const Edited whole = UpdateXmlFile().EditForUpdate(app, &bytes, 0);
    const Edited batched = UpdateXmlFile().EditForUpdate(app, &bytes, 1);
    if (whole.result != batched.result || whole.bytes != batched.bytes)
        abort();
#else
    CheckEdits<UpdateIniFile>(bytes, {ERR_INI_NO_EQUAL_SIGN});
#endif
    return 0;
}
