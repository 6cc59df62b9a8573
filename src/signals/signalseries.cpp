#include "signalseries.h"

#include <limits>

namespace {
QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
} // namespace

QByteArray signalsCsv(const std::vector<SignalSeries> &series)
{
    QString header = QStringLiteral("time [s]");
    for (const SignalSeries &s : series)
        header += QLatin1Char(',') + csvField(s.message + QLatin1Char('.') + s.title());
    QByteArray csv = header.toUtf8() + '\n';

    // A merge of the series by time: one line per time, in order.
    std::vector<size_t> next(series.size(), 0);
    for (;;) {
        double time = std::numeric_limits<double>::infinity();
        for (size_t k = 0; k < series.size(); ++k) {
            if (next[k] < series[k].times.size())
                time = std::min(time, series[k].times[next[k]]);
        }
        if (time == std::numeric_limits<double>::infinity())
            break;
        csv += QByteArray::number(time, 'f', 6);
        for (size_t k = 0; k < series.size(); ++k) {
            csv += ',';
            if (next[k] < series[k].times.size() && series[k].times[next[k]] == time)
                csv += QByteArray::number(series[k].values[next[k]++], 'g', 15);
        }
        csv += '\n';
    }
    return csv;
}
