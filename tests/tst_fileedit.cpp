// The file layer under both editors: the faults of a file that can't be read or replaced,
// with the result code and the file either left byte for byte or written exactly as
// expected; a replacement only of what was read; and what counts as missing.
#include "files/filelock.h"
#include "files/filereplacer.h"
#include "files/filesnapshot.h"
#include "files/filesystem.h"
#include "integration/updateinifile.h"
#include "testsupport.h"
#include "xmlcommands/updatexmlfile.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <utility>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace TestSupport;

// What stands in the way of an edit: SetUpFault makes each, UndoFault takes away what
// would outlive the test. Only root can make those from FullDisk on.
enum class Fault { None, NameTooLong, NoFolder, Folder, Fifo, Link, LeftOver, Locked, Unreadable,
                   FullDisk, FullDiskInReadOnlyFolder, ReadOnlyFolder, AnotherUsersFile, ReadOnlyFile, BindMount, Immutable,
                   LinkToDevice, OwnedByAnotherUserAndGroup };
Q_DECLARE_METATYPE(Fault)

namespace {
bool IsRoot()
{
#ifdef Q_OS_UNIX
    return geteuid() == 0;
#else
    return false;
#endif
}

// Runs the test as a user who may do with the file only what its permissions give
// (as root: as "nobody" of group "nogroup"), while alive. Whether that denies what the test needs is
// for the test to tell.
class AsOtherUser
{
public:
    AsOtherUser(const QString &filePath, QFile::Permissions permissions)
        : filePath(filePath), original(QFile::permissions(filePath))
    {
        QFile::setPermissions(filePath, permissions);
#ifdef Q_OS_UNIX
        if (IsRoot()) {
            // "nobody" must be able to walk to the file; only the
            // test's own folders below the temporary folder are opened up for it.
            const QFile::Permissions walk = QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
            const QString temp = QDir(QDir::tempPath()).canonicalPath() + '/';
            for (QDir dir = QFileInfo(filePath).dir(); dir.canonicalPath().startsWith(temp); dir.cdUp())
                QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | walk);
            droppedRoot = setegid(65534) == 0 && seteuid(65534) == 0;
        }
#endif
    }

    bool IsOtherUser() const { return droppedRoot; }

    ~AsOtherUser()
    {
#ifdef Q_OS_UNIX
        if (droppedRoot && (seteuid(0) != 0 || setegid(0) != 0))
            qFatal("could not take back root rights");
#endif
        QFile::setPermissions(filePath, original);
    }

private:
    QString filePath;
    QFile::Permissions original;
    bool droppedRoot = false;
};

// What a path is, and whose, with which rights: a replaced file must keep all of it.
QString Kind(const QString &path)
{
    const QFileInfo info(path);
    return QStringLiteral("link %1 file %2 owner %3:%4 mode %5")
        .arg(info.isSymLink()).arg(info.isFile()).arg(info.ownerId()).arg(info.groupId()).arg(int(info.permissions()), 0, 16);
}

bool Run(const QString &program, const QStringList &arguments)
{
    return QProcess::execute(program, arguments) == 0;
}

bool IsFullDisk(Fault fault)
{
    return fault == Fault::FullDisk || fault == Fault::FullDiskInReadOnlyFolder;
}

// Sets up the file, or what stands in its place, for the fault. False when it can't be had here.
bool SetUpFault(Fault fault, const QString &path, const QByteArray &before)
{
    const QString folder = QFileInfo(path).path();
    const QString other = "other/" + QFileInfo(path).fileName();
    // 16 KiB: the old file fits, and neither a new one beside it nor its growth in place.
    if (IsFullDisk(fault) && !(QDir().mkpath(folder) && Run("mount", {"-t", "tmpfs", "-o", "size=16k,mode=0755", "tmpfs", folder})))
        return false;
    if (fault == Fault::Link || fault == Fault::BindMount)
        QDir().mkpath(folder + "/other");
    if (before != absent)
        WriteBytes(fault == Fault::Link ? folder + "/" + other : path, before);
    switch (fault) {
    case Fault::Folder:
        return QDir().mkpath(path);
    case Fault::Fifo:
        return Run("mkfifo", {path});
    case Fault::LinkToDevice:
        return Run("mknod", {folder + "/device", "c", "1", "3"}) && QFile::link("device", path);
    case Fault::Link:
        return QFile::link(other, path) && QFileInfo(path).isSymLink(); // not a shortcut
    case Fault::BindMount: // the system refuses to rename over it
        WriteBytes(folder + "/" + other, before);
        return Run("mount", {"--bind", folder + "/" + other, path});
    case Fault::Immutable:
        return Run("chattr", {"+i", path});
    case Fault::OwnedByAnotherUserAndGroup: // a uid and a gid that differ, so neither stands for the other
        return Run("chown", {"1234:5678", path}) && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    case Fault::ReadOnlyFolder:
    case Fault::FullDiskInReadOnlyFolder: // the user's own file
        return Run("chown", {"65534:65534", path});
    case Fault::AnotherUsersFile:
        return QFile::setPermissions(folder, QFile::Permissions(0x7777));
    case Fault::ReadOnlyFile: // in a folder the user may write
        return Run("chown", {"65534:65534", path}) && QFile::setPermissions(folder, QFile::Permissions(0x7777));
    case Fault::LeftOver: // by a killed run
        WriteBytes(path + ".0123abcd.tmp", "half");
        return true;
    case Fault::Locked: // another run reaches the file through a linked folder, on Windows by the path in other letter case
#ifdef Q_OS_WIN
        return true;
#else
        return QFile::link(folder, folder + "/linked");
#endif
    default:
        return true;
    }
}

