#include "integration/vivadointegration.h"
#include "testsupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

namespace {
// What each version's commands folder holds afterwards: the file names, or "-".
QStringList FilesIn(const QString &roaming, const QStringList &versions)
{
    QStringList found;
    for (const QString &version : versions) {
        const QStringList names = QDir(CommandsFolder(roaming, version)).entryList(QDir::Files);
        found << (names.isEmpty() ? QStringLiteral("-") : names.join(','));
    }
    return found;
}
}

class TestVivadoIntegration : public QObject
{
    Q_OBJECT

private slots:
    void legacyVersion_data();
    void legacyVersion();
    void updateVersionFolders_data();
    void updateVersionFolders();
    void appFolderReachesBothEditorsUnchanged();
    void integrateStopsOnDiscoveryFailure();
};

void TestVivadoIntegration::legacyVersion_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("legacy");

    QTest::newRow("2016.2") << "2016.2" << true;
    QTest::newRow("2017.4") << "2017.4" << true;
    QTest::newRow("2018.1") << "2018.1" << false;
    QTest::newRow("2019.2") << "2019.2" << false;
    QTest::newRow("three pieces") << "2017.4.1" << false;
    QTest::newRow("one piece") << "2017" << false;
    QTest::newRow("doubled dot") << "2017..4" << true;
    QTest::newRow("leading and trailing dots") << ".2017.4." << true;
    QTest::newRow("not a number reads 0") << "20ab.1" << true;
    QTest::newRow("beyond 32 bits reads 0") << "20000000000.1" << true;
    QTest::newRow("negative is no unsigned number") << "-2019.1" << true;
}

void TestVivadoIntegration::legacyVersion()
{
    QFETCH(QString, version);
    QFETCH(bool, legacy);
    QCOMPARE(VivadoIntegration::IsLegacyVersion(version), legacy);
}

void TestVivadoIntegration::updateVersionFolders_data()
{
    QTest::addColumn<QStringList>("versions");
    QTest::addColumn<QStringList>("missingCommands");
    QTest::addColumn<quint32>("result");
    QTest::addColumn<QStringList>("files");

    QTest::newRow("empty list") << QStringList() << QStringList() << RESULT_OK << QStringList();
    QTest::newRow("one of each format")
        << QStringList{"2017.4", "2018.3"} << QStringList() << RESULT_OK
        << QStringList{"commands.paini", "commands.xml"};
    QTest::newRow("legacy folder without commands stops the run")
        << QStringList{"2019.1", "2016.2", "2018.1"} << QStringList{"2016.2"}
        << ERR_INI_CREATE_FAILED << QStringList{"commands.xml", "-", "-"};
    QTest::newRow("xml folder without commands stops the run")
        << QStringList{"2017.4", "2019.1", "2016.2"} << QStringList{"2019.1"}
        << ERR_XML_OPEN_FAILED << QStringList{"commands.paini", "-", "-"};
}

void TestVivadoIntegration::updateVersionFolders()
{
    QFETCH(QStringList, versions);
    QFETCH(QStringList, missingCommands);
    QFETCH(quint32, result);
    QFETCH(QStringList, files);

    QTemporaryDir dir;
    const QString roaming = MakeProfile(dir.path(), versions);
    VersionFolderList folders;
    for (const QString &version : versions) {
        if (missingCommands.contains(version))
            QVERIFY(QDir(CommandsFolder(roaming, version)).removeRecursively());
        folders.append({CommandsFolder(roaming, version), version});
    }

    VivadoIntegration integration;
    QCOMPARE(integration.UpdateVersionFolders(folders), result);
    QCOMPARE(FilesIn(roaming, versions), files);
}

void TestVivadoIntegration::appFolderReachesBothEditorsUnchanged()
{
    QTemporaryDir dir;
    const QString roaming = MakeProfile(dir.path(), {"2017.4", "2019.1"});
    UseRoamingFolder(roaming);
    const QString appFolder = "C:/Program Files/Talvorn Tool";

    QCOMPARE(VivadoIntegration().Integrate(appFolder), RESULT_OK);
    const QByteArray ini = ReadBytes(CommandsFolder(roaming, "2017.4") + "/commands.paini");
    const QByteArray xml = ReadBytes(CommandsFolder(roaming, "2019.1") + "/commands.xml");
    QVERIFY(ini.contains("source%20\"C:/Program%20Files/Talvorn%20Tool/vivado_server.tcl\""));
    QVERIFY(xml.contains("<command>source \"C:/Program Files/Talvorn Tool/vivado_server.tcl\""));
}

void TestVivadoIntegration::integrateStopsOnDiscoveryFailure()
{
    QTemporaryDir dir;
    const QString roaming = MakeProfile(dir.path(), {"2017.4", "2019.1"});
    UseRoamingFolder(dir.path() + "/elsewhere");

    QCOMPARE(VivadoIntegration().Integrate("/opt/tool"), ERR_ROAMING_FOLDER_NOT_FOUND);
    QCOMPARE(FilesIn(roaming, {"2017.4", "2019.1"}), QStringList({"-", "-"}));
}

VIVADO_TEST_MAIN(TestVivadoIntegration)

#include "tst_vivadointegration.moc"
