// The plot's redraw time for a million samples: the reduction to the plot's
// width, the series handed to the chart, and the chart painted, at full view
// and after zooms and pans.
#include "plotreduction.h"
#include "signalplot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>

#include <cmath>
#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int Samples = 1'000'000;

    SignalSeries series;
    series.message = QStringLiteral("Bench");
    series.name = QStringLiteral("Sine");
    series.unit = QStringLiteral("V");
    series.times.reserve(Samples);
    series.values.reserve(Samples);
    for (int i = 0; i < Samples; ++i) {
        series.times.push_back(i * 0.001); // 1 kHz for 1000 s
        series.values.push_back(std::sin(i * 0.002) + ((i % 9973) == 0 ? 5.0 : 0.0));
    }

    QElapsedTimer clock;
    clock.start();
    int rounds = 0;
    for (; rounds < 20; ++rounds)
        reduceToWidth(series.times, series.values, 0.0, 1000.0, 1200);
    std::printf("reduction of %d samples to 1200 columns: %.2f ms\n", Samples,
                double(clock.nsecsElapsed()) / 1e6 / rounds);

    SignalPlot plot;
    plot.resize(1280, 480);
    plot.addSeries(series);
    plot.show();
    QPixmap target(plot.size());

    auto redrawMs = [&](auto change) {
        QElapsedTimer timer;
        constexpr int Repeats = 10;
        timer.start();
        for (int i = 0; i < Repeats; ++i) {
            change(i);
            static_cast<QWidget &>(plot).render(&target); // painted as a repaint does
        }
        return double(timer.nsecsElapsed()) / 1e6 / Repeats;
    };
    std::printf("redraw, all %d samples in view: %.1f ms\n", Samples,
                redrawMs([&](int) { plot.fitAll(); }));
    std::printf("redraw, zooming (wheel steps): %.1f ms\n", redrawMs([&](int i) {
                    const double span = 1000.0 * std::pow(0.8, i + 1);
                    plot.setTimeSpan(500.0 - span / 2, 500.0 + span / 2);
                }));
    std::printf("redraw, panning a 100 s span: %.1f ms\n",
                redrawMs([&](int i) { plot.setTimeSpan(10.0 * i, 10.0 * i + 100.0); }));
    return 0;
}
