#include "testsupport.h"

#include <QDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace TestSupport {

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QByteArray Native(QByteArray text)
{
#ifdef Q_OS_WIN
    text.replace("\n", "\r\n");
#endif
    return text;
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

AccessDenied::AccessDenied(const QString &filePath, const QString &fault)
    : filePath(filePath)
{
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(filePath, fault == QLatin1String("no read") ? QFile::Permissions() : readOnly);
#ifdef Q_OS_UNIX
    if (geteuid() == 0) {
        // "nobody" must be able to walk to the file (it keeps root's group); only the
        // test's own folders below the temporary folder are opened up for it.
        const QFile::Permissions walk = QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        const QString temp = QDir(QDir::tempPath()).canonicalPath() + '/';
        for (QDir dir = QFileInfo(filePath).dir(); dir.canonicalPath().startsWith(temp); dir.cdUp())
            QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | walk);
        droppedRoot = seteuid(65534) == 0;
    }
#endif
    // Append, so that probing the write access leaves the file as it is.
    QFile probe(filePath);
    effective = !probe.open(fault == QLatin1String("no read") ? QIODevice::ReadOnly : QIODevice::Append);
}

AccessDenied::~AccessDenied()
{
#ifdef Q_OS_UNIX
    if (droppedRoot && seteuid(0) != 0)
        qFatal("could not take back root rights");
#endif
    QFile::setPermissions(filePath, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace TestSupport
