#include "autosendsequence.h"

#include <algorithm>

int firstEnabledRow(const QVector<bool> &enabled, int from, int to)
{
    to = std::min(to, int(enabled.size()) - 1);
    for (int row = std::max(from, 0); row <= to; ++row) {
        if (enabled.at(row))
            return row;
    }
    return -1;
}

int AutoSendSequence::start(const QVector<bool> &enabled)
{
    const int row = firstEnabledRow(enabled, 0, int(enabled.size()) - 1);
    if (row >= 0)
        current = row;
    return row;
}

int AutoSendSequence::next(const QVector<bool> &enabled, bool cycle)
{
    int row = firstEnabledRow(enabled, current + 1, int(enabled.size()) - 1);
    if (row < 0 && cycle && current >= 0)
        row = firstEnabledRow(enabled, 0, current);
    if (row >= 0)
        current = row;
    return row;
}

std::optional<int> sendIntervalMs(const QString &text)
{
    bool ok = false;
    const int interval = text.toInt(&ok, 10);
    if (!ok || interval <= 0)
        return std::nullopt;
    return interval;
}
