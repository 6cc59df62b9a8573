#include "hexbytes.h"
#include "streamdecoder.h"
#include "viewrow.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(BusStatus)

namespace {

// What the receive slot does with one batch of bytes: every complete message
// out, the rest kept.
QList<ReceivedMessage> feed(QByteArray &pending, const QByteArray &bytes)
{
    pending += bytes;
    QList<ReceivedMessage> messages;
    qsizetype pos = 0;
    ReceivedMessage message;
    while (decodeNextMessage(pending, pos, message))
        messages.append(message);
    pending.remove(0, pos);
    return messages;
}

QByteArray variable(const CanFrame &f)
{
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^\\d+$"));
    return encodeVariableFrame(f);
}

QByteArray fixedMessage(quint8 type, const QByteArray &body)
{
    QByteArray m(20, char(0));
    m[0] = char(0xAA);
    m[1] = char(0x55);
    m[2] = char(type);
    for (int i = 0; i < body.size() && i < 16; ++i)
        m[3 + i] = body.at(i);
    m[19] = char(fixedChecksum(m));
    return m;
}

QList<CanFrame> framesOf(const QList<ReceivedMessage> &messages)
{
    QList<CanFrame> frames;
    for (const ReceivedMessage &m : messages)
        if (m.kind == ReceivedMessage::CanData)
            frames.append(m.frame);
    return frames;
}

} // namespace

class tst_StreamDecoder : public QObject
{
    Q_OBJECT

private slots:
    void bothFramingsAtAnyTime();
    void splitAtEveryPosition();
    void oneByteAtATime();
    void garbageCostsNoFrame();
    void falseCandidatesHideTrueFrames_data();
    void falseCandidatesHideTrueFrames();
    void otherMessageTypesAreConsumed();
    void loneTrailingByteIsKept();
    void fixedFrameFields();
    void lengthsOutsideTheCanRange_data();
    void lengthsOutsideTheCanRange();
    void busStatusText_data();
    void busStatusText();
    void pendingBytesStayBounded();
    void receivedDataText_data();
    void receivedDataText();
};

void tst_StreamDecoder::bothFramingsAtAnyTime()
{
    const QList<CanFrame> sent{ canFrame(0x123, hex("11 22 33")),
                                canFrame(0x18FF50E5, hex("01"), true),
                                canFrame(0x7FF, {}, false, true),
                                canFrame(0x10, hex("00 11 22 33 44 55 66 77")) };
    QByteArray stream = encodeFixedFrame(sent[0]) + variable(sent[1]) + variable(sent[2])
            + encodeFixedFrame(sent[3]);
    QByteArray pending;
    QCOMPARE(framesOf(feed(pending, stream)), sent);
    QVERIFY(pending.isEmpty());
}

void tst_StreamDecoder::splitAtEveryPosition()
{
    const QList<CanFrame> sent{ canFrame(0x123, hex("11 22 33")),
                                canFrame(0x1ABCDEF, hex("aa bb"), true), canFrame(0x5, {}) };
    const QByteArray stream = encodeFixedFrame(sent[0]) + variable(sent[1]) + variable(sent[2])
            + encodeFixedFrame(sent[1]);
    const QList<CanFrame> expected = sent + QList<CanFrame>{ sent[1] };
    for (int cut = 0; cut <= stream.size(); ++cut) {
        QByteArray pending;
        QList<CanFrame> got = framesOf(feed(pending, stream.left(cut)));
        got += framesOf(feed(pending, stream.mid(cut)));
        QCOMPARE(got, expected);
        QVERIFY(pending.isEmpty());
    }
}

void tst_StreamDecoder::oneByteAtATime()
{
    const CanFrame f = canFrame(0x321, hex("de ad be ef"));
    const QByteArray stream = encodeFixedFrame(f) + variable(f);
    QByteArray pending;
    QList<CanFrame> got;
    for (char byte : stream) {
        got += framesOf(feed(pending, QByteArray(1, byte)));
        QVERIFY(pending.size() <= 20);
    }
    QCOMPARE(got, (QList<CanFrame>{ f, f }));
}

