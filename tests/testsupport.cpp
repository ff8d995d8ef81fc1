#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace TestSupport {

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QString CommandsFolder(const QString &roaming, const QString &version)
{
    return roaming + QStringLiteral("/Xilinx/Vivado/") + version + QStringLiteral("/commands");
}

QString MakeProfile(const QString &base, const QStringList &versions)
{
    const QString roaming = base + QStringLiteral("/AppData/Roaming");
    QDir().mkpath(roaming);
    for (const QString &version : versions)
        QDir().mkpath(CommandsFolder(roaming, version));
    return roaming;
}

void UseRoamingFolder(const QString &roaming)
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(roaming));
}

namespace {
bool CanOpen(const QString &filePath, QIODevice::OpenMode mode)
{
    QFile file(filePath);
    return file.open(mode);
}

void OpenPathFor(const QString &filePath)
{
    // "nobody" must be able to walk to the file; it keeps root's group.
    const QFile::Permissions walk = QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                    | QFile::ExeOther;
    for (QDir dir = QFileInfo(filePath).dir(); !dir.isRoot(); dir.cdUp())
        QFile::setPermissions(dir.absolutePath(), QFile::permissions(dir.absolutePath()) | walk);
}
}

AccessDenied::AccessDenied(const QString &filePath, Kind kind)
    : filePath(filePath)
{
    const QFile::Permissions keep = QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup
                                    | QFile::ReadOther;
    QFile::setPermissions(filePath, kind == NoRead ? QFile::Permissions() : keep);
#ifdef Q_OS_UNIX
    if (geteuid() == 0) {
        OpenPathFor(filePath);
        droppedRoot = seteuid(65534) == 0;
    }
#endif
    // Append, so that probing the write access leaves the file as it is.
    const QIODevice::OpenMode denied = kind == NoRead ? QIODevice::ReadOnly : QIODevice::Append;
    effective = !CanOpen(filePath, denied);
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
