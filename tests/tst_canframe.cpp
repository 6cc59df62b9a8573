#include "canframe.h"
#include "hexbytes.h"

#include <QTest>

class tst_CanFrame : public QObject
{
    Q_OBJECT

private slots:
    void encode_data();
    void encode();
    void variableFrameWritesItsLength();
    void identifierIsNeverNarrowed();
    void parseHexId_data();
    void parseHexId();
    void parseHexBytes_data();
    void parseHexBytes();
    void moreThanEightTokensKeepOnlyEightBytes();
    void fixedChecksumIgnoresHeaderAndChecksumByte();
};

void tst_CanFrame::encode_data()
{
    QTest::addColumn<QString>("idText");
    QTest::addColumn<QString>("dataText");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QByteArray>("fixed");
    QTest::addColumn<QByteArray>("variable");

    QTest::newRow("standard 0x123")
            << "0x123"
            << "11 22 33" << false
            << hex("AA 55 01 01 01 23 01 00 00 03 11 22 33 00 00 00 00 00 00 90")
            << hex("AA C3 23 01 11 22 33 55");
    QTest::newRow("extended 0x123")
            << "0x123"
            << "11 22 33" << true
            << hex("AA 55 01 02 01 23 01 00 00 03 11 22 33 00 00 00 00 00 00 91")
            << hex("AA E3 23 01 00 00 11 22 33 55");
    QTest::newRow("default row")
            << "0x00000000"
            << "00 11 22 33 44 55 66 77" << false
            << hex("AA 55 01 01 01 00 00 00 00 08 00 11 22 33 44 55 66 77 00 E7")
            << hex("AA C8 00 00 00 11 22 33 44 55 66 77 55");
    QTest::newRow("empty data is one zero byte")
            << "7"
            << "" << false << hex("AA 55 01 01 01 07 00 00 00 01 00 00 00 00 00 00 00 00 00 0B")
            << hex("AA C1 07 00 00 55");
    QTest::newRow("two blanks make an empty token")
            << "1"
            << "00  11" << false
            << hex("AA 55 01 01 01 01 00 00 00 03 00 00 11 00 00 00 00 00 00 18")
            << hex("AA C3 01 00 00 00 11 55");
    QTest::newRow("outer blanks ignored")
            << "1"
            << " 11 22 " << false
            << hex("AA 55 01 01 01 01 00 00 00 02 11 22 00 00 00 00 00 00 00 39")
            << hex("AA C2 01 00 11 22 55");
}

void tst_CanFrame::encode()
{
    QFETCH(QString, idText);
    QFETCH(QString, dataText);
    QFETCH(bool, extended);
    QFETCH(QByteArray, fixed);
    QFETCH(QByteArray, variable);

    const CanFrame frame = frameFromTexts(idText, ::parseHexBytes(dataText), extended);
    QCOMPARE(encodeFixedFrame(frame).toHex(' '), fixed.toHex(' '));
    QTest::ignoreMessage(QtDebugMsg, QByteArray::number(variable.size()).constData());
    QCOMPARE(encodeVariableFrame(frame).toHex(' '), variable.toHex(' '));
}

void tst_CanFrame::variableFrameWritesItsLength()
{
    CanFrame frame;
    frame.length = 8;
    QTest::ignoreMessage(QtDebugMsg, "13");
    QCOMPARE(encodeVariableFrame(frame).size(), 13);
    frame.extended = true;
    frame.length = 0;
    QTest::ignoreMessage(QtDebugMsg, "7");
    QCOMPARE(encodeVariableFrame(frame).size(), 7);
}

void tst_CanFrame::identifierIsNeverNarrowed()
{
    const CanFrame frame = frameFromTexts("ABCDE", ::parseHexBytes("01"), false);
    QCOMPARE(frame.identifier, 0xABCDEu);
    QCOMPARE(encodeFixedFrame(frame).mid(5, 4), hex("DE BC 0A 00"));
    QTest::ignoreMessage(QtDebugMsg, "6");
    QCOMPARE(encodeVariableFrame(frame).mid(2, 2), hex("DE BC"));
}

void tst_CanFrame::parseHexId_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("identifier");

    QTest::newRow("prefixed") << "0x00000001" << 1u;
    QTest::newRow("bare") << "123" << 0x123u;
    QTest::newRow("upper case") << "1FFFFFFF" << 0x1FFFFFFFu;
    QTest::newRow("surrounding blanks") << "  7ff " << 0x7FFu;
    QTest::newRow("largest") << "7FFFFFFF" << 0x7FFFFFFFu;
    QTest::newRow("out of range") << "FFFFFFFF" << 0u;
    QTest::newRow("80000000 out of range") << "80000000" << 0u;
    QTest::newRow("minus one is all ones") << "-1" << 0xFFFFFFFFu;
    QTest::newRow("not hexadecimal") << "xyz" << 0u;
    QTest::newRow("trailing garbage") << "12g" << 0u;
    QTest::newRow("empty") << "" << 0u;
}

void tst_CanFrame::parseHexId()
{
    QFETCH(QString, text);
    QFETCH(quint32, identifier);
    QCOMPARE(::parseHexId(text), identifier);
}

void tst_CanFrame::parseHexBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("eight") << "00 11 22 33 44 55 66 77" << 8 << hex("00 11 22 33 44 55 66 77");
    QTest::newRow("low 8 bits") << "7f 1FF" << 2 << hex("7F FF");
    QTest::newRow("bad token is 0") << "zz 01" << 2 << hex("00 01");
    QTest::newRow("empty text") << "" << 1 << hex("00");
    QTest::newRow("blanks only") << "   " << 1 << hex("00");
    QTest::newRow("double blank") << "00  11" << 3 << hex("00 00 11");
    QTest::newRow("tab is not a separator") << "11\t22" << 1 << hex("00");
}

void tst_CanFrame::parseHexBytes()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(QByteArray, bytes);

    const HexBytes parsed = ::parseHexBytes(text);
    QCOMPARE(parsed.tokenCount, count);
    QVERIFY(parsed.fitsFrame());
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(parsed.bytes.data()), count), bytes);
}

void tst_CanFrame::moreThanEightTokensKeepOnlyEightBytes()
{
    const HexBytes parsed = ::parseHexBytes("01 02 03 04 05 06 07 08 09 0a");
    QCOMPARE(parsed.tokenCount, 10);
    QVERIFY(!parsed.fitsFrame());
    const CanFrame frame = frameFromTexts("1", parsed, false);
    QCOMPARE(frame.length, quint8(8));
    QCOMPARE(frame.data[7], quint8(8));
}

void tst_CanFrame::fixedChecksumIgnoresHeaderAndChecksumByte()
{
    QByteArray message(20, char(0));
    message[0] = char(0xAA);
    message[1] = char(0x55);
    message[2] = char(0x04);
    message[19] = char(0x77);
    QCOMPARE(fixedChecksum(message), quint8(0x04));
    for (int i = 2; i < 19; ++i)
        message[i] = char(0xFF);
    QCOMPARE(fixedChecksum(message), quint8((17 * 0xFF) & 0xFF));
}

QTEST_APPLESS_MAIN(tst_CanFrame)
#include "tst_canframe.moc"
