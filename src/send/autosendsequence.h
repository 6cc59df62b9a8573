#ifndef AUTOSENDSEQUENCE_H
#define AUTOSENDSEQUENCE_H

#include <QString>
#include <QVector>

#include <optional>

// Which auto-send row goes next, from the rows' enabled flags (top to bottom).
class AutoSendSequence
{
public:
    // The first enabled row, or -1 when none is.
    int start(const QVector<bool> &enabled);
    // The next enabled row after the last one sent; with `cycle`, from the top
    // again after the last. -1 when none: the position stays, so rows enabled
    // meanwhile are picked up.
    int next(const QVector<bool> &enabled, bool cycle);

private:
    int current = 0;
};

// The first enabled row from `from` to `to` inclusive, or -1.
int firstEnabledRow(const QVector<bool> &enabled, int from, int to);

// A row's interval in milliseconds: a positive decimal number.
std::optional<int> sendIntervalMs(const QString &text);

#endif // AUTOSENDSEQUENCE_H
