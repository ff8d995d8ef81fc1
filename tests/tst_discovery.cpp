#include "integration/vivadointegration.h"
#include "testsupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

namespace {
QStringList Describe(const VersionFolderList &folders, const QString &prefix)
{
    QStringList described;
    for (const VersionFolder &folder : folders)
        described << QString(folder.commandsPath).remove(prefix) + " | " + folder.version;
    described.sort();
    return described;
}
}

class TestDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void roamingFolder_data();
    void roamingFolder();
    void folderName_data();
    void folderName();
    void versionFolders_data();
    void versionFolders();
    void findVersionFolders_data();
    void findVersionFolders();
};

void TestDiscovery::roamingFolder_data()
{
    QTest::addColumn<QStringList>("locations");
    QTest::addColumn<QString>("roaming");

    QTest::newRow("organisation and application cut off")
        << QStringList{"C:/Users/ann/AppData/Roaming/Org/App", "C:/ProgramData/Org/App"}
        << "C:/Users/ann/AppData/Roaming";
    QTest::newRow("only the third location matches")
        << QStringList{"/a", "C:/ProgramData/App", "D:/x/AppData/Roaming/App"}
        << "D:/x/AppData/Roaming";
    QTest::newRow("first match wins")
        << QStringList{"E:/AppData/Roaming", "C:/AppData/Roaming/App"} << "E:/AppData/Roaming";
    QTest::newRow("cut after the first of two occurrences")
        << QStringList{"C:/AppData/Roaming/AppData/Roaming/App"} << "C:/AppData/Roaming";
    QTest::newRow("letter case differs") << QStringList{"C:/Users/ann/appdata/roaming/App"}
                                         << QString();
    QTest::newRow("backslashes") << QStringList{"C:\\Users\\ann\\AppData\\Roaming\\App"}
                                 << QString();
    QTest::newRow("no locations") << QStringList() << QString();
}

void TestDiscovery::roamingFolder()
{
    QFETCH(QStringList, locations);
    QFETCH(QString, roaming);
    QCOMPARE(VivadoIntegration::GetRoamingFolder(locations), roaming);
}

void TestDiscovery::folderName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");

    QTest::newRow("last element") << "C:/x/Vivado/2017.4" << "2017.4";
    QTest::newRow("no slash") << "2019.1" << "2019.1";
    QTest::newRow("trailing slash") << "C:/x/" << "";
    QTest::newRow("backslash is no separator") << "C:\\x\\2019.1" << "C:\\x\\2019.1";
}

void TestDiscovery::folderName()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(VivadoIntegration::GetFolderName(path), name);
}

void TestDiscovery::versionFolders_data()
{
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("versions among other entries")
        << QStringList{"2017.4", "2018.3", "Temp"} << QStringList{"notes.txt"}
        << QStringList{"/2017.4/commands | 2017.4", "/2018.3/commands | 2018.3"};
    QTest::newRow("a name of exactly 20") << QStringList{"20"} << QStringList()
                                          << QStringList{"/20/commands | 20"};
    QTest::newRow("a file whose name begins with 20")
        << QStringList() << QStringList{"2020-notes.txt"}
        << QStringList{"/2020-notes.txt/commands | 2020-notes.txt"};
    QTest::newRow("no match: short, other prefix, hidden")
        << QStringList{"2", "v2019.1", ".2019.1", "19.1"} << QStringList() << QStringList();
}

void TestDiscovery::versionFolders()
{
    QFETCH(QStringList, folders);
    QFETCH(QStringList, files);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    const QString root = dir.path() + "/Vivado";
    QVERIFY(QDir().mkpath(root));
    for (const QString &folder : folders)
        QVERIFY(QDir().mkpath(root + "/" + folder));
    for (const QString &file : files)
        WriteBytes(root + "/" + file, "x");

    VersionFolderList found{{"stale", "2000.1"}};
    VivadoIntegration::ListVersionFolders(found, root);
    QCOMPARE(Describe(found, root), expected);
}

void TestDiscovery::findVersionFolders_data()
{
    QTest::addColumn<QString>("dataHome");
    QTest::addColumn<QStringList>("versions");
    QTest::addColumn<quint32>("result");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("Windows layout") << "AppData/Roaming" << QStringList{"2017.4", "2019.1"}
                                    << RESULT_OK
                                    << QStringList{"/2017.4/commands | 2017.4",
                                                   "/2019.1/commands | 2019.1"};
    QTest::newRow("no Vivado folder") << "AppData/Roaming" << QStringList() << RESULT_OK
                                      << QStringList();
    QTest::newRow("no roaming folder") << "home/.local/share" << QStringList()
                                       << ERR_ROAMING_FOLDER_NOT_FOUND << QStringList();
}

void TestDiscovery::findVersionFolders()
{
    QFETCH(QString, dataHome);
    QFETCH(QStringList, versions);
    QFETCH(quint32, result);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    const QString roaming = dir.path() + "/AppData/Roaming";
    for (const QString &version : versions)
        QVERIFY(QDir().mkpath(CommandsFolder(roaming, version)));
    UseRoamingFolder(dir.path() + "/" + dataHome);

    VersionFolderList found{{"stale", "2000.1"}};
    QCOMPARE(VivadoIntegration::FindVersionFolders(found), result);
    QCOMPARE(Describe(found, roaming + "/Xilinx/Vivado"), expected);
}

VIVADO_TEST_MAIN(TestDiscovery)

#include "tst_discovery.moc"