void UndoFault(Fault fault, const QString &path)
{
    if (fault == Fault::Immutable)
        Run("chattr", {"-i", path});
    if (fault == Fault::BindMount)
        Run("umount", {path});
    if (IsFullDisk(fault))
        Run("umount", {QFileInfo(path).path()});
}

// The real editors through FileEdit. Locked: another run holds the lock for half a second.
// took: how long the edit itself ran, from when the other run held the lock.
ResultCode EditWithFault(Fault fault, Format format, Task task, const QString &path, qint64 &took)
{
    QSemaphore held;
#ifdef Q_OS_WIN
    const QString otherPath = path.toUpper();
#else
    const QString otherPath = QFileInfo(path).path() + "/linked/" + QFileInfo(path).fileName();
#endif
    QScopedPointer<QThread> holder(QThread::create([&] {
        const FileLock lock(otherPath, QDeadlineTimer(1000));
        held.release();
        QThread::msleep(500);
    }));
    if (fault == Fault::Locked) {
        holder->start();
        held.acquire();
    }
    QElapsedTimer timer;
    timer.start();
    const ResultCode code = EditFile(format, task, app, path);
    took = timer.elapsed();
    holder->wait();
    return code;
}

// What can't be read or replaced: the open-failure code, and the file as it was. asRoot:
// only the rows whose faults only root can make, else only the others.
void FaultRows(bool asRoot)
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<Task>("task");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<quint32>("result");
    QTest::addColumn<QByteArray>("after");

    const auto row = [asRoot](const char *name, Format format, const QByteArray &before, quint32 result, const QByteArray &after,
                              Fault fault, Task task = Task::Register) {
        if ((fault >= Fault::FullDisk) == asRoot)
            QTest::newRow(name) << format << task << fault << before << result << (task == Task::Remove ? after : Native(after));
    };
    const QByteArray nearly16k = twoLines + QByteArray(16300, 'x');
    row("paini, full disk", Format::Ini, nearly16k, ERR_INI_OPEN_FAILED, unchanged, Fault::FullDisk);
    row("xml, full disk", Format::Xml, Named(QByteArray(16200, 'a')), ERR_XML_OPEN_FAILED, unchanged, Fault::FullDisk);
    row("xml, full disk, read-only folder", Format::Xml, Named(QByteArray(16200, 'a')), ERR_XML_OPEN_FAILED, unchanged,
        Fault::FullDiskInReadOnlyFolder);
    row("paini, read-only folder: written in place", Format::Ini, twoLines, RESULT_OK, twoLines + IniEntry(1) + "\n",
        Fault::ReadOnlyFolder);
    row("xml, another user's writable file: written in place", Format::Xml, Named("a"), RESULT_OK, NamedWritten("a"),
        Fault::AnotherUsersFile);
    row("xml, the user's own read-only file", Format::Xml, Named("a"), ERR_XML_OPEN_FAILED, unchanged, Fault::ReadOnlyFile);
    row("paini, rename refused (bind mount)", Format::Ini, twoLines, ERR_INI_OPEN_FAILED, unchanged, Fault::BindMount);
    row("xml, removal, rename refused (bind mount)", Format::Xml, Xml(Registered(0, base, app)), ERR_XML_OPEN_FAILED, unchanged,
        Fault::BindMount, Task::Remove);
    row("paini, not writable (immutable)", Format::Ini, twoLines, ERR_INI_OPEN_FAILED, unchanged, Fault::Immutable);
    row("xml, not writable (immutable)", Format::Xml, Named("a"), ERR_XML_OPEN_FAILED, unchanged, Fault::Immutable);
    row("paini, unreadable", Format::Ini, twoLines, ERR_INI_OPEN_FAILED, unchanged, Fault::Unreadable);
    row("paini, removal, unreadable", Format::Ini, twoLines, ERR_INI_OPEN_FAILED, unchanged, Fault::Unreadable, Task::Remove);
    row("xml, unreadable", Format::Xml, Named("a"), ERR_XML_OPEN_FAILED, unchanged, Fault::Unreadable);
    row("paini, a folder", Format::Ini, absent, ERR_INI_CREATE_FAILED, absent, Fault::Folder);
    row("xml, a folder", Format::Xml, absent, ERR_XML_OPEN_FAILED, absent, Fault::Folder);
    row("paini, a FIFO", Format::Ini, absent, ERR_INI_CREATE_FAILED, absent, Fault::Fifo);
    row("xml, a link to a device", Format::Xml, absent, ERR_XML_OPEN_FAILED, absent, Fault::LinkToDevice);
    row("xml, a link to a file: the file replaced", Format::Xml, Named("a"), RESULT_OK, NamedWritten("a"), Fault::Link);
    row("xml, owner, group and mode kept", Format::Xml, Named("a"), RESULT_OK, NamedWritten("a"), Fault::OwnedByAnotherUserAndGroup);
    row("paini, no commands folder", Format::Ini, absent, ERR_INI_CREATE_FAILED, absent, Fault::NoFolder);
    row("xml, no commands folder", Format::Xml, absent, ERR_XML_OPEN_FAILED, absent, Fault::NoFolder);
    row("xml, a new file left by a killed run is cleared", Format::Xml, Named("a"), RESULT_OK, NamedWritten("a"), Fault::LeftOver);
    row("xml, another run holds the lock through a linked folder", Format::Xml, Named("a"), RESULT_OK, NamedWritten("a"), Fault::Locked);
    row("paini, name too long for the new file beside it", Format::Ini, twoLines, ERR_INI_OPEN_FAILED, unchanged, Fault::NameTooLong);
}

