#ifndef SIGNALSERIES_H
#define SIGNALSERIES_H

#include <QByteArray>
#include <QString>

#include <vector>

// One plotted signal: its physical values and the times they were on the bus,
// in seconds from the capture's first frame, ascending.
struct SignalSeries
{
    QString message;
    QString name;
    QString unit;
    bool steps = false; // enumerated (a value table): drawn as steps
    std::vector<double> times;
    std::vector<double> values;

    // "name [unit]", or the name alone for a signal without a unit.
    QString title() const
    {
        return unit.isEmpty() ? name : name + QLatin1String(" [") + unit + QLatin1Char(']');
    }
};

// The series as CSV (UTF-8, decimal point, comma between fields): a header
// "time [s]" and each series' title, then one line for every distinct time,
// the value of each series that has a sample at that time, empty fields for
// the others.
QByteArray signalsCsv(const std::vector<SignalSeries> &series);

#endif // SIGNALSERIES_H
