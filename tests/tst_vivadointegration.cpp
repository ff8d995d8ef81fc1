#include "integration/updateinifile.h"
#include "integration/vivadointegration.h"
#include "locations/useraccounts.h"
#include "testsupport.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

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
        REQUIRE_XDG_PROFILE();
        QFETCH(QStringList, entries);
        QFETCH(QStringList, found);

        QTemporaryDir dir;
        const QString root = dir.path() + "/AppData/Roaming/Xilinx/Vivado/";
        for (const QString &entry : entries) {
            QDir().mkpath(root + (entry.endsWith('/') ? entry : QString()));
            if (!entry.endsWith('/'))
                WriteBytes(root + entry, "x");
        }
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + "/AppData/Roaming"));

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
        const QString ini = "commands.paini", xml = "commands.xml";
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
        const QString roaming = MakeProfile(dir.path(), versions);
        VersionFolderList folders;
        for (const QString &version : versions)
            folders.append({CommandsFolder(roaming, version), version});
        QDir(CommandsFolder(roaming, withoutCommands)).removeRecursively();
        QCOMPARE(VivadoIntegration().UpdateVersionFolders(folders), result);
        QCOMPARE(FilesIn(roaming, versions), files);
    }

    // An uninstaller must not stop halfway, nor a logon: every version is visited, the
    // first failure returned.
    void goesOnAfterFailures_data()
    {
        QTest::addColumn<QString>("task");
        QTest::newRow("removal") << "remove";
        QTest::newRow("refresh") << "refresh";
    }

    void goesOnAfterFailures()
    {
        QFETCH(QString, task);
        const QStringList versions{"2019.1", "2018.1", "2016.2"};
        QTemporaryDir dir;
        const QString roaming = MakeProfile(dir.path(), versions);
        VersionFolderList folders;
        for (const QString &version : versions)
            folders.append({CommandsFolder(roaming, version), version});
        const QString app = dir.path() + "/app";
        const QString xml = CommandsFolder(roaming, "2018.1") + "/commands.xml";
        const QString ini = CommandsFolder(roaming, "2016.2") + "/commands.paini";
        WriteBytes(CommandsFolder(roaming, "2019.1") + "/commands.xml", "<");
        WriteBytes(xml, "<custom_commands major='1' minor='0'><custom_command><name>TALVORN_Probe_Core_Inserter</name><command>source \""
                            + app.toUtf8() + "/vivado_server.tcl\" -notrace</command></custom_command></custom_commands>");
        QVERIFY(UpdateIniFile().Update(dir.path() + "/gone", ini) == RESULT_OK);
        if (QProcess::execute("chattr", {"+i", xml}) != 0)
            QSKIP("making a file immutable needs root");

        // Without an application folder of its own, the entries for app are dead ones.
        const ResultCode code = task == "remove" ? VivadoIntegration().RemoveFromVersionFolders(folders)
                                                 : VivadoIntegration().RefreshVersionFolders(folders);
        QProcess::execute("chattr", {"-i", xml});
        QCOMPARE(code, ERR_XML_READ_FAILED);
        QVERIFY(!ReadBytes(ini).contains("/gone/"));
        QCOMPARE(ReadBytes(ini).contains("/vivado_server.tcl"), task == "refresh");
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