// Only what the system says is not there is gone: an installation in a folder the running
// account may not look into is no dead one. asRoot: only the rows that look as another user.
void IsMissingRows(bool asRoot)
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("asOtherUser");
    QTest::addColumn<bool>("missing");
    const auto row = [asRoot](const char *name, const QString &path, bool asOtherUser, bool missing) {
        if (asOtherUser == asRoot)
            QTest::newRow(name) << path << asOtherUser << missing;
    };
    row("there", "private/tool/vivado_server.tcl", false, false);
    row("not there", "private/other/vivado_server.tcl", false, true);
    row("below a file", "private/tool/vivado_server.tcl/x", false, true);
    row("there, but we may not look", "private/tool/vivado_server.tcl", true, false);
}
}

class TestFileEdit : public QObject
{
    Q_OBJECT

private slots:
    void faults_data() { FaultRows(false); }

    void faults()
    {
        QFETCH(Format, format);
        QFETCH(Task, task);
        QFETCH(Fault, fault);
        QFETCH(QByteArray, before);
        QFETCH(quint32, result);
        QFETCH(QByteArray, after);

        QTemporaryDir dir;
        const QString folder = dir.path() + (fault == Fault::NoFolder ? "/commands" : IsFullDisk(fault) ? "/small" : "");
        const QString path = folder + "/" + (fault == Fault::NameTooLong ? QString(240, 'n') : QString()) + (format == Format::Xml ? xml : ini);
        if (!SetUpFault(fault, path, before))
            QSKIP("this platform or user can't make the fault");
        const bool existed = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
        const QString kind = Kind(path);
        const QDateTime modified = QFileInfo(path).lastModified();
        const bool readOnlyFolder = fault == Fault::ReadOnlyFolder || fault == Fault::FullDiskInReadOnlyFolder;
        QScopedPointer<AsOtherUser> other;
        if (fault == Fault::Unreadable)
            other.reset(new AsOtherUser(path, QFile::Permissions()));
        else if (fault == Fault::ReadOnlyFile)
            other.reset(new AsOtherUser(path, QFile::Permissions(0x4444)));
        else if (readOnlyFolder || fault == Fault::AnotherUsersFile)
            other.reset(new AsOtherUser(path, QFile::Permissions(0x6666)));
        if (other && (fault == Fault::Unreadable ? QFile(path).open(QIODevice::ReadOnly)
                      : fault == Fault::ReadOnlyFile ? QFile(path).open(QIODevice::WriteOnly | QIODevice::Append)
                      : fault == Fault::AnotherUsersFile ? !other->IsOtherUser() : QFile(folder + "/probe").open(QIODevice::WriteOnly)))
            QSKIP("this platform gives no way to deny that");

        qint64 took = 0;
        const ResultCode code = EditWithFault(fault, format, task, path, took);
        other.reset();
        const QByteArray written = ReadBytes(path);
        const QString kindAfter = Kind(path);
        const QDateTime modifiedAfter = QFileInfo(path).lastModified();
        const QStringList leftOver = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        UndoFault(fault, path);

        QCOMPARE(code, result);
        if (after == unchanged) {
            QCOMPARE(written, before);
            QCOMPARE(modifiedAfter, modified); // not written again either
        } else {
            QCOMPARE(written, after);
        }
        QVERIFY2(leftOver.size() <= 1, qPrintable(leftOver.join(", "))); // no new file stays behind
        if (existed)
            QCOMPARE(kindAfter, kind);
        if (fault == Fault::Locked) // it waited for the other run and then made its edit
            QVERIFY2(took >= 400, qPrintable(QString::number(took)));
    }

