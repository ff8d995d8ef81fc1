#include "messages/returnmessages.h"
#include "testsupport.h"

#include <QApplication>
#include <QtTest>

class TestReturnMessages : public QObject
{
    Q_OBJECT

private slots:
    void knownCodes_data();
    void knownCodes();
    void unknownCodes_data();
    void unknownCodes();
    void toHex_data();
    void toHex();
    void catalogueHoldsExactlyTheTenCodes();
};

void TestReturnMessages::knownCodes_data()
{
    QTest::addColumn<quint32>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("id");

    QTest::newRow("integration failed") << 0x80000100u << "Vivado integration failed." << "80000100";
    QTest::newRow("home folder") << 0x80000200u << "Home folder not found." << "80000200";
    QTest::newRow("roaming folder") << 0x80000201u << "Roaming folder not found." << "80000201";
    QTest::newRow("ini create") << 0x80000301u
                                << "Failed to create Vivado .ini configuration file." << "80000301";
    QTest::newRow("ini open") << 0x80000302u << "Failed to open Vivado .ini configuration file."
                              << "80000302";
    QTest::newRow("ini equal sign, typo kept")
        << 0x80000303u
        << "Vivado .ini configuration file doesn't containt the expected equal sign." << "80000303";
    QTest::newRow("xml open") << 0x80000401u << "Failed to open Vivado .xml configuration file."
                              << "80000401";
    QTest::newRow("xml read") << 0x80000402u << "Failed to read Vivado .xml configuration file."
                              << "80000402";
    QTest::newRow("script read") << 0x80000501u
                                 << "Vivado server script file failed to open for read." << "80000501";
    QTest::newRow("script write") << 0x80000502u
                                  << "Vivado server script file failed to open for write." << "80000502";
}

void TestReturnMessages::knownCodes()
{
    QFETCH(quint32, code);
    QFETCH(QString, text);
    QFETCH(QString, id);

    ReturnMessages &messages = ReturnMessages::Instance();
    QCOMPARE(messages.GetShortMessage(code), text);
    QCOMPARE(messages.GetFullMessage(code), text + "\nMessage id : 0x" + id);
}

void TestReturnMessages::unknownCodes_data()
{
    QTest::addColumn<quint32>("code");
    QTest::addColumn<QString>("id");

    QTest::newRow("RESULT_OK has no entry") << 0u << "00000000";
    QTest::newRow("small value padded") << 0x1Fu << "0000001f";
    QTest::newRow("top bit set, no entry") << 0x80000203u << "80000203";
    QTest::newRow("hex letters lower case") << 0xABCDEF01u << "abcdef01";
    QTest::newRow("all bits") << 0xFFFFFFFFu << "ffffffff";
}

void TestReturnMessages::unknownCodes()
{
    QFETCH(quint32, code);
    QFETCH(QString, id);

    const QString expected = "Unexpected message.\nMessage id : 0x" + id;
    ReturnMessages &messages = ReturnMessages::Instance();
    QCOMPARE(messages.GetFullMessage(code), expected);
    QCOMPARE(messages.GetShortMessage(code), expected);
    QCOMPARE(ReturnMessages::UnexpectedMessage(code), expected);
}

void TestReturnMessages::toHex_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("hex");

    QTest::newRow("zero is one digit") << 0u << 0 << "0";
    QTest::newRow("zero padded") << 0u << 8 << "00000000";
    QTest::newRow("longer than width is not cut") << 0x12345u << 2 << "12345";
    QTest::newRow("unsigned, not negative") << 0x80000201u << 8 << "80000201";
    QTest::newRow("wider than 32 bits") << 0xbeefu << 10 << "000000beef";
}

void TestReturnMessages::toHex()
{
    QFETCH(quint32, value);
    QFETCH(int, width);
    QFETCH(QString, hex);
    QCOMPARE(ReturnMessages::ToHex(value, width), hex);
}

void TestReturnMessages::catalogueHoldsExactlyTheTenCodes()
{
    ReturnMessages &first = ReturnMessages::Instance();
    QCOMPARE(&ReturnMessages::Instance(), &first);

    // Every code in the failure range that is not "unexpected" has an entry.
    QList<quint32> known;
    for (quint32 code = 0x80000000u; code <= 0x80000fffu; ++code) {
        if (!first.GetShortMessage(code).startsWith("Unexpected message."))
            known << code;
    }
    const QList<quint32> expected{0x80000100u, 0x80000200u, 0x80000201u, 0x80000301u, 0x80000302u,
                                  0x80000303u, 0x80000401u, 0x80000402u, 0x80000501u, 0x80000502u};
    QCOMPARE(known, expected);
}

VIVADO_TEST_MAIN(TestReturnMessages)

#include "tst_returnmessages.moc"
