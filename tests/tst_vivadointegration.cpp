#include "files/filelock.h"
#include "integration/updateinifile.h"
#include "integration/vivadointegration.h"
#include "locations/useraccounts.h"
#include "registration/registration.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

#ifdef Q_OS_WIN
#include <windows.h>
#include <aclapi.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace TestSupport;

// What a user may lay in their profile where the run for every user expects a plain file or folder.
enum class Trap { None, Link, SecondName, Fifo, MountPoint };
Q_DECLARE_METATYPE(Trap)

class TestVivadoIntegration : public QObject
{
    Q_OBJECT

private slots:
    void roamingFolder_data()
    {
        QTest::addColumn<QStringList>("locations");
        QTest::addColumn<QString>("roaming");
        QTest::newRow("Qt's folders cut off") << QStringList{"C:/U/AppData/Roaming/Org/App", "C:/P"} << "C:/U/AppData/Roaming";
        QTest::newRow("only the third matches") << QStringList{"/a", "/b", "D:/AppData/Roaming/App"} << "D:/AppData/Roaming";
        QTest::newRow("cut after the first of two") << QStringList{"C:/AppData/Roaming/AppData/Roaming"} << "C:/AppData/Roaming";
    }

    void roamingFolder()
    {
        QFETCH(QStringList, locations);
        QFETCH(QString, roaming);
        QCOMPARE(VivadoIntegration::GetRoamingFolder(locations), roaming);
    }

    void versionFolders_data()
    {
        QTest::addColumn<QStringList>("entries"); // a trailing "/" makes a folder
        QTest::addColumn<QStringList>("found");
        QTest::newRow("versions among other entries") << QStringList{"2017.4/", "2018.3/", "Temp/", "x.txt", ".2019.1/", "2/"}
            << QStringList{"2017.4/commands 2017.4", "2018.3/commands 2018.3"};
        QTest::newRow("a file and a folder named 20") << QStringList{"20/", "2020.txt"} << QStringList{"20/commands 20", "2020.txt/commands 2020.txt"};
        QTest::newRow("no Vivado folder") << QStringList() << QStringList();
    }

    void versionFolders()
    {
        REQUIRE_SANDBOX_HOME();
        QFETCH(QStringList, entries);
        QFETCH(QStringList, found);

        QTemporaryDir dir;
        const QString root = dir.path() + "/" + VivadoIntegration::profileVivadoFolder + "/";
        for (const QString &entry : entries) {
            QDir().mkpath(root + (entry.endsWith('/') ? entry : QString()));
            if (!entry.endsWith('/'))
                WriteBytes(root + entry, "x");
        }
        qputenv("HOME", QFile::encodeName(dir.path()));

        VersionFolderList folders{{"stale", "2000.1"}};
        QCOMPARE(VivadoIntegration::FindVersionFolders(folders), RESULT_OK);
        QStringList described;
        for (const VersionFolder &folder : folders)
            described << folder.commandsPath.mid(root.size()) + " " + folder.version;
        described.sort(); // iteration order is the file system's
        QCOMPARE(described, found);
    }

    void updateVersionFolders_data()
    {
        QTest::addColumn<QStringList>("versions");
        QTest::addColumn<QString>("withoutCommands");
        QTest::addColumn<quint32>("result");
        QTest::addColumn<QStringList>("files");
        // Before 2018 only as major.minor; empty pieces are dropped, a major that is not a number reads 0.
        QTest::newRow("format by version") << QStringList{"2017.4", "2018.1", "2017.4.1", "2017", ".2017..4", "20ab.1"} << "" << RESULT_OK
                                           << QStringList{ini, xml, xml, xml, ini, ini};
        QTest::newRow("legacy failure stops the run") << QStringList{"2019.1", "2016.2", "2018.1"} << "2016.2"
                                                      << ERR_INI_CREATE_FAILED << QStringList{xml, "-", "-"};
        QTest::newRow("xml failure stops the run") << QStringList{"2017.4", "2019.1", "2016.2"} << "2019.1"
                                                   << ERR_XML_OPEN_FAILED << QStringList{ini, "-", "-"};
    }