    void faultsAsRoot_data() { FaultRows(true); }

    void faultsAsRoot()
    {
        if (!IsRoot())
            QSKIP("bind mounts, chattr, chown, mknod, a tmpfs and a run as another user need root");
        faults();
    }

    // Another process's change between the read and the replacement is never overwritten.
    void replaceOnlyWhatWasRead_data()
    {
        QTest::addColumn<QByteArray>("read");     // absent: none expected
        QTest::addColumn<QByteArray>("meanwhile"); // absent: no change, empty: deleted
        QTest::addColumn<bool>("sameTime");       // the change keeps the modification time
        QTest::addColumn<bool>("replaced");

        QTest::newRow("unchanged") << QByteArray("old") << absent << false << true;
        QTest::newRow("changed") << QByteArray("old") << QByteArray("other") << false << false;
        QTest::newRow("changed, same size and time") << QByteArray("old") << QByteArray("odd") << true << false;
        QTest::newRow("created meanwhile") << absent << QByteArray("other") << false << false;
        QTest::newRow("deleted meanwhile") << QByteArray("old") << QByteArray() << false << false;
        QTest::newRow("none") << absent << absent << false << true;
    }

    void replaceOnlyWhatWasRead()
    {
        QFETCH(QByteArray, read);
        QFETCH(QByteArray, meanwhile);
        QFETCH(bool, sameTime);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString path = dir.path() + "/file";
        FileSnapshot snapshot = FileSnapshot::Absent();
        if (read != absent) {
            WriteBytes(path, read);
            QVERIFY(snapshot.Take(path));
        }
        if (meanwhile.isEmpty()) {
            QFile::remove(path);
        } else if (meanwhile != absent) {
            const QDateTime time = QFileInfo(path).lastModified();
            WriteBytes(path, meanwhile);
            QFile file(path);
            QVERIFY(!sameTime || (file.open(QIODevice::ReadWrite) && file.setFileTime(time, QFileDevice::FileModificationTime)));
        }
        QString reason;
        const FileReplacer::Outcome outcome = FileReplacer::Replace(path, snapshot, "new", reason);
        QCOMPARE(outcome, replaced ? FileReplacer::Outcome::Replaced : FileReplacer::Outcome::ChangedMeanwhile);
        QCOMPARE(ReadBytes(path), replaced ? QByteArray("new") : meanwhile.isEmpty() ? absent : meanwhile);
    }

    // Another program that changes the file between every read and the replacement: the
    // edit is made anew on what it finds, at five reads at most, as the README says.
    void changedAtEveryRead_data()
    {
        QTest::addColumn<int>("changes");
        QTest::addColumn<quint32>("result");
        QTest::newRow("changed at four reads: the fifth is edited") << 4 << RESULT_OK;
        QTest::newRow("changed at five reads: left as the other program left it") << 5 << ERR_XML_OPEN_FAILED;
    }