void tst_StreamDecoder::garbageCostsNoFrame()
{
    const CanFrame a = canFrame(1, hex("01")), b = canFrame(2, hex("02"));
    const QByteArray stream = hex("00 55 AA 12 AA AA") + encodeFixedFrame(a) + hex("FF AA 00 55")
            + variable(b) + hex("13");
    QByteArray pending;
    QCOMPARE(framesOf(feed(pending, stream)), (QList<CanFrame>{ a, b }));
    QCOMPARE(pending, hex("13"));
}

void tst_StreamDecoder::falseCandidatesHideTrueFrames_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("identifier");

    const CanFrame real = canFrame(0x42, hex("42"));
    const QByteArray fixedReal = encodeFixedFrame(real);
    // AA 55 and 18 bytes with a wrong checksum, the real frame starting inside them.
    QTest::newRow("bad checksum") << (hex("AA 55 01 01") + fixedReal) << 0x42;
    // A variable candidate whose closing byte is not 0x55, hiding a real frame.
    QTest::newRow("variable without end")
            << (hex("AA C8 01") + variable(real) + QByteArray(10, 0)) << 0x42;
    // A fixed frame inside a variable candidate's span.
    QTest::newRow("fixed inside variable span") << (hex("AA CF") + fixedReal) << 0x42;
}

void tst_StreamDecoder::falseCandidatesHideTrueFrames()
{
    QFETCH(QByteArray, stream);
    QFETCH(int, identifier);
    QByteArray pending;
    const QList<CanFrame> frames = framesOf(feed(pending, stream));
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.first().identifier, quint32(identifier));
}

void tst_StreamDecoder::otherMessageTypesAreConsumed()
{
    QByteArray pending;
    const QList<ReceivedMessage> messages =
            feed(pending, fixedMessage(0x02, hex("01 02 03")) + fixedMessage(0x06, {}));
    QVERIFY(messages.isEmpty());
    QVERIFY(pending.isEmpty());
}

void tst_StreamDecoder::loneTrailingByteIsKept()
{
    const QByteArray f = encodeFixedFrame(canFrame(7, hex("07")));
    QByteArray pending;
    QVERIFY(feed(pending, hex("AA")).isEmpty());
    QCOMPARE(pending, hex("AA"));
    // The kept 0xAA is examined again with what follows: here it starts nothing.
    QCOMPARE(framesOf(feed(pending, f)).size(), 1);
    QVERIFY(pending.isEmpty());
    // A lone byte of any value is kept, then dropped once more bytes arrive.
    feed(pending, hex("17"));
    QCOMPARE(pending, hex("17"));
    QCOMPARE(framesOf(feed(pending, f)).size(), 1);
}

void tst_StreamDecoder::fixedFrameFields()
{
    QByteArray m = fixedMessage(0x01, hex("03 02 00 00 00 80 02 a1 b2 00 00 00 00 00 00"));
    QByteArray pending;
    const QList<ReceivedMessage> messages = feed(pending, m);
    QCOMPARE(messages.size(), 1);
    const ReceivedMessage &r = messages.first();
    QVERIFY(!r.frameTypeKnown); // type byte 3
    QVERIFY(r.frame.remote); // format byte 2
    QCOMPARE(r.frame.identifier, 0x80000000u);
    QCOMPARE(r.frame.length, quint8(2));
    QCOMPARE(r.frame.data[1], quint8(0xB2));
    QCOMPARE(identifierText(r.frame.identifier), QString("0x80000000"));
}

void tst_StreamDecoder::lengthsOutsideTheCanRange_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("lastByte");

    const QByteArray eight = hex("01 02 03 04 05 06 07 08");
    QTest::newRow("fixed 9") << fixedMessage(0x01, hex("01 01 05 00 00 00 09") + eight) << 8 << 8;
    QTest::newRow("fixed 0x7f") << fixedMessage(0x01, hex("01 01 05 00 00 00 7f") + eight) << 8
                                << 8;
    QTest::newRow("fixed negative")
            << fixedMessage(0x01, hex("01 01 05 00 00 00 ff") + eight) << 0 << 0;
    // Length nibble 15: the frame still spans 15 data bytes; 8 are shown.
    QTest::newRow("variable 15") << (hex("AA CF 05 00") + eight + hex("09 0a 0b 0c 0d 0e 0f 55"))
                                 << 8 << 8;
    QTest::newRow("variable 9 extended")
            << (hex("AA E9 05 00 00 00") + eight + hex("09 55")) << 8 << 8;
}

