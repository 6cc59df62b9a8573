#include "busreplay.h"
#include "commands.h"
#include "convertermodel.h"
#include "hexbytes.h"

#include <QSignalSpy>
#include <QTest>

namespace {

constexpr qint64 T0 = 1700000000012345;
constexpr qint64 LateToleranceUs = 15000; // a loaded machine's timer slack

CaptureRecord record(qint64 offsetUs, const CanFrame &frame)
{
    return { T0 + offsetUs, frame, false };
}

struct Arrival
{
    qint64 atUs;
    QByteArray bytes;
};

} // namespace

// The simulator's replay of a recorded bus: order, spacing, looping.
class tst_BusReplay : public QObject
{
    Q_OBJECT

private slots:
    void reachesTheHostInOrderWithItsSpacing();
    void loopRepeatsAfterTheMeanSpacing();
    void timesRunningBackwardsKeepTheOrder();
};

void tst_BusReplay::reachesTheHostInOrderWithItsSpacing()
{
    const std::vector<CaptureRecord> log = {
        record(0, canFrame(0x18DB33F1, hex("02 01 0D"), true)),
        record(40000, canFrame(0x7DF, {}, false, true)),
        record(100500, canFrame(0x123, hex("01 02 03 04 05 06 07 08"))),
    };
    ConverterModel converter;
    converter.receiveFromHost(setStartCommand(CanSetup()));
    converter.takeOutput();

    BusReplay replay(log, false);
    QElapsedTimer clock;
    QList<Arrival> arrivals;
    replay.onFrame = [&](const CanFrame &frame) {
        converter.frameFromBus(frame);
        arrivals << Arrival{ clock.nsecsElapsed() / 1000, converter.takeOutput() };
    };
    QSignalSpy finished(&replay, &BusReplay::finished);
    clock.start();
    replay.start();
    QVERIFY(finished.wait(2000));

    QCOMPARE(arrivals.size(), 3);
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(arrivals[k].bytes, encodeFixedFrame(log[size_t(k)].frame));
        const qint64 due = log[size_t(k)].timestampUs - T0;
        QVERIFY2(arrivals[k].atUs >= due && arrivals[k].atUs < due + LateToleranceUs,
                 qPrintable(QStringLiteral("frame %1 at %2 us, due %3 us")
                                    .arg(k)
                                    .arg(arrivals[k].atUs)
                                    .arg(due)));
    }
    QCOMPARE(replay.framesPlayed(), 3);
}

void tst_BusReplay::loopRepeatsAfterTheMeanSpacing()
{
    const std::vector<CaptureRecord> log = { record(0, canFrame(1, hex("01"))),
                                             record(20000, canFrame(2, hex("02"))),
                                             record(40000, canFrame(3, hex("03"))) };
    BusReplay replay(log, true);
    QCOMPARE(replay.passLengthUs(), 60000); // 40 ms of log, then its mean spacing of 20 ms
    QElapsedTimer clock;
    QList<qint64> times;
    QList<quint32> ids;
    replay.onFrame = [&](const CanFrame &frame) {
        times << clock.nsecsElapsed() / 1000;
        ids << frame.identifier;
        if (ids.size() == 7)
            replay.stop();
    };
    clock.start();
    replay.start();
    QTRY_COMPARE_WITH_TIMEOUT(ids.size(), 7, 2000);
    QTest::qWait(100);
    QCOMPARE(ids, (QList<quint32>{ 1, 2, 3, 1, 2, 3, 1 }));
    QVERIFY(!replay.isRunning());
    for (int k = 0; k < 7; ++k) {
        const qint64 due = k / 3 * 60000 + k % 3 * 20000;
        QVERIFY2(times[k] >= due && times[k] < due + LateToleranceUs,
                 qPrintable(QStringLiteral("frame %1 at %2 us, due %3 us")
                                    .arg(k)
                                    .arg(times[k])
                                    .arg(due)));
    }
}

void tst_BusReplay::timesRunningBackwardsKeepTheOrder()
{
    const std::vector<CaptureRecord> log = { record(0, canFrame(1, {})),
                                             record(30000, canFrame(2, {})),
                                             record(10000, canFrame(3, {})) };
    BusReplay replay(log, false);
    QList<quint32> ids;
    replay.onFrame = [&](const CanFrame &frame) { ids << frame.identifier; };
    QSignalSpy finished(&replay, &BusReplay::finished);
    replay.start();
    QVERIFY(finished.wait(2000));
    QCOMPARE(ids, (QList<quint32>{ 1, 2, 3 }));
}

QTEST_GUILESS_MAIN(tst_BusReplay)
#include "tst_busreplay.moc"
