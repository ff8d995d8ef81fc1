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

        QTest::newRow("ini equal sign, typo kept") << 0x80000303u
            << "Vivado .ini configuration file doesn't containt the expected equal sign." << "80000303";
        QTest::newRow("xml open failure") << 0x80000401u << "Failed to open Vivado .xml configuration file." << "80000401";
        QTest::newRow("ini open failure") << 0x80000302u << "Failed to open Vivado .ini configuration file." << "80000302";
        QTest::newRow("system account") << 0x80000202u
            << "Registration with Vivado is per user and needs a user's session, not a system account." << "80000202";
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
