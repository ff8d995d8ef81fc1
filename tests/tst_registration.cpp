#include "registration/registration.h"
#include "testsupport.h"
#include "xmlcommands/updatexmlfile.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

class TestRegistration : public QObject
{
    Q_OBJECT

private slots:
    // A file can name more dead folders than a run looks at: the rest stay for the next run,
    // which goes on from there.
    void deadFoldersLookedAtPerRun_data()
    {
        QTest::addColumn<Format>("format");
        QTest::newRow("commands.paini") << Format::Ini;
        QTest::newRow("commands.xml") << Format::Xml;
    }

    void deadFoldersLookedAtPerRun()
    {
        QFETCH(Format, format);
        const bool isXml = format == Format::Xml;
        QTemporaryDir dir;
        const QString path = dir.path() + "/" + (isXml ? xml : ini);
        QByteArray bytes = isXml ? "<custom_commands major='1' minor='0'>\n" : "VERSION=1\n";
        for (int i = 0; i <= 256; ++i) { // one more than the README's 256 looks per file
            const QString gone = dir.path() + "/gone" + QString::number(i);
            bytes += isXml ? "<custom_command><name>TALVORN_Probe_Core_Inserter</name><command>"
                    + Registration::Command(gone).toHtmlEscaped().toUtf8() + "</command></custom_command>\n"
                           : QString::number(i).toUtf8() + "=" + Registration::IniValue(gone).toUtf8() + "\n";
        }
        WriteBytes(path, bytes + (isXml ? "</custom_commands>\n" : ""));
        QCOMPARE(EditFile(format, Task::Remove, dir.path() + "/app", path), RESULT_OK);
        QCOMPARE(ReadBytes(path).count("vivado_server.tcl"), 1);
        QCOMPARE(EditFile(format, Task::Remove, dir.path() + "/app", path), RESULT_OK);
        QCOMPARE(ReadBytes(path).count("vivado_server.tcl"), 0);
    }

    // A command is the tool's exactly when the registration could have named it so: the
    // names that the removal takes are the ones that the namer counts as taken.
    void ownCommandNames_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("own");
        QTest::addColumn<QString>("nextName");

        QTest::newRow("_2") << "_2" << true << "_3";
        QTest::newRow("_17") << "_17" << true << "_2";
        QTest::newRow("_02, a leading zero") << "_02" << false << "_2";
        QTest::newRow("_+2") << "_+2" << false << "_2";
        QTest::newRow("_1, never written") << "_1" << false << "_2";
        QTest::newRow("_2 and a space") << "_2 " << false << "_2";
    }

    void ownCommandNames()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, own);
        QFETCH(QString, nextName);
        const QByteArray file = Xml(Command(0, base) + Command(1, base + suffix, Registration::Command(app).toUtf8()));
        QCOMPARE(UpdateXmlFile().EditForRemoval(app, &file).bytes.has_value(), own);
        const Edited updated = UpdateXmlFile().EditForUpdate(app, &file);
        QVERIFY(updated.bytes);
        QVERIFY(updated.bytes->contains("<name>" + (base + nextName).toUtf8() + "</name>"));
    }
};

VIVADO_TEST_MAIN(TestRegistration)

#include "tst_registration.moc"