void tst_StreamDecoder::lengthsOutsideTheCanRange()
{
    QFETCH(QByteArray, stream);
    QFETCH(int, length);
    QFETCH(int, lastByte);
    QByteArray pending;
    const QList<CanFrame> frames = framesOf(feed(pending, stream));
    QCOMPARE(frames.size(), 1);
    QCOMPARE(int(frames.first().length), length);
    QCOMPARE(int(frames.first().identifier), 5);
    if (length > 0)
        QCOMPARE(int(frames.first().data[length - 1]), lastByte);
    QVERIFY(pending.isEmpty());
}

void tst_StreamDecoder::busStatusText_data()
{
    QTest::addColumn<QByteArray>("body"); // bytes 3 to 9
    QTest::addColumn<QString>("text");

    QTest::newRow("healthy") << hex("00 00 00 00 00 00 00")
                             << "总线状态:正常, 正常状态发送错误计数器  = 0, 接受错误计数器 = 0";
    QTest::newRow("error passive")
            << hex("00 00 03 c8 00 01 00")
            << "总线状态:正常, 错误被动, 发送错误计数器  = 200, 接受错误计数器 = 3";
    QTest::newRow("warning")
            << hex("00 00 60 61 00 00 01")
            << "总线状态:正常, 错误告警, 发送错误计数器  = 97, 接受错误计数器 = 96";
    QTest::newRow("bus off")
            << hex("00 00 ff ff 01 01 01")
            << "总线状态:离线, 错误被动, 发送错误计数器  = 255, 接受错误计数器 = 255";
}

void tst_StreamDecoder::busStatusText()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    QByteArray pending;
    const QList<ReceivedMessage> messages = feed(pending, fixedMessage(0x04, body));
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().kind, ReceivedMessage::BusStatusReply);
    QCOMPARE(::busStatusText(messages.first().status), text);
}

void tst_StreamDecoder::pendingBytesStayBounded()
{
    QRandomGenerator random(20261206);
    const QByteArray good = encodeFixedFrame(canFrame(0x99, hex("99")));
    QByteArray pending;
    int found = 0;
    for (int round = 0; round < 2000; ++round) {
        QByteArray chunk(int(random.bounded(40)), Qt::Uninitialized);
        for (char &c : chunk) {
            const quint32 pick = random.bounded(8);
            c = char(pick == 0 ? 0xAA : pick == 1 ? 0x55 : pick == 2 ? 0xC3 : random.bounded(256));
        }
        if (round % 10 == 0)
            chunk += good;
        found += int(framesOf(feed(pending, chunk)).count(canFrame(0x99, hex("99"))));
        QVERIFY2(pending.size() <= 22, qPrintable(pending.toHex(' ')));
        QVERIFY(pending.isEmpty() || pending.size() == 1 || quint8(pending.at(0)) == 0xAA);
    }
    QVERIFY(found >= 200 * 9 / 10); // garbage may swallow a few, never most
}

void tst_StreamDecoder::receivedDataText_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("text");

    QTest::newRow("none") << QByteArray() << " ";
    QTest::newRow("one") << hex("0f") << QString("0f") + QString(19, ' ');
    QTest::newRow("three") << hex("01 02 ab") << QString("01 02 ab") + QString(13, ' ');
    QTest::newRow("seven") << hex("01 02 03 04 05 06 07") << "01 02 03 04 05 06 07 ";
    QTest::newRow("eight") << hex("00 11 22 33 44 55 66 77") << "00 11 22 33 44 55 66 77";
}

void tst_StreamDecoder::receivedDataText()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, text);
    QCOMPARE(::receivedDataText(canFrame(1, data)), text);
}

QTEST_APPLESS_MAIN(tst_StreamDecoder)
#include "tst_streamdecoder.moc"
