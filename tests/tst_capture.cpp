#include "captureautosave.h"
#include "capturestore.h"
#include "replayschedule.h"
#include "viewrow.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

namespace {
CaptureRecord record(qint64 us, quint32 id, bool sent = false)
{
    CaptureRecord r;
    r.timestampUs = us;
    r.frame.identifier = id;
    r.frame.length = 1;
    r.frame.data[0] = quint8(id);
    r.sent = sent;
    return r;
}

QList<quint32> identifiers(const CaptureStore &store)
{
    QList<quint32> ids;
    for (quint64 s = store.firstSequence(); s < store.endSequence(); ++s)
        ids << store.at(s).frame.identifier;
    return ids;
}
} // namespace

class tst_Capture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void boundDropsOldestAndCounts();
    void discardAsksTheReaderFirst_data();
    void discardAsksTheReaderFirst();
    void stampsAlwaysIncrease_data();
    void stampsAlwaysIncrease();
    void lineTime_data();
    void lineTime();
    void viewTimeOfDay_data();
    void viewTimeOfDay();
    void replayPlan_data();
    void replayPlan();
    void autoSaveWritesEveryRecordOnce_data();
    void autoSaveWritesEveryRecordOnce();
    void autoSaveSkipsAnOpenedLog();
    void recordSize();
};

void tst_Capture::initTestCase()
{
    qputenv("TZ", "UTC");
    tzset();
}

void tst_Capture::boundDropsOldestAndCounts()
{
    CaptureStore store;
    store.setCapacity(3);
    for (quint32 id = 1; id <= 5; ++id)
        store.append(record(id, id));
    QCOMPARE(identifiers(store), QList<quint32>({ 3, 4, 5 }));
    QCOMPARE(store.droppedCount(), quint64(2));
    QCOMPARE(store.firstSequence(), quint64(2));
    QCOMPARE(store.endSequence(), quint64(5));

    store.clear(); // sequences go on counting, the drop count starts again
    QVERIFY(store.isEmpty());
    QCOMPARE(store.firstSequence(), quint64(5));
    QCOMPARE(store.droppedCount(), quint64(0));

    std::vector<CaptureRecord> log;
    for (quint32 id = 10; id < 15; ++id)
        log.push_back(record(id, id));
    store.replace(log); // a log larger than the bound keeps its newest records
    QCOMPARE(identifiers(store), QList<quint32>({ 12, 13, 14 }));
    QCOMPARE(store.droppedCount(), quint64(2));
}

// keepFrom is the first sequence a reader still owes; -1 means nothing owed.
void tst_Capture::discardAsksTheReaderFirst_data()
{
    QTest::addColumn<int>("keepFrom");
    QTest::addColumn<int>("appends"); // with a bound of 3, after 3 records
    QTest::addColumn<bool>("clearAfter");
    QTest::addColumn<int>("discardSignals");

    QTest::newRow("owes nothing") << -1 << 5 << true << 0;
    QTest::newRow("owes the oldest: asked at the first drop") << 0 << 1 << false << 1;
    QTest::newRow("owes a later record: not asked before it goes") << 2 << 2 << false << 0;
    QTest::newRow("owes a later record: asked when it goes") << 2 << 3 << false << 1;
    QTest::newRow("clear with records owed") << 1 << 0 << true << 1;
    QTest::newRow("clear owing nothing") << 3 << 0 << true << 0;
}

void tst_Capture::discardAsksTheReaderFirst()
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

void tst_Capture::stampsAlwaysIncrease_data()
{
    QTest::addColumn<QList<qint64>>("candidates");
    QTest::addColumn<QList<qint64>>("stamps");

    QTest::newRow("in order") << QList<qint64>{ 100, 200, 300 } << QList<qint64>{ 100, 200, 300 };
    QTest::newRow("same instant") << QList<qint64>{ 100, 100, 100 }
                                  << QList<qint64>{ 100, 101, 102 };
    QTest::newRow("a late read runs backwards")
            << QList<qint64>{ 500, 450, 460, 900 } << QList<qint64>{ 500, 501, 502, 900 };
}

void tst_Capture::stampsAlwaysIncrease()
{
    QFETCH(QList<qint64>, candidates);
    QFETCH(QList<qint64>, stamps);
    CaptureStore store;
    QList<qint64> given;
    for (qint64 candidate : candidates)
        given << store.stamp(candidate);
    QCOMPARE(given, stamps);
}

void tst_Capture::lineTime_data()
{
    QTest::addColumn<qint64>("readUs");
    QTest::addColumn<int>("bytesAfter");
    QTest::addColumn<int>("baudRate");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("last frame of the read")
            << qint64(5'000'000) << 0 << 2'000'000 << qint64(5'000'000);
    QTest::newRow("20 bytes at 2000000")
            << qint64(5'000'000) << 20 << 2'000'000 << qint64(4'999'900);
    QTest::newRow("20 bytes at 115200")
            << qint64(5'000'000) << 20 << 115'200 << qint64(5'000'000 - 1736);
    QTest::newRow("13 bytes at 9600")
            << qint64(5'000'000) << 13 << 9600 << qint64(5'000'000 - 13541);
}