    void updateVersionFolders()
    {
        QFETCH(QStringList, versions);
        QFETCH(QString, withoutCommands);
        QFETCH(quint32, result);
        QFETCH(QStringList, files);

        QTemporaryDir dir;
        const QString vivado = MakeProfile(dir.path(), versions);
        VersionFolderList folders;
        for (const QString &version : versions)
            folders.append({CommandsFolder(vivado, version), version});
        QDir(CommandsFolder(vivado, withoutCommands)).removeRecursively();
        QCOMPARE(VivadoIntegration().UpdateVersionFolders(folders), result);
        QCOMPARE(FilesIn(vivado, versions), files);
    }

    // An uninstaller must not stop halfway, nor a logon: every version is visited, the
    // first failure returned.
    void goesOnAfterFailures_data()
    {
        QTest::addColumn<Task>("task");
        QTest::newRow("removal") << Task::Remove;
        QTest::newRow("refresh") << Task::Refresh;
    }

    void goesOnAfterFailures()
    {
        QFETCH(Task, task);
        const QStringList versions{"2019.1", "2018.1", "2016.2"};
        QTemporaryDir dir;
        const QString vivado = MakeProfile(dir.path(), versions);
        VersionFolderList folders;
        for (const QString &version : versions)
            folders.append({CommandsFolder(vivado, version), version});
        const QString app = dir.path() + "/app";
        const QString xml = CommandsFolder(vivado, "2018.1") + "/commands.xml";
        const QString ini = CommandsFolder(vivado, "2016.2") + "/commands.paini";
        WriteBytes(CommandsFolder(vivado, "2019.1") + "/commands.xml", "<");
        WriteBytes(xml, "<custom_commands major='1' minor='0'><custom_command><name>TALVORN_Probe_Core_Inserter</name><command>source \""
                            + app.toUtf8() + "/vivado_server.tcl\" -notrace</command></custom_command></custom_commands>");
        QVERIFY(UpdateIniFile().Update(dir.path() + "/gone", ini) == RESULT_OK);
        if (QProcess::execute("chattr", {"+i", xml}) != 0)
            QSKIP("making a file immutable needs root");

        // Without an application folder of its own, the entries for app are dead ones.
        const ResultCode code = task == Task::Remove ? VivadoIntegration().RemoveFromVersionFolders(folders)
                                                 : VivadoIntegration().RefreshVersionFolders(folders);
        QProcess::execute("chattr", {"-i", xml});
        QCOMPARE(code, ERR_XML_READ_FAILED);
        QVERIFY(!ReadBytes(ini).contains("/gone/"));
        QCOMPARE(ReadBytes(ini).contains("/vivado_server.tcl"), task == Task::Refresh);
    }

    // Vivado installed but never started has no commands folder: nothing to remove or put
    // in order, and nothing is created.
    void withoutCommandsFolders_data() { goesOnAfterFailures_data(); }

    void withoutCommandsFolders()
    {
        QFETCH(Task, task);
        QTemporaryDir dir;
        const QString vivado = MakeProfile(dir.path(), {});
        VersionFolderList folders;
        for (const QString &version : QStringList{"2019.1", "2016.2"}) {
            QDir().mkpath(vivado + "/" + version);
            folders.append({CommandsFolder(vivado, version), version});
        }
        const ResultCode code = task == Task::Remove ? VivadoIntegration().RemoveFromVersionFolders(folders)
                                                 : VivadoIntegration().RefreshVersionFolders(folders);
        QCOMPARE(code, RESULT_OK);
        QVERIFY(QDir(vivado + "/2019.1").isEmpty() && QDir(vivado + "/2016.2").isEmpty());
    }

