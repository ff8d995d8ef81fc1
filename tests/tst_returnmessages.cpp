#include "messages/returnmessages.h"
#include "testsupport.h"

#include <QtTest>

class TestReturnMessages : public QObject
{
    Q_OBJECT

private slots:
    void messages_data()
    {
        QTest::addColumn<quint32>("code");
        QTest::addColumn<QString>("text"); // empty: no entry
        QTest::addColumn<QString>("id");

        // Every code with its text, as the README's table gives them; the typo is kept.
        const QList<QPair<quint32, QString>> table{
            {0x80000100u, "Vivado integration failed."},
            {0x80000200u, "Home folder not found."},
            {0x80000201u, "Roaming folder not found."},
            {0x80000202u, "Registration with Vivado is per user and needs a user's session, not a system account."},
            {0x80000301u, "Failed to create Vivado .ini configuration file."},
            {0x80000302u, "Failed to open Vivado .ini configuration file."},
            {0x80000303u, "Vivado .ini configuration file doesn't containt the expected equal sign."},
            {0x80000401u, "Failed to open Vivado .xml configuration file."},
            {0x80000402u, "Failed to read Vivado .xml configuration file."},
            {0x80000501u, "Vivado server script file failed to open for read."},
            {0x80000502u, "Vivado server script file failed to open for write."}};
        for (const auto &entry : table) {
            const QString id = QString::number(entry.first, 16);
            QTest::newRow(qPrintable(id)) << entry.first << entry.second << id;
        }
        QTest::newRow("RESULT_OK has no entry") << 0u << "" << "00000000";
        QTest::newRow("small code padded to 8 digits") << 0x1Fu << "" << "0000001f";
        QTest::newRow("hex letters in lower case") << 0xABCDEF01u << "" << "abcdef01";
    }

    void messages()
    {
        QFETCH(quint32, code);
        QFETCH(QString, text);
        QFETCH(QString, id);

        const QString idLine = "\nMessage id : 0x" + id;
        const QString unexpected = "Unexpected message." + idLine;
        ReturnMessages &messages = ReturnMessages::Instance();
        QCOMPARE(messages.GetShortMessage(code), text.isEmpty() ? unexpected : text);
        QCOMPARE(messages.GetFullMessage(code), text.isEmpty() ? unexpected : text + idLine);
        QCOMPARE(ReturnMessages::UnexpectedMessage(code), unexpected);
    }
};

VIVADO_TEST_MAIN(TestReturnMessages)

#include "tst_returnmessages.moc"
