// libFuzzer target: one editor run on a file with the fuzzer's bytes.
// Built twice, with EDITOR_XML for commands.xml and without for commands.paini.
#include "integration/updateinifile.h"
#include "xmlcommands/domserializer.h"
#include "xmlcommands/updatexmlfile.h"
#include "xmlcommands/xmldepthguard.h"
#include "xmlcommands/xmlencoding.h"

#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>
#include <cstdint>
#include <cstdlib>

namespace {
void Quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

// Whatever the DOM takes must come out of the serialiser exactly as out of Qt's.
void CheckSerializer(const QByteArray &bytes)
{
    const QString text = XmlEncoding().Decode(bytes);
    QDomDocument document;
    if (!XmlDepthGuard::Accepts(text) || !document.setContent(text, false))
        return;
    QString written;
    DomSerializer(1, [&written](const QString &piece) { written += piece; }).Write(document);
    if (written != document.toString(1))
        abort();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool initialised = (qInstallMessageHandler(Quiet), qSetGlobalQHashSeed(0), true);
    Q_UNUSED(initialised)
    static QTemporaryDir dir;
#ifdef EDITOR_XML
    const QString path = dir.path() + "/commands.xml";
#else
    const QString path = dir.path() + "/commands.paini";
#endif
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        abort();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

#ifdef EDITOR_XML
    CheckSerializer(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    const ResultCode result = UpdateXmlFile().Update("C:/Program Files/Tool", path);
    const bool valid = result == RESULT_OK || result == ERR_XML_READ_FAILED;
#else
    const ResultCode result = UpdateIniFile().Update("C:/Program Files/Tool", path);
    const bool valid = result == RESULT_OK || result == ERR_INI_NO_EQUAL_SIGN;
#endif
    if (!valid)
        abort(); // a file that opens may fail to parse, nothing else
    return 0;
}