    // A run for every user follows no link that a user laid in their profile: the file it
    // leads to stays as it was, and is no failure; the user's own files are still cleaned.
    // A FIFO in the file's place, or a folder of another file system, is left alone the same way.
    void removeFromProfileFollowsNoLink_data()
    {
        QTest::addColumn<Trap>("trap");
        QTest::addColumn<QString>("place"); // below the profile
        QTest::addColumn<bool>("othersCleaned");
        const QString vivado = ".Xilinx/Vivado"; // where Vivado keeps it on Unix
        const QString file = vivado + "/2019.1/commands/commands.xml";
        QTest::newRow("no link") << Trap::None << file << true;
        QTest::newRow("commands.xml a link to a file elsewhere") << Trap::Link << file << true;
        QTest::newRow("commands.xml a second name of a file elsewhere") << Trap::SecondName << file << true;
        QTest::newRow("commands.xml a FIFO") << Trap::Fifo << file << true;
        QTest::newRow("the commands folder a link") << Trap::Link << vivado + "/2019.1/commands" << true;
        QTest::newRow("the commands folder on another file system") << Trap::MountPoint << vivado + "/2019.1/commands" << true;
        QTest::newRow("the version folder a link") << Trap::Link << vivado + "/2019.1" << true;
        QTest::newRow("the Vivado folder a link") << Trap::Link << vivado << false;
        QTest::newRow("its parent a link") << Trap::Link << vivado.section('/', 0, -2) << false;
    }

    void removeFromProfileFollowsNoLink()
    {
#ifdef Q_OS_WIN
        QSKIP("Qt makes shortcut files on Windows; the Windows check lays real links under Wine");
#else
        QFETCH(Trap, trap);
        QFETCH(QString, place);
        QFETCH(bool, othersCleaned);
        QTemporaryDir dir;
        const QString app = dir.path() + "/app";
        const QByteArray own = "<custom_commands major='1' minor='0'><custom_command><name>TALVORN_Probe_Core_Inserter</name>"
                               "<command>source \"" + app.toUtf8() + "/vivado_server.tcl\" -notrace</command></custom_command></custom_commands>";
        // The same layout twice: the profile, and elsewhere what a link would lead to.
        const QString vivado = "/.Xilinx/Vivado/";
        for (const QString &top : QStringList{"/profile", "/elsewhere"}) {
            for (const QString &version : QStringList{"2019.1", "2018.1"}) {
                QDir().mkpath(dir.path() + top + vivado + version + "/commands");
                WriteBytes(dir.path() + top + vivado + version + "/commands/commands.xml", own);
            }
        }
        const QString file = vivado + "2019.1/commands/commands.xml";
        const QString trapped = dir.path() + "/profile/" + place;
        const QString target = dir.path() + "/elsewhere/" + place;
        if (trap != Trap::None)
            QVERIFY(QFileInfo(trapped).isDir() ? QDir(trapped).removeRecursively() : QFile::remove(trapped));
        if (trap == Trap::Link)
            QVERIFY(QFile::link(target, trapped));
        if (trap == Trap::SecondName)
            QVERIFY(::link(QFile::encodeName(target).constData(), QFile::encodeName(trapped).constData()) == 0);
        if (trap == Trap::Fifo)
            QVERIFY(::mkfifo(QFile::encodeName(trapped).constData(), 0600) == 0);
        if (trap == Trap::MountPoint) {
            QDir().mkpath(trapped);
            if (QProcess::execute("mount", {"-t", "tmpfs", "tmpfs", trapped}) != 0)
                QSKIP("only root can mount a file system here");
            WriteBytes(dir.path() + "/profile" + file, own);
        }
        const auto unmount = qScopeGuard([&] {
            if (trap == Trap::MountPoint)
                QProcess::execute("umount", {trapped});
        });

        QCOMPARE(VivadoIntegration().RemoveFromProfile(app, dir.path() + "/profile"), RESULT_OK);
        QCOMPARE(ReadBytes(dir.path() + "/elsewhere" + file), own);
        QCOMPARE(ReadBytes(dir.path() + "/profile" + file) == own, trap != Trap::None && trap != Trap::Fifo);
        QCOMPARE(ReadBytes(dir.path() + "/profile" + vivado + "2018.1/commands/commands.xml") == own, !othersCleaned);
        QVERIFY(trap != Trap::Link || QFileInfo(trapped).isSymLink());
#endif
    }