    void changedAtEveryRead()
    {
        QFETCH(int, changes);
        QFETCH(quint32, result);
        QTemporaryDir dir;
        const QString path = dir.path() + "/" + xml;
        WriteBytes(path, Named("0"));
        int reads = 0;
        const ResultCode code = FileEdit::Run(path, ERR_XML_OPEN_FAILED, ERR_XML_OPEN_FAILED, [&](const QByteArray *bytes) {
            const Edited edited = UpdateXmlFile().EditForUpdate(app, bytes);
            if (++reads <= changes)
                WriteBytes(path, Named(QByteArray::number(reads)));
            return edited;
        });
        QCOMPARE(code, result);
        QCOMPARE(reads, 5);
        const QByteArray last = QByteArray::number(changes);
        QCOMPARE(ReadBytes(path), result == RESULT_OK ? Native(NamedWritten(last)) : Named(last));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{xml}); // no new file stays behind
    }

    void isMissing_data() { IsMissingRows(false); }

    void isMissing()
    {
        QFETCH(QString, path);
        QFETCH(bool, asOtherUser);
        QFETCH(bool, missing);
        QTemporaryDir dir;
        const QString folder = dir.path() + "/private";
        QDir().mkpath(folder + "/tool");
        WriteBytes(folder + "/tool/vivado_server.tcl", "");
        path = dir.path() + "/" + path;
        QScopedPointer<AsOtherUser> other(asOtherUser ? new AsOtherUser(folder + "/tool", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
                                                      : nullptr);
        if (asOtherUser && (!other->IsOtherUser() || QFile(path).open(QIODevice::ReadOnly)))
            QSKIP("this platform or user gives no way to deny that");
        const bool result = FileSystem::IsMissing(path);
        other.reset();
        QCOMPARE(result, missing);
    }

    void isMissingAsRoot_data() { IsMissingRows(true); }

    void isMissingAsRoot()
    {
        if (!IsRoot())
            QSKIP("only root can look as another user");
        isMissing();
    }

    // The steps of a registration write only over what they read, so that a change that
    // another program made in between is kept, and a file deleted in between stays so.
    // The write names the file by another spelling of its path, which still counts.
    void fileStepsWriteOverWhatTheyRead_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QByteArray>("meanwhile"); // empty: nothing happens, absent: deleted

        for (const Format format : {Format::Ini, Format::Xml}) {
            const QByteArray name = format == Format::Ini ? "paini" : "xml";
            QTest::newRow(name) << format << QByteArray();
            QTest::newRow(name + ", changed meanwhile") << format << QByteArray("<!-- other -->\n");
            QTest::newRow(name + ", deleted meanwhile") << format << absent;
        }
    }

    void fileStepsWriteOverWhatTheyRead()
    {
        QFETCH(Format, format);
        QFETCH(QByteArray, meanwhile);
        const bool isIni = format == Format::Ini;
        QTemporaryDir dir;
        const QString path = dir.path() + "/" + (isIni ? ini : xml);
        WriteBytes(path, isIni ? QByteArray("VERSION=1\n") : declaration + root10 + "</custom_commands>\n");
        const QString spelled = dir.path() + "/./" + QFileInfo(path).fileName();
        const auto happen = [&] {
            if (meanwhile == absent)
                QFile::remove(path);
            else if (!meanwhile.isEmpty())
                WriteBytes(path, meanwhile);
        };
        ResultCode result = RESULT_OK;
        if (isIni) {
            UpdateIniFile editor;
            QStringList lines;
            QCOMPARE(editor.ReadLines(path, lines), RESULT_OK);
            QCOMPARE(editor.AppendEntry(lines), RESULT_OK);
            happen();
            result = editor.WriteLines(spelled, lines);
        } else {
            UpdateXmlFile editor;
            QCOMPARE(editor.ReadFile(path), RESULT_OK);
            editor.AddCommand();
            happen();
            result = editor.WriteFile(spelled);
        }
        QCOMPARE(result, meanwhile.isEmpty() ? RESULT_OK : isIni ? ERR_INI_OPEN_FAILED : ERR_XML_OPEN_FAILED);
        QCOMPARE(ReadBytes(path).contains("vivado_server.tcl"), meanwhile.isEmpty());
        QVERIFY(meanwhile.isEmpty() || ReadBytes(path) == meanwhile);
    }

    // Without a read there is nothing to keep to: the step writes the lines it is given.
    void writeLinesWithoutARead()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/" + ini;
        WriteBytes(path, "old\n");
        QCOMPARE(UpdateIniFile().WriteLines(path, {"a", "b"}), RESULT_OK);
        QCOMPARE(ReadBytes(path), Native("a\nb\n"));
    }

    // A file that appeared after the registration found none is edited, not replaced.
    void createNewFileKeepsAFileThatAppeared()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/" + ini;
        WriteBytes(path, "VERSION=1\n5=other\n");
        QCOMPARE(UpdateIniFile().CreateNewFile(path), RESULT_OK);
        QVERIFY(ReadBytes(path).startsWith(Native("VERSION=1\n5=other\n")));
        QVERIFY(ReadBytes(path).contains("vivado_server.tcl"));
    }
};

VIVADO_TEST_MAIN(TestFileEdit)

#include "tst_fileedit.moc"
