#include "testsupport.h"

#include <QDir>
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

QString CommandsFolder(const QString &roaming, const QString &version)
{
    return roaming + "/Xilinx/Vivado/" + version + "/commands";
}

QString MakeProfile(const QString &base, const QStringList &versions)
{
    const QString roaming = base + "/AppData/Roaming";
    QDir().mkpath(roaming);
    for (const QString &version : versions)
        QDir().mkpath(CommandsFolder(roaming, version));
    qputenv("XDG_DATA_HOME", QFile::encodeName(roaming));
    return roaming;
}

QStringList FilesIn(const QString &roaming, const QStringList &versions)
{
    QStringList found;
    for (const QString &version : versions) {
        const QStringList names = QDir(CommandsFolder(roaming, version)).entryList(QDir::Files);
        found << (names.isEmpty() ? QStringLiteral("-") : names.join(','));
    }
    return found;
}

} // namespace TestSupport
