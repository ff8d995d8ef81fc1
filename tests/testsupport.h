#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TestSupport {

QByteArray ReadBytes(const QString &path); // "<unreadable>" when it can't be read or is no file
void WriteBytes(const QString &path, const QByteArray &bytes);

// Creates the Vivado folder of a profile or home folder `base`, with <version>/commands
// for each version, and makes `base` the home folder that Linux runs find. Returns the
// Vivado folder.
QString MakeProfile(const QString &base, const QStringList &versions);
QString CommandsFolder(const QString &vivado, const QString &version);
// The files in each version's commands folder, joined by ",", or "-" for none.
QStringList FilesIn(const QString &vivado, const QStringList &versions);

} // namespace TestSupport

// A run finds a sandbox profile only where the home folder holds Vivado's folder; on
// Windows it lies in the roaming folder, which a test can't move.
#ifdef Q_OS_WIN
#define REQUIRE_SANDBOX_HOME() QSKIP("Windows finds Vivado's folder in the roaming folder, which a test can't move")
#else
#define REQUIRE_SANDBOX_HOME()
#endif

// QTEST_MAIN with the fixed hash seed of the product, so written XML matches.
#define VIVADO_TEST_MAIN(TestObject)                                                              \
    int main(int argc, char *argv[])                                                              \
    {                                                                                             \
        qSetGlobalQHashSeed(0);                                                                   \
        QApplication app(argc, argv);                                                             \
        TestObject test;                                                                          \
        return QTest::qExec(&test, argc, argv);                                                   \
    }

#endif // TESTSUPPORT_H
