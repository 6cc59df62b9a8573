#include "plotreduction.h"
#include "signalseries.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>

// What the plot draws of a long series, and the CSV of the plotted signals.
class tst_SignalPlot : public QObject
{
    Q_OBJECT

private slots:
    void reductionKeepsEachColumnsExtremes_data();
    void reductionKeepsEachColumnsExtremes();
    void shortSpanIsKeptWhole();
    void steps();
    void csv_data();
    void csv();
};

void tst_SignalPlot::reductionKeepsEachColumnsExtremes_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<int>("columns");
    QTest::newRow("all of it") << 100'000 << 0.0 << 100.0 << 640;
    QTest::newRow("zoomed in") << 100'000 << 20.5 << 31.25 << 500;
    QTest::newRow("narrow") << 10'000 << 0.0 << 10.0 << 3;
    QTest::newRow("columns finer than the end") << 5'000 << 1.0 << 4.999 << 997;
}

void tst_SignalPlot::reductionKeepsEachColumnsExtremes()
{
    QFETCH(int, samples);
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(int, columns);
    // A noisy sine at 1 ms, with one-sample spikes.
    std::vector<double> times, values;
    QRandomGenerator random(7);
    for (int i = 0; i < samples; ++i) {
        times.push_back(i * 0.001);
        double value = std::sin(i * 0.01) + random.generateDouble() * 0.1;
        if (i % 977 == 0)
            value = (i / 977) % 2 ? 50.0 : -50.0;
        values.push_back(value);
    }
    const std::vector<QPointF> points = reduceToWidth(times, values, from, to, columns);
    QVERIFY(points.size() <= size_t(2 * columns + 2));

    // The reference: each column's minimum and maximum, worked out plainly.
    const double width = (to - from) / columns;
    std::vector<double> low(size_t(columns), INFINITY), high(size_t(columns), -INFINITY);
    for (size_t i = 0; i < times.size(); ++i) {
        if (times[i] < from || times[i] > to)
            continue;
        const size_t column = std::min(size_t(columns - 1), size_t((times[i] - from) / width));
        low[column] = std::min(low[column], values[i]);
        high[column] = std::max(high[column], values[i]);
    }
    std::vector<double> shownLow(size_t(columns), INFINITY), shownHigh(size_t(columns), -INFINITY);
    for (const QPointF &point : points) {
        if (point.x() < from || point.x() > to)
            continue;
        const size_t column = std::min(size_t(columns - 1), size_t((point.x() - from) / width));
        shownLow[column] = std::min(shownLow[column], point.y());
        shownHigh[column] = std::max(shownHigh[column], point.y());
    }
    for (size_t c = 0; c < size_t(columns); ++c) {
        QCOMPARE(shownLow[c], low[c]);
        QCOMPARE(shownHigh[c], high[c]);
    }
    // In time order, and reaching past both edges.
    for (size_t i = 1; i < points.size(); ++i)
        QVERIFY(points[i - 1].x() < points[i].x());
    if (from > times.front())
        QVERIFY(points.front().x() < from);
    if (to < times.back())
        QVERIFY(points.back().x() > to);
}

void tst_SignalPlot::shortSpanIsKeptWhole()
{
    const std::vector<double> times{ 0.0, 1.0, 2.0, 3.0, 4.0, 5.0 };
    const std::vector<double> values{ 5.0, 4.0, 3.0, 2.0, 1.0, 0.0 };
    // Samples 1 to 4 inside, 0 and 5 as the edges: six points for 100 columns.
    const std::vector<QPointF> points = reduceToWidth(times, values, 0.5, 4.5, 100);
    QCOMPARE(points.size(), size_t(6));
    QCOMPARE(points.front(), QPointF(0.0, 5.0));
    QCOMPARE(points.back(), QPointF(5.0, 0.0));
    QVERIFY(reduceToWidth({}, {}, 0.0, 1.0, 100).empty());
    QVERIFY(reduceToWidth(times, values, 1.0, 1.0, 100).empty());
}

void tst_SignalPlot::steps()
{
    const std::vector<QPointF> steps = stepPoints({ { 0, 1 }, { 2, 3 }, { 5, 0 } });
    const std::vector<QPointF> expected{ { 0, 1 }, { 2, 1 }, { 2, 3 }, { 5, 3 }, { 5, 0 } };
    QCOMPARE(steps, expected);
}

void tst_SignalPlot::csv_data()
{
    QTest::addColumn<QList<QList<double>>>("times");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("no samples") << QList<QList<double>>{ {}, {} }
                                << QByteArray("time [s],Engine.Speed [rpm],\"Body.Door, left\"\n");
    QTest::newRow("same times") << QList<QList<double>>{ { 0.0, 0.1 }, { 0.0, 0.1 } }
                                << QByteArray("time [s],Engine.Speed [rpm],\"Body.Door, left\"\n"
                                              "0.000000,1000.5,0\n"
                                              "0.100000,-0.0625,1\n");
    QTest::newRow("interleaved") << QList<QList<double>>{ { 0.0, 0.2 }, { 0.1, 0.2 } }
                                 << QByteArray("time [s],Engine.Speed [rpm],\"Body.Door, left\"\n"
                                               "0.000000,1000.5,\n"
                                               "0.100000,,0\n"
                                               "0.200000,-0.0625,1\n");
}

void tst_SignalPlot::csv()
{
    QFETCH(QList<QList<double>>, times);
    std::vector<SignalSeries> series(2);
    series[0].message = QStringLiteral("Engine");
    series[0].name = QStringLiteral("Speed");
    series[0].unit = QStringLiteral("rpm");
    series[1].message = QStringLiteral("Body");
    series[1].name = QStringLiteral("Door, left");
    const QList<QList<double>> values{ { 1000.5, -0.0625 }, { 0.0, 1.0 } };
    for (size_t k = 0; k < 2; ++k) {
        series[k].times.assign(times[qsizetype(k)].begin(), times[qsizetype(k)].end());
        series[k].values.assign(values[qsizetype(k)].begin(),
                                values[qsizetype(k)].begin() + times[qsizetype(k)].size());
    }
    QFETCH(QByteArray, expected);
    QCOMPARE(signalsCsv(series), expected);
}

QTEST_APPLESS_MAIN(tst_SignalPlot)
#include "tst_signalplot.moc"
