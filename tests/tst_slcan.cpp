// The SLCAN protocol as pure functions: each command, its answer, the frames.
#include "slcan.h"

#include <QTest>

Q_DECLARE_METATYPE(SlcanCommand::Kind)
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
        QTest::addColumn<QString>("before"); // "closed", "open", "listen"
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
        state.listenOnly = before == "listen";
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

    void parsedFrames_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<quint32>("id");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<bool>("remote");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("T") << QByteArray("T1FFFFFFF10F") << 0x1FFFFFFFu << true << false << QByteArray("\x0f");
        QTest::newRow("r") << QByteArray("r0015") << 1u << false << true << QByteArray(5, 0);
    }
    void parsedFrames()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, data);
        const SlcanCommand c = parseSlcanCommand(line);
        QCOMPARE(c.kind, SlcanCommand::Frame);
        QTEST(c.frame.identifier, "id");
        QTEST(c.frame.extended, "extended");
        QTEST(c.frame.remote, "remote");
        QCOMPARE(int(c.frame.length), data.size());
        for (int i = 0; i < data.size(); ++i)
            QCOMPARE(c.frame.data[size_t(i)], quint8(data[i]));
        // and back: what the client sent is what it would receive
        if (!c.frame.remote)
            QCOMPARE(*slcanFrameLine(c.frame), line.toUpper().replace("T", line.left(1)) + '\r');
    }

    void frameLines_data()
    {
        QTest::addColumn<CanFrame>("frame");
        QTest::addColumn<int>("timestamp"); // -1: none
        QTest::addColumn<QByteArray>("line");
        CanFrame f;
        f.identifier = 0x123;
        f.length = 2;
        f.data[0] = 0xAB;
        f.data[1] = 0x01;
        QTest::newRow("t") << f << -1 << QByteArray("t1232AB01\r");
        QTest::newRow("t with time") << f << 59999 << QByteArray("t1232AB01EA5F\r");
        CanFrame e = f;
        e.extended = true;
        e.identifier = 0x18FF50E5;
        QTest::newRow("T") << e << 0 << QByteArray("T18FF50E52AB010000\r");
        CanFrame r = f;
        r.remote = true;
        QTest::newRow("r") << r << -1 << QByteArray("r1232\r");
        r.extended = true;
        QTest::newRow("R") << r << 10 << QByteArray("R00000123200 0A\r").replace(" ", "");
        CanFrame fd = f;
        fd.fd = true;
        QTest::newRow("FD: none") << fd << -1 << QByteArray();
        CanFrame error = f;
        error.error = true;
        QTest::newRow("error: none") << error << -1 << QByteArray();
    }
    void frameLines()
    {
        QFETCH(CanFrame, frame);
        QFETCH(int, timestamp);
        const auto line = slcanFrameLine(frame, timestamp < 0 ? std::nullopt : std::optional<int>(timestamp));
        QTEST(line.value_or(QByteArray()), "line");
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
