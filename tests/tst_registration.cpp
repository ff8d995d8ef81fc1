#include "testsupport.h"
#include "xmlcommands/registration.h"

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
        for (int i = 0; i <= Registration::maxLooksPerFile; ++i) {
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
};

VIVADO_TEST_MAIN(TestRegistration)

#include "tst_registration.moc"
