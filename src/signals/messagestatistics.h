#ifndef MESSAGESTATISTICS_H
#define MESSAGESTATISTICS_H

#include "capturerecord.h"

#include <QHash>

#include <array>
#include <deque>
#include <vector>

// What the capture holds of each identifier (standard and extended apart,
// error frames only counted):
// how many frames, how often, and the last one's bytes. Fed the capture's
// records in order; "the last second" is the second before the newest
// record fed, so a log opened from file reads the same as live traffic.
class MessageStatistics
{
public:
    static constexpr qint64 WindowUs = 1'000'000;

    struct Entry
    {
        quint32 identifier = 0;
        bool extended = false;
        quint64 count = 0;
        int length = 0;
        bool fd = false; // the last frame's
        std::array<quint8, CanFrame::FdMaxLength> data{};
        qint64 lastUs = 0;
        qint64 previousUs = 0; // the frame before the last one (count > 1)
        std::deque<qint64> recentUs; // this identifier's frames of its last second
        std::array<qint64, CanFrame::FdMaxLength> changedUs{}; // when each byte last changed
    };

    void add(const CaptureRecord &record);
    void clear();

    int size() const { return int(entries.size()); }
    const Entry &at(int row) const { return entries[size_t(row)]; }
    // The row of an identifier, or -1; rows keep the order identifiers were first seen in.
    int rowOf(quint32 identifier, bool extended) const;
    qint64 newestUs() const { return newest; }
    quint64 errorFrameCount() const { return errorFrames; }

    // The average time between this identifier's frames of the second before
    // its last frame; with only one frame in that second, the gap before it;
    // -1 before the second frame.
    double averagePeriodMs(int row) const;
    // Bit i set: data byte i changed within the second before the newest record.
    quint64 changedBytes(int row) const;

    static quint64 key(quint32 identifier, bool extended)
    {
        return quint64(identifier) | (extended ? quint64(1) << 32 : 0);
    }

private:
    std::vector<Entry> entries;
    QHash<quint64, int> rows;
    qint64 newest = 0;
    quint64 errorFrames = 0;
};

#endif // MESSAGESTATISTICS_H
