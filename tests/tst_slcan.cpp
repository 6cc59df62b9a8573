// The SLCAN protocol as pure functions: each command, its answer, the frames.
#include "hexbytes.h"
#include "slcan.h"

#include <QTest>

Q_DECLARE_METATYPE(CanFrame)
Q_DECLARE_METATYPE(SlcanReply::Action)

class tst_Slcan : public QObject
{
    Q_OBJECT

private slots:
    // The commands and answers tst_slcanbridge's conversation does not have,
    // from the state the row names.
    void commandTable_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("before"); // "closed" or "open"
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<SlcanReply::Action>("action");
        using A = SlcanReply;
        QTest::newRow("L when open") << QByteArray("L") << "open" << QByteArray("\a") << A::None;
        QTest::newRow("C when closed") << QByteArray("C") << "closed" << QByteArray("\r") << A::None;
        QTest::newRow("F") << QByteArray("F") << "open" << QByteArray("F28\r") << A::None;
        QTest::newRow("Z0") << QByteArray("Z0") << "closed" << QByteArray("\r") << A::None;
        QTest::newRow("Z2") << QByteArray("Z2") << "closed" << QByteArray("\a") << A::None;
        QTest::newRow("M short") << QByteArray("M0123") << "closed" << QByteArray("\a") << A::None;
        QTest::newRow("T") << QByteArray("T123456780") << "open" << QByteArray("\r") << A::Send;
        QTest::newRow("r") << QByteArray("r1238") << "open" << QByteArray("\r") << A::Send;
        QTest::newRow("R") << QByteArray("R000001230") << "open" << QByteArray("\r") << A::Send;
        QTest::newRow("t long data") << QByteArray("t1231AABB") << "open" << QByteArray("\a") << A::None;
        QTest::newRow("t length 9") << QByteArray("t1239") << "open" << QByteArray("\a") << A::None;
        QTest::newRow("t id too big") << QByteArray("t8000") << "open" << QByteArray("\a") << A::None;
        QTest::newRow("T id too big") << QByteArray("T200000000") << "open" << QByteArray("\a") << A::None;
        QTest::newRow("t not hex") << QByteArray("t12G0") << "open" << QByteArray("\a") << A::None;
        QTest::newRow("t bad data") << QByteArray("t1231ZZ") << "open" << QByteArray("\a") << A::None;
        QTest::newRow("r with data") << QByteArray("r1231AA") << "open" << QByteArray("\a") << A::None;
        QTest::newRow("O with junk") << QByteArray("O1") << "closed" << QByteArray("\a") << A::None;
        QTest::newRow("empty") << QByteArray("") << "closed" << QByteArray("\a") << A::None;
    }
    void commandTable()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, before);
        SlcanState state;
        state.open = before != "closed";
        const SlcanReply reply = slcanRespond(
                state, parseSlcanCommand(line), SlcanFlags::DataOverrun | SlcanFlags::ErrorPassive);
        QTEST(reply.answer, "answer");
        QTEST(reply.action, "action");
        QCOMPARE(state.open, before != "closed"); // none of these changes the state
    }

    void openNeedsARate()
    {
        SlcanState state;
        QCOMPARE(slcanRespond(state, parseSlcanCommand("O"), 0, false).answer, "\a");
        slcanRespond(state, parseSlcanCommand("S2"), 0, false);
        QCOMPARE(slcanRespond(state, parseSlcanCommand("O"), 0, false).answer, "\r");
    }

    // A received frame's line for the client; a line without a timestamp is also
    // one the client sends, and parses back to the frame.
    void frameLines_data()
    {
        QTest::addColumn<CanFrame>("frame");
        QTest::addColumn<int>("timestamp"); // -1: none
        QTest::addColumn<QByteArray>("line"); // empty: none
        const CanFrame f = canFrame(0x123, hex("AB01"));
        QTest::newRow("t") << f << -1 << QByteArray("t1232AB01\r");
        QTest::newRow("t with time") << f << 59999 << QByteArray("t1232AB01EA5F\r");
        const CanFrame e = canFrame(0x18FF50E5, hex("AB01"), true);
        QTest::newRow("T") << e << 0 << QByteArray("T18FF50E52AB010000\r");
        const CanFrame highest = canFrame(0x1FFFFFFF, hex("0F"), true);
        QTest::newRow("T highest identifier") << highest << -1 << QByteArray("T1FFFFFFF10F\r");
        // A remote frame's bytes are never written; parsed, it has zeros.
        const CanFrame remote = canFrame(0x123, hex("AB01"), false, true);
        QTest::newRow("r") << remote << -1 << QByteArray("r1232\r");
        const CanFrame asking = canFrame(0x1, QByteArray(5, 0), false, true);
        QTest::newRow("r asking 5") << asking << -1 << QByteArray("r0015\r");
        const CanFrame extendedRemote = canFrame(0x123, hex("AB01"), true, true);
        QTest::newRow("R") << extendedRemote << 10 << QByteArray("R000001232000A\r");
        QTest::newRow("FD: none") << fdFrame(0x123, hex("AB01")) << -1 << QByteArray();
        CanFrame error = f;
        error.error = true;
        QTest::newRow("error: none") << error << -1 << QByteArray();
    }
    void frameLines()
    {
        QFETCH(CanFrame, frame);
        QFETCH(int, timestamp);
        QFETCH(QByteArray, line);
        const auto written = slcanFrameLine(frame, timestamp < 0 ? std::nullopt
                                                                 : std::optional<int>(timestamp));
        QCOMPARE(written.value_or(QByteArray()), line);
        if (timestamp >= 0 || line.isEmpty())
            return;
        const SlcanCommand parsed = parseSlcanCommand(line.chopped(1));
        QCOMPARE(parsed.kind, SlcanCommand::Frame);
        CanFrame expected = frame;
        if (frame.remote)
            expected.data = {};
        QCOMPARE(parsed.frame, expected);
    }

    void timestamps()
    {
        QCOMPARE(slcanTimestamp(0), 0);
        QCOMPARE(slcanTimestamp(59'999'999), 59999);
        QCOMPARE(slcanTimestamp(60'000'000), 0);
        QCOMPARE(slcanTimestamp(1'700'000'000'123'456), int((1'700'000'000'123LL) % 60000));
    }
};

QTEST_APPLESS_MAIN(tst_Slcan)
#include "tst_slcan.moc"