    // The removal for every user goes on through every version and returns the first
    // failure, in the order the profile's folder lists its versions.
    void removeFromProfileReturnsTheFirstFailure()
    {
        QTemporaryDir dir;
        const QString vivado = MakeProfile(dir.path(), {"2017.4", "2019.1", "2020.1"});
        QFile tooLarge(CommandsFolder(vivado, "2017.4") + "/commands.paini");
        QVERIFY(tooLarge.open(QIODevice::WriteOnly) && tooLarge.resize(64 * 1024 * 1024 + 1));
        tooLarge.close();
        WriteBytes(CommandsFolder(vivado, "2019.1") + "/commands.xml", "");
        const QString own = CommandsFolder(vivado, "2020.1") + "/commands.xml";
        WriteBytes(own, "<custom_commands major='1' minor='0'><custom_command><name>TALVORN_Probe_Core_Inserter</name><command>"
                        + Registration::Command(dir.path()).toUtf8() + "</command></custom_command></custom_commands>");
        const QMap<QString, ResultCode> failures{{"2017.4", ERR_INI_OPEN_FAILED}, {"2019.1", ERR_XML_READ_FAILED}};
        ResultCode first = RESULT_OK;
        for (QDirIterator versions(vivado, QDir::Dirs | QDir::NoDotAndDotDot); versions.hasNext() && first == RESULT_OK;)
            first = failures.value(QFileInfo(versions.next()).fileName(), RESULT_OK);

        QCOMPARE(VivadoIntegration().RemoveFromProfile(dir.path(), dir.path()), first);
        QVERIFY(!ReadBytes(own).contains("vivado_server.tcl"));
    }

    // Above the limit a file is refused before it is read, and stays as it was; the run
    // goes on with the next version.
    void sizeLimit_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<quint32>("result");
        const qint64 limit = 64 * 1024 * 1024; // as the README promises
        QTest::newRow("commands.paini at the limit") << "2017.4" << limit << RESULT_OK;
        QTest::newRow("commands.paini one byte above") << "2017.4" << limit + 1 << ERR_INI_OPEN_FAILED;
        QTest::newRow("commands.xml one byte above") << "2019.1" << limit + 1 << ERR_XML_READ_FAILED;
    }

    void sizeLimit()
    {
        QFETCH(QString, version);
        QFETCH(qint64, size);
        QFETCH(quint32, result);
        QTemporaryDir dir;
        const QString vivado = MakeProfile(dir.path(), {version, "2016.2"});
        const bool legacy = VivadoIntegration::IsLegacyVersion(version);
        const QString path = CommandsFolder(vivado, version) + (legacy ? "/commands.paini" : "/commands.xml");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(1 << 20, 'x')) == 1 << 20 && file.resize(size));
        file.close();
        const QDateTime modified = QFileInfo(path).lastModified();
        VersionFolderList folders{{CommandsFolder(vivado, version), version}, {CommandsFolder(vivado, "2016.2"), "2016.2"}};
        QCOMPARE(VivadoIntegration().RefreshVersionFolders(folders), result);
        QCOMPARE(QFileInfo(path).lastModified() == modified, result != RESULT_OK);
        QCOMPARE(FilesIn(vivado, {"2016.2"}), QStringList{"commands.paini"});
    }

    // Runs take turns on a file; someone who may not edit it can't make them wait by
    // holding a lock of the same name first.
    void lockHolders_data()
    {
        QTest::addColumn<bool>("stranger");
        QTest::addColumn<int>("minimumWait");
        QTest::newRow("another run holds the lock for 1.5 s") << false << 1400;
        QTest::newRow("a stranger holds the lock's name") << true << 0;
    }

    void lockHolders()
    {
        QFETCH(bool, stranger);
        QFETCH(int, minimumWait);
        QTemporaryDir dir;
        const QString path = dir.path() + "/commands.paini";
        QSemaphore held;
#ifdef Q_OS_WIN
        std::thread holder([&] {
            QScopedPointer<FileLock> lock(stranger ? nullptr : new FileLock(path, QDeadlineTimer(1000)));
            const HANDLE mutex = stranger ? CreateMutexW(nullptr, TRUE, reinterpret_cast<const wchar_t *>(FileSystem::LockName(path).utf16())) : nullptr;
            PSID someoneElse = nullptr;
            SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
            AllocateAndInitializeSid(&nt, 5, 21, 1, 2, 3, 1001, 0, 0, 0, &someoneElse);
            if (mutex)
                SetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, someoneElse, nullptr, nullptr, nullptr);
            held.release();
            QThread::msleep(stranger ? 40000 : 1500);
            CloseHandle(mutex);
            FreeSid(someoneElse);
        });
