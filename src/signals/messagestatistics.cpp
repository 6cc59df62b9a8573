#include "messagestatistics.h"

#include <algorithm>
#include <limits>

void MessageStatistics::add(const CaptureRecord &record)
{
    const CanFrame &frame = record.frame;
    const qint64 now = record.timestampUs;
    newest = std::max(newest, now);
    if (frame.error) { // the bus's report, not a message of the network
        ++errorFrames;
        return;
    }
    auto found = rows.constFind(key(frame.identifier, frame.extended));
    Entry *entry;
    if (found == rows.constEnd()) {
        rows.insert(key(frame.identifier, frame.extended), int(entries.size()));
        entries.emplace_back();
        entry = &entries.back();
        entry->identifier = frame.identifier;
        entry->extended = frame.extended;
        entry->changedUs.fill(std::numeric_limits<qint64>::min());
    } else {
        entry = &entries[size_t(*found)];
        // A byte that appears or disappears with a new length counts as changed.
        const int span = std::max<int>(entry->length, frame.length);
        for (int i = 0; i < span; ++i) {
            const bool wasThere = i < entry->length, isThere = i < frame.length;
            if (wasThere != isThere || (isThere && entry->data[size_t(i)] != frame.data[size_t(i)]))
                entry->changedUs[size_t(i)] = now;
        }
    }
    entry->previousUs = entry->lastUs;
    entry->lastUs = now;
    ++entry->count;
    entry->length = frame.length;
    entry->fd = frame.fd;
    entry->data = frame.data;
    entry->recentUs.push_back(now);
    while (entry->recentUs.front() < now - WindowUs)
        entry->recentUs.pop_front();
}

void MessageStatistics::clear()
{
    entries.clear();
    rows.clear();
    newest = 0;
    errorFrames = 0;
}

int MessageStatistics::rowOf(quint32 identifier, bool extended) const
{
    return rows.value(key(identifier, extended), -1);
}

double MessageStatistics::averagePeriodMs(int row) const
{
    const Entry &entry = at(row);
    if (entry.count < 2)
        return -1;
    if (entry.recentUs.size() < 2)
        return double(entry.lastUs - entry.previousUs) / 1000.0;
    return double(entry.recentUs.back() - entry.recentUs.front()) / 1000.0
            / double(entry.recentUs.size() - 1);
}

quint64 MessageStatistics::changedBytes(int row) const
{
    const Entry &entry = at(row);
    quint64 mask = 0;
    for (int i = 0; i < CanFrame::FdMaxLength; ++i) {
        if (entry.changedUs[size_t(i)] != std::numeric_limits<qint64>::min()
            && entry.changedUs[size_t(i)] >= newest - WindowUs)
            mask |= quint64(1) << i;
    }
    return mask;
}