void tst_Capture::lineTime()
{
    QFETCH(qint64, readUs);
    QFETCH(int, bytesAfter);
    QFETCH(int, baudRate);
    QFETCH(qint64, expected);
    QCOMPARE(lineTimeBefore(readUs, bytesAfter, baudRate), expected);
}

void tst_Capture::viewTimeOfDay_data()
{
    QTest::addColumn<qint64>("timestampUs");
    QTest::addColumn<QString>("text");

    QTest::newRow("microseconds cut to milliseconds")
            << qint64(1'700'000'000'123'999) << "22:13:20 123";
    QTest::newRow("midnight") << qint64(1'700'006'400'000'000) << "00:00:00 000";
    QTest::newRow("a minute later") << qint64(1'700'006'460'059'000) << "00:01:00 059";
}

void tst_Capture::viewTimeOfDay()
{
    QFETCH(qint64, timestampUs);
    QFETCH(QString, text);
    QCOMPARE(viewTimeText(timestampUs), text);
}

void tst_Capture::replayPlan_data()
{
    QTest::addColumn<bool>("onlyReceived");
    QTest::addColumn<QList<quint32>>("ids");
    QTest::addColumn<QList<qint64>>("offsets");

    // The log: 1 rx at 1000, 2 tx at 1500, 3 rx at 4000, 4 rx at 3000 (out of order).
    QTest::newRow("every frame") << false << QList<quint32>{ 1, 2, 3, 4 }
                                 << QList<qint64>{ 0, 500, 3000, 3000 };
    QTest::newRow("only received")
            << true << QList<quint32>{ 1, 3, 4 } << QList<qint64>{ 0, 3000, 3000 };
}

void tst_Capture::replayPlan()
{
    QFETCH(bool, onlyReceived);
    QFETCH(QList<quint32>, ids);
    QFETCH(QList<qint64>, offsets);
    const std::vector<CaptureRecord> log = { record(1000, 1), record(1500, 2, true),
                                             record(4000, 3), record(3000, 4) };
    const ReplayPlan plan = makeReplayPlan(log, onlyReceived);
    QList<quint32> planIds;
    for (const CanFrame &frame : plan.frames)
        planIds << frame.identifier;
    QCOMPARE(planIds, ids);
    QCOMPARE(QList<qint64>(plan.offsetsUs.begin(), plan.offsetsUs.end()), offsets);
    QCOMPARE(plan.dueUs(1, 4.0), offsets.at(1) / 4);
    QCOMPARE(plan.dueUs(1, 0.25), offsets.at(1) * 4);
}

void tst_Capture::autoSaveWritesEveryRecordOnce_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("candump") << int(LogFormat::Candump);
    QTest::newRow("asc") << int(LogFormat::VectorAsc);
}

// A capture much smaller than the flood: records about to be dropped are
// written first, so the file holds every record once, in order.
void tst_Capture::autoSaveWritesEveryRecordOnce()
{
    QFETCH(int, format);
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());

    CaptureStore store;
    store.setCapacity(7);
    store.append(record(1, 999)); // before the start: not in the file
    CaptureAutoSave autoSave(&store);
    QVERIFY(autoSave.start(LogFormat(format)));
    QVERIFY(autoSave.fileName().endsWith(logFormatExtension(LogFormat(format))));
    QByteArray expected;
    for (quint32 id = 0; id < 100; ++id) {
        const CaptureRecord r = record(2'000'000 + id, id);
        store.append(r);
        if (id == 40)
            autoSave.flush(); // the second's append in between
        if (id == 60)
            store.clear();
        expected += LogFormat(format) == LogFormat::Candump ? candumpLine(r) : QByteArray();
    }
    autoSave.stop();
    store.append(record(3'000'000, 1000)); // after the stop: not in the file

    QFile file(autoSave.fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QDir::setCurrent(previous);
    if (LogFormat(format) == LogFormat::Candump) {
        QCOMPARE(content, expected);
    } else {
        QVERIFY(content.startsWith("date "));
        QCOMPARE(content.count('\n') - ascHeader(0).count('\n'), 100);
    }
}

void tst_Capture::autoSaveSkipsAnOpenedLog()
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    CaptureStore store;
    CaptureAutoSave autoSave(&store);
    QVERIFY(autoSave.start(LogFormat::Candump));
    store.append(record(10, 1));
    store.replace({ record(20, 2), record(30, 3) });
    store.append(record(40, 4));
    autoSave.stop();
    QFile file(autoSave.fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), candumpLine(record(10, 1)) + candumpLine(record(40, 4)));
    QDir::setCurrent(previous);
}

void tst_Capture::recordSize()
{
    // The capture holds up to millions of frames: 32 bytes each at most.
    QVERIFY(sizeof(CaptureRecord) <= 32);
}

QTEST_GUILESS_MAIN(tst_Capture)
#include "tst_capture.moc"
