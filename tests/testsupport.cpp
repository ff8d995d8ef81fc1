#include "testsupport.h"

#include "integration/vivadointegration.h"

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

QString CommandsFolder(const QString &vivado, const QString &version)
{
    return vivado + "/" + version + "/commands";
}

QString MakeProfile(const QString &base, const QStringList &versions)
{
    const QString vivado = base + "/" + VivadoIntegration::profileVivadoFolder;
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

} // namespace TestSupport
