#include "messagestatistics.h"

#include <QTest>

// Per-identifier count, period and changed bytes from records with known times.
class tst_MessageStatistics : public QObject
{
    Q_OBJECT

private slots:
    void countAndPeriod_data();
    void countAndPeriod();
    void changedBytes_data();
    void changedBytes();
    void standardAndExtendedApart();
};

namespace {
CaptureRecord record(qint64 us, quint32 id, QByteArray data = QByteArray(), bool extended = false)
{
    CaptureRecord r;
    r.timestampUs = us;
    r.frame.identifier = id;
    r.frame.extended = extended;
    r.frame.length = quint8(data.size());
    for (int i = 0; i < data.size(); ++i)
        r.frame.data[size_t(i)] = quint8(data[i]);
    return r;
}
} // namespace

void tst_MessageStatistics::countAndPeriod_data()
{
    QTest::addColumn<QList<qint64>>("timesUs");
    QTest::addColumn<quint64>("count");
    QTest::addColumn<double>("periodMs");
    QTest::newRow("one frame: no period") << QList<qint64>{ 5'000 } << quint64(1) << -1.0;
    QTest::newRow("steady 10 ms") << QList<qint64>{ 0, 10'000, 20'000, 30'000, 40'000 }
                                  << quint64(5) << 10.0;
    // Only the second before the last frame counts: 0 and 100 ms are older.
    QTest::newRow("faster in the last second")
            << QList<qint64>{ 0, 100'000, 1'500'000, 1'520'000, 1'540'000 } << quint64(5) << 20.0;
    // Frames further apart than a second: the last gap.
    QTest::newRow("slower than a second")
            << QList<qint64>{ 0, 2'000'000, 4'500'000 } << quint64(3) << 2500.0;
    QTest::newRow("uneven") << QList<qint64>{ 0, 10'000, 40'000 } << quint64(3) << 20.0;
}

void tst_MessageStatistics::countAndPeriod()
{
    QFETCH(QList<qint64>, timesUs);
    MessageStatistics statistics;
    // Another identifier in between does not disturb the period.
    for (qint64 us : timesUs) {
        statistics.add(record(us, 0x100, "\x01"));
        statistics.add(record(us + 1, 0x200, "\x02"));
    }
    const int row = statistics.rowOf(0x100, false);
    QCOMPARE(row, 0);
    QFETCH(quint64, count);
    QCOMPARE(statistics.at(row).count, count);
    QFETCH(double, periodMs);
    QCOMPARE(statistics.averagePeriodMs(row), periodMs);
}

void tst_MessageStatistics::changedBytes_data()
{
    QTest::addColumn<QList<qint64>>("timesUs");
    QTest::addColumn<QList<QByteArray>>("data");
    QTest::addColumn<int>("changed");
    QTest::addColumn<int>("length");
    QTest::newRow("first frame marks nothing")
            << QList<qint64>{ 0 } << QList<QByteArray>{ "\x01\x02" } << 0 << 2;
    QTest::newRow("byte 1 changed")
            << QList<qint64>{ 0, 10'000 } << QList<QByteArray>{ "\x01\x02\x03", "\x01\x07\x03" }
            << 0b010 << 3;
    QTest::newRow("changed more than a second ago")
            << QList<qint64>{ 0, 10'000, 1'100'000 }
            << QList<QByteArray>{ "\x01\x02", "\x05\x02", "\x05\x02" } << 0 << 2;
    QTest::newRow("changed back within the second")
            << QList<qint64>{ 0, 500'000, 1'200'000 }
            << QList<QByteArray>{ "\x01\x02", "\x01\x09", "\x01\x02" } << 0b10 << 2;
    QTest::newRow("longer frame: the new bytes changed")
            << QList<qint64>{ 0, 10'000 }
            << QList<QByteArray>{ "\x01", QByteArray("\x01\x00\x00", 3) } << 0b110 << 3;
}

void tst_MessageStatistics::changedBytes()
{
    QFETCH(QList<qint64>, timesUs);
    QFETCH(QList<QByteArray>, data);
    MessageStatistics statistics;
    for (int i = 0; i < timesUs.size(); ++i)
        statistics.add(record(timesUs[i], 0x7ff, data[i]));
    QFETCH(int, changed);
    QCOMPARE(int(statistics.changedBytes(0)), changed);
    QFETCH(int, length);
    QCOMPARE(statistics.at(0).length, length);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(statistics.at(0).data.data()),
                        statistics.at(0).length),
             data.last());
}

void tst_MessageStatistics::standardAndExtendedApart()
{
    MessageStatistics statistics;
    statistics.add(record(0, 0x123, "\x01"));
    statistics.add(record(1000, 0x123, "\x01", true));
    statistics.add(record(2000, 0x123, "\x01", true));
    QCOMPARE(statistics.size(), 2);
    QCOMPARE(statistics.at(statistics.rowOf(0x123, false)).count, quint64(1));
    QCOMPARE(statistics.at(statistics.rowOf(0x123, true)).count, quint64(2));
    QCOMPARE(statistics.rowOf(0x124, false), -1);
    statistics.clear();
    QCOMPARE(statistics.size(), 0);
    QCOMPARE(statistics.rowOf(0x123, true), -1);
}

QTEST_APPLESS_MAIN(tst_MessageStatistics)
#include "tst_messagestatistics.moc"
