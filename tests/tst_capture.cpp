#include "busreplay.h"
#include "captureautosave.h"
#include "capturestore.h"
#include "hexbytes.h"
#include "logline.h"
#include "replayschedule.h"
#include "viewrow.h"
#include "windowtest.h"

#include <QTest>

#include <ctime>

namespace {

CaptureRecord record(qint64 us, quint32 id, bool sent = false)
{
    return { us, canFrame(id, QByteArray(1, char(id))), sent };
}

using Records = std::vector<CaptureRecord>;

Records records(const CaptureStore &store)
{
    return store.copy(store.firstSequence(), store.endSequence());
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
    }

    void boundDropsOldestAndCounts()
    {
        CaptureStore store;
        store.setCapacity(3);
        for (quint32 id = 1; id <= 5; ++id)
            store.append(record(id, id));
        QCOMPARE(records(store), Records({ record(3, 3), record(4, 4), record(5, 5) }));
        QCOMPARE(store.droppedCount(), quint64(2));
        QCOMPARE(store.firstSequence(), quint64(2));
        store.clear(); // sequences go on counting, the drop count starts again
        QCOMPARE(store.firstSequence(), quint64(5));
        QCOMPARE(store.droppedCount(), quint64(0));
        const Records log{ record(10, 10), record(11, 11), record(12, 12), record(13, 13) };
        store.replace(log);
        QCOMPARE(records(store), Records(log.begin() + 1, log.end())); // a log's newest
        QCOMPARE(store.droppedCount(), quint64(1));
    }

    // Every kind of frame comes back whole from the packed records, FD bytes
    // beyond 8 from their own store, also after drops, a clear and a replace.
    void packedRecordsComeBackWhole()
    {
        Records kinds;
        for (int k = 0; k < 9; ++k) {
            QByteArray bytes(k % 3 == 0 ? 64 : k % 3 == 1 ? 12 : 8, '\0');
            for (int i = 0; i < bytes.size(); ++i)
                bytes[i] = char(k * 17 + i);
            CaptureRecord r{ 1000 + k, fdFrame(0x100 + k, bytes, k & 1, k & 2, k & 4), k % 4 == 0 };
            if (k == 4) // classic, remote and error frames in between
                r.frame = canFrame(0x7DF, {}, false, true), r.frame.length = 3;
            if (k == 5)
                r.frame = canFrame(0x40, QByteArray(8, '\x01'), true), r.frame.error = true;
            kinds.push_back(r);
        }
        CaptureStore store;
        store.setCapacity(4);
        for (const CaptureRecord &r : kinds)
            store.append(r);
        QCOMPARE(records(store), Records(kinds.end() - 4, kinds.end()));
        store.clear();
        store.replace(kinds);
        QCOMPARE(store.at(store.endSequence() - 1), kinds.back());
        QCOMPARE(store.last(), kinds.back());
        QCOMPARE(store.at(store.firstSequence()), kinds.at(5));
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
        QCOMPARE(lineTimeBefore(5'000'000, 20, 115'200), 5'000'000LL - 1736);
        QCOMPARE(lineTimeBefore(5'000'000, 13, 9600), 5'000'000LL - 13541);
        QCOMPARE(viewTimeText(1'700'000'000'123'999), "22:13:20 123");
        QCOMPARE(viewTimeText(1'700'006'460'059'000), "00:01:00 059");
    }

    void replayPlan_data()
    {
        QTest::addColumn<bool>("onlyReceived");
        QTest::addColumn<QString>("plan"); // identifier @ offset in us
        // The log: 1 rx at 1000, 2 tx at 1500, 3 rx at 4000, 4 rx at 3000 (running
        // back), an error frame at 5000: never sent again.
        QTest::newRow("every frame") << false << "1@0 2@500 3@3000 4@3000";
        QTest::newRow("only received") << true << "1@0 3@3000 4@3000";
    }

    void replayPlan()
    {
        QFETCH(bool, onlyReceived);
        QFETCH(QString, plan);
        CaptureRecord error = record(5000, 5);
        error.frame.error = true;
        const ReplayPlan made = makeReplayPlan(
                { record(1000, 1), record(1500, 2, true), record(4000, 3), record(3000, 4), error },
                onlyReceived);
        QStringList shown;
        for (size_t i = 0; i < made.frames.size(); ++i)
            shown << QStringLiteral("%1@%2").arg(made.frames[i].identifier).arg(made.offsetsUs[i]);
        QCOMPARE(shown.join(' '), plan);
        QCOMPARE(made.dueUs(2, 4.0), qint64(750));
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
        const WorkingDirectory dir;
        CaptureStore store;
        store.setCapacity(7);
        store.append(record(1, 999)); // before the start: not in the file
        CaptureAutoSave autoSave(&store);
        // Names already taken (links to nothing and files, in turn) are passed over and left as they are.
        QStringList taken;
        const QDateTime now = QDateTime::currentDateTime();
        for (int ms = 0; ms < 1500; ++ms) {
            taken << autoSaveFileNameAt(now.addMSecs(ms)).chopped(4) + logFormatExtension(format);
            QVERIFY(ms % 2 ? QFile(taken.last()).open(QIODevice::WriteOnly)
                           : QFile::link("gone", taken.last()));
        }
        QVERIFY(autoSave.start(format));
        QVERIFY(!taken.contains(autoSave.fileName()));
        QVERIFY(QFileInfo(taken.first()).isSymLink() && !QFileInfo::exists("gone"));
        QCOMPARE(QFileInfo(taken.last()).size(), 0); // odd: a file
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
        const LogReadResult back = readLog(file.fileName(), file.readAll(), {});
        QCOMPARE(back.skippedLines, 0);
        QCOMPARE(QList<CaptureRecord>(back.records.begin(), back.records.end()),
                 QList<CaptureRecord>(expected.begin(), expected.end()));
    }

    // The simulator plays a log onto its bus in order (a time running back is due at once),
    // with the log's spacing, and when looping the next pass after the log's mean spacing.
    void busReplay()
    {
        BusReplay replay({ record(0, 1), record(40000, 2), record(20000, 3) }, true);
        QCOMPARE(replay.passLengthUs(), 60000);
        QElapsedTimer clock;
        QStringList played; // identifier @ 20 ms step: every frame is due on a step
        replay.onFrame = [&](const CanFrame &frame) {
            played << QStringLiteral("%1@%2").arg(frame.identifier).arg(clock.elapsed() / 20);
            if (played.size() == 7)
                replay.stop();
        };
        clock.start();
        replay.start();
        QTRY_COMPARE_WITH_TIMEOUT(played.size(), 7, 2000);
        QTest::qWait(100);
        QCOMPARE(played.join(' '), "1@0 2@2 3@2 1@3 2@5 3@5 1@6");
        QVERIFY(!replay.isRunning());
    }
};

QTEST_GUILESS_MAIN(tst_Capture)
#include "tst_capture.moc"
