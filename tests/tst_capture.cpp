#include "busreplay.h"
#include "captureautosave.h"
#include "capturestore.h"
#include "hexbytes.h"
#include "replayschedule.h"
#include "viewrow.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

namespace {

CaptureRecord record(qint64 us, quint32 id, bool sent = false)
{
    return { us, canFrame(id, QByteArray(1, char(id))), sent };
}

QList<quint32> identifiers(const CaptureStore &store)
{
    QList<quint32> ids;
    for (quint64 s = store.firstSequence(); s < store.endSequence(); ++s)
        ids << store.at(s).frame.identifier;
    return ids;
}

} // namespace

// The capture of a session, its standard-format auto-save, the replay schedule,
// and the simulator's replay of a log.
class tst_Capture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
        QVERIFY(sizeof(CaptureRecord) <= 32); // millions of them are kept
    }

    void boundDropsOldestAndCounts()
    {
        CaptureStore store;
        store.setCapacity(3);
        for (quint32 id = 1; id <= 5; ++id)
            store.append(record(id, id));
        QCOMPARE(identifiers(store), QList<quint32>({ 3, 4, 5 }));
        QCOMPARE(store.droppedCount(), quint64(2));
        QCOMPARE(store.firstSequence(), quint64(2));
        store.clear(); // sequences go on counting, the drop count starts again
        QCOMPARE(store.firstSequence(), quint64(5));
        QCOMPARE(store.droppedCount(), quint64(0));
        store.replace({ record(10, 10), record(11, 11), record(12, 12), record(13, 13) });
        QCOMPARE(identifiers(store), QList<quint32>({ 11, 12, 13 })); // a log's newest
        QCOMPARE(store.droppedCount(), quint64(1));
    }

    // A reader owing records from keepFrom on (-1: nothing) is asked to save them
    // before they go; the capture holds 3 of at most 3.
    void discardAsksTheReaderFirst_data()
    {
        QTest::addColumn<int>("keepFrom");
        QTest::addColumn<int>("appends");
        QTest::addColumn<bool>("clearAfter");
        QTest::addColumn<int>("discardSignals");
        QTest::newRow("owes nothing") << -1 << 5 << true << 0;
        QTest::newRow("owes the oldest: asked at the first drop") << 0 << 1 << false << 1;
        QTest::newRow("owes a later record: not asked before it goes") << 2 << 2 << false << 0;
        QTest::newRow("owes a later record: asked when it goes") << 2 << 3 << false << 1;
        QTest::newRow("clear with records owed") << 1 << 0 << true << 1;
        QTest::newRow("clear owing nothing") << 3 << 0 << true << 0;
    }

    void discardAsksTheReaderFirst()
    {
        QFETCH(int, keepFrom);
        QFETCH(int, appends);
        QFETCH(bool, clearAfter);
        QFETCH(int, discardSignals);
        CaptureStore store;
        store.setCapacity(3);
        for (quint32 id = 0; id < 3; ++id)
            store.append(record(id, id));
        store.keepFrom(keepFrom < 0 ? ~quint64(0) : quint64(keepFrom));
        QSignalSpy spy(&store, &CaptureStore::aboutToDiscard);
        for (int i = 0; i < appends; ++i)
            store.append(record(10 + i, 10 + i));
        if (clearAfter)
            store.clear();
        QCOMPARE(spy.size(), discardSignals);
    }

    void times()
    {
        CaptureStore store;
        QList<qint64> stamps;
        for (qint64 candidate : { 500, 500, 450, 900 })
            stamps << store.stamp(candidate);
        QCOMPARE(stamps, QList<qint64>({ 500, 501, 502, 900 })); // never back, never the same
        // A frame with bytes after it in the read left the line 10 bits a byte earlier.
        QCOMPARE(lineTimeBefore(5'000'000, 0, 2'000'000), 5'000'000LL);
        QCOMPARE(lineTimeBefore(5'000'000, 20, 2'000'000), 4'999'900LL);
        QCOMPARE(lineTimeBefore(5'000'000, 20, 115'200), 5'000'000LL - 1736);
        QCOMPARE(lineTimeBefore(5'000'000, 13, 9600), 5'000'000LL - 13541);
        QCOMPARE(viewTimeText(1'700'000'000'123'999), "22:13:20 123");
        QCOMPARE(viewTimeText(1'700'006'460'059'000), "00:01:00 059");
    }

    void replayPlan_data()
    {
        QTest::addColumn<bool>("onlyReceived");
        QTest::addColumn<QList<quint32>>("ids");
        QTest::addColumn<QList<qint64>>("offsets");
        // The log: 1 rx at 1000, 2 tx at 1500, 3 rx at 4000, 4 rx at 3000 (running back).
        QTest::newRow("every frame")
                << false << QList<quint32>{ 1, 2, 3, 4 } << QList<qint64>{ 0, 500, 3000, 3000 };
        QTest::newRow("only received")
                << true << QList<quint32>{ 1, 3, 4 } << QList<qint64>{ 0, 3000, 3000 };
    }

    void replayPlan()
    {
        QFETCH(bool, onlyReceived);
        QFETCH(QList<quint32>, ids);
        QFETCH(QList<qint64>, offsets);
        const ReplayPlan plan = makeReplayPlan(
                { record(1000, 1), record(1500, 2, true), record(4000, 3), record(3000, 4) },
                onlyReceived);
        QList<quint32> planIds;
        for (const CanFrame &frame : plan.frames)
            planIds << frame.identifier;
        QCOMPARE(planIds, ids);
        QCOMPARE(QList<qint64>(plan.offsetsUs.begin(), plan.offsetsUs.end()), offsets);
        QCOMPARE(plan.dueUs(1, 4.0), offsets.at(1) / 4);
        QCOMPARE(plan.dueUs(1, 0.25), offsets.at(1) * 4);
    }

    void autoSave_data()
    {
        QTest::addColumn<LogFormat>("format");
        QTest::newRow("candump") << LogFormat::Candump;
        QTest::newRow("ASC") << LogFormat::VectorAsc;
    }

    // A capture much smaller than the flood, cleared on the way, a log opened in
    // between: the file holds every record of the session once, in order, with its time.
    void autoSave()
    {
        QFETCH(LogFormat, format);
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        CaptureStore store;
        store.setCapacity(7);
        store.append(record(1, 999)); // before the start: not in the file
        CaptureAutoSave autoSave(&store);
        QVERIFY(autoSave.start(format));
        QCOMPARE(QFileInfo(autoSave.fileName()).suffix(), logFormatExtension(format).mid(1));
        const qint64 start = wallClockUs();
        std::vector<CaptureRecord> expected;
        for (quint32 id = 0; id < 100; ++id) {
            expected.push_back(record(start + id * 1000, id));
            store.append(expected.back());
            if (id == 40)
                autoSave.flush(); // the second's append in between
            if (id == 60)
                store.clear();
            if (id == 80)
                store.replace({ record(start, 0x700), record(start, 0x701) });
        }
        autoSave.stop();
        store.append(record(start + 200000, 1000)); // after the stop: not in the file
        QFile file(autoSave.fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QDir::setCurrent(previous);
        const LogReadResult back = readLog(file.fileName(), file.readAll(), {});
        QCOMPARE(back.skippedLines, 0);
        QCOMPARE(QList<CaptureRecord>(back.records.begin(), back.records.end()),
                 QList<CaptureRecord>(expected.begin(), expected.end()));
    }

    // The simulator plays a log onto its bus: in order, with the log's spacing, and
    // when looping the next pass after the log's mean spacing.
    void busReplay()
    {
        const CanFrame frames[] = { canFrame(0x18DB33F1, hex("02 01 0D"), true),
                                    canFrame(0x7DF, {}, false, true),
                                    canFrame(0x123, hex("01 02 03 04 05 06 07 08")) };
        BusReplay replay({ { 0, frames[0], false },
                           { 20000, frames[1], false },
                           { 40000, frames[2], false } },
                         true);
        QCOMPARE(replay.passLengthUs(), 60000); // 40 ms of log, then its mean spacing
        QElapsedTimer clock;
        QStringList late;
        int k = 0;
        replay.onFrame = [&](const CanFrame &frame) {
            const qint64 atUs = clock.nsecsElapsed() / 1000, dueUs = k / 3 * 60000 + k % 3 * 20000;
            if (frame != frames[k % 3])
                late << QStringLiteral("frame %1 not as logged").arg(k);
            if (atUs < dueUs || atUs >= dueUs + 15000) // a loaded machine's timer slack
                late << QStringLiteral("frame %1 at %2 us, due %3 us").arg(k).arg(atUs).arg(dueUs);
            if (++k == 7)
                replay.stop();
        };
        clock.start();
        replay.start();
        QTRY_COMPARE_WITH_TIMEOUT(k, 7, 2000);
        QTest::qWait(100);
        QCOMPARE(late, QStringList());
        QCOMPARE(replay.framesPlayed(), 7);
        QVERIFY(!replay.isRunning());
    }

    void busReplayTimesRunningBackKeepTheOrder()
    {
        BusReplay replay({ record(0, 1), record(30000, 2), record(10000, 3) }, false);
        QList<quint32> ids;
        replay.onFrame = [&](const CanFrame &frame) { ids << frame.identifier; };
        QSignalSpy finished(&replay, &BusReplay::finished);
        replay.start();
        QVERIFY(finished.wait(2000));
        QCOMPARE(ids, (QList<quint32>{ 1, 2, 3 }));
    }
};

QTEST_GUILESS_MAIN(tst_Capture)
#include "tst_capture.moc"
