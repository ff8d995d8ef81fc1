#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TestSupport {

QByteArray ReadBytes(const QString &path); // "<unreadable>" when it can't be read or is no file
void WriteBytes(const QString &path, const QByteArray &bytes);

// Creates <base>/AppData/Roaming/Xilinx/Vivado/<version>/commands for each version and
// points Qt's application-data locations there, as on Windows. Returns the roaming folder.
QString MakeProfile(const QString &base, const QStringList &versions);
QString CommandsFolder(const QString &roaming, const QString &version);
// The files in each version's commands folder, joined by ",", or "-" for none.
QStringList FilesIn(const QString &roaming, const QStringList &versions);

} // namespace TestSupport

// The profile can be laid out in a temporary folder only where XDG_DATA_HOME moves
// Qt's application-data location; elsewhere a test would touch the real one.
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#define REQUIRE_XDG_PROFILE()
#else
#define REQUIRE_XDG_PROFILE() QSKIP("only XDG_DATA_HOME moves the profile away from the real one")
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