#else
        // The stranger is another account that may read the folder, and locks it as the lock
        // once was.
        QProcess locker;
        if (stranger) {
            QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                  | QFileDevice::ReadOther | QFileDevice::ExeOther);
            locker.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "flock", "-o", dir.path(), "sleep", "40"});
            if (getuid() != 0 || !locker.waitForStarted())
                QSKIP("only root can run a lock holder as another account");
            QThread::msleep(500);
        }
        std::thread holder([&] {
            QScopedPointer<FileLock> lock(stranger ? nullptr : new FileLock(path, QDeadlineTimer(1000)));
            held.release();
            QThread::msleep(stranger ? 0 : 1500);
        });
#endif
        held.acquire();
        QElapsedTimer waited;
        waited.start();
        const ResultCode result = UpdateIniFile().Update("C:/app", path);
        const qint64 took = waited.elapsed();
        holder.detach();
#ifndef Q_OS_WIN
        locker.kill();
        locker.waitForFinished();
#endif
        QCOMPARE(result, RESULT_OK);
        QVERIFY2(took >= minimumWait && took < minimumWait + 5000, qPrintable(QString::number(took)));
    }

    // The system accounts' profiles lie inside the Windows folder, however the path is written.
    void systemProfile_data()
    {
        QTest::addColumn<QString>("roaming");
        QTest::addColumn<QString>("windows");
        QTest::addColumn<bool>("system");
        QTest::newRow("LocalSystem's") << "C:/Windows/System32/config/systemprofile/AppData/Roaming" << "C:/Windows" << true;
        QTest::newRow("a service's, other case, backslashes") << "c:\\WINDOWS\\ServiceProfiles\\LocalService\\AppData\\Roaming"
                                                             << "C:\\Windows" << true;
        QTest::newRow("the Windows folder itself") << "C:/Windows" << "C:\\Windows\\" << true;
        QTest::newRow("a person's") << "C:/Users/ann/AppData/Roaming" << "C:/Windows" << false;
        QTest::newRow("a name that begins like the Windows folder") << "C:/WindowsUsers/AppData/Roaming" << "C:/Windows" << false;
        QTest::newRow("out of it again by ..") << "C:/Windows/../Users/ann/AppData/Roaming" << "C:/Windows" << false;
        QTest::newRow("no Windows folder") << "/root/AppData/Roaming" << "" << false;
#ifndef Q_OS_WIN // there Qt links with shortcut files, which no path goes through
        QTest::newRow("through a link into it") << "%tmp%/link/AppData/Roaming" << "%tmp%/Windows" << true;
#endif
    }

    void systemProfile()
    {
        QFETCH(QString, roaming);
        QFETCH(QString, windows);
        QFETCH(bool, system);
        QTemporaryDir dir;
        QDir().mkpath(dir.path() + "/Windows/System32/config/systemprofile/AppData/Roaming");
        QFile::link(dir.path() + "/Windows/System32/config/systemprofile", dir.path() + "/link");
        roaming.replace("%tmp%", dir.path());
        windows.replace("%tmp%", dir.path());
        QCOMPARE(UserAccounts::IsSystemProfile(roaming, windows), system);
    }
};

VIVADO_TEST_MAIN(TestVivadoIntegration)

#include "tst_vivadointegration.moc"
