#ifndef CAPTURESTORE_H
#define CAPTURESTORE_H

#include "capturerecord.h"

#include <QObject>

#include <array>
#include <deque>
#include <vector>

// The timestamped frames of a session: what the data view was given, in the
// order it was given, up to a bound (the oldest are dropped first). Records
// are addressed by sequence numbers that keep counting across drops, so a
// reader remembers where it stopped with one number.
class CaptureStore : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype DefaultCapacity = 2'000'000;

    explicit CaptureStore(QObject *parent = nullptr);

    void setCapacity(qsizetype capacity);
    qsizetype capacity() const { return maxRecords; }

    qsizetype size() const { return qsizetype(records.size()); }
    bool isEmpty() const { return records.empty(); }
    quint64 firstSequence() const { return first; }
    quint64 endSequence() const { return first + records.size(); }
    // Records are kept packed: each is unpacked when read.
    CaptureRecord at(quint64 sequence) const { return unpack(records[size_t(sequence - first)]); }
    CaptureRecord last() const { return unpack(records.back()); }
    // Records dropped from the front since the capture was last cleared or replaced.
    quint64 droppedCount() const { return dropped; }

    void append(const CaptureRecord &record);
    void clear();
    // The same, and readers that keep their own view of the capture are told.
    void clearByUser();
    // A log opened from file takes the place of the capture.
    void replace(std::vector<CaptureRecord> newRecords);
    std::vector<CaptureRecord> copy(quint64 from, quint64 to) const;

    // A reader that still has to save the records from `sequence` on: before
    // such a record is dropped, cleared or replaced, aboutToDiscard() is emitted
    // so that the reader saves it first. Pass endSequence() when nothing is owed.
    void keepFrom(quint64 sequence) { keepSequence = sequence; }

    // A timestamp for a frame seen at `candidateUs`: never at or before the one
    // handed out before it, so the capture's times always increase.
    qint64 stamp(qint64 candidateUs);

signals:
    void aboutToDiscard();
    // The capture now holds a log opened from file.
    void replaced();
    // The capture was emptied ("清除"): readers start again from nothing.
    void cleared();

private:
    // A record as kept: 32 bytes for any frame. An FD frame's bytes beyond 8
    // are kept apart, in order, one slot a frame that has any.
    struct PackedRecord
    {
        qint64 timestampUs;
        quint32 identifier;
        quint8 flags;
        quint8 length;
        std::array<quint8, CanFrame::ClassicMaxLength> head;
        quint32 tail; // the number of its tail, when it has one
    };
    using Tail = std::array<quint8, CanFrame::FdMaxLength - CanFrame::ClassicMaxLength>;
    static_assert(sizeof(PackedRecord) <= 32);

    PackedRecord pack(const CaptureRecord &record);
    CaptureRecord unpack(const PackedRecord &packed) const;
    static bool hasTail(const PackedRecord &packed)
    {
        return packed.length > CanFrame::ClassicMaxLength;
    }
    void discardFront(qsizetype count);

    std::deque<PackedRecord> records;
    std::deque<Tail> tails; // of the records that have one, oldest first
    quint32 firstTail = 0; // the number of tails.front(); numbers wrap around
    qsizetype maxRecords = DefaultCapacity;
    quint64 first = 0;
    quint64 dropped = 0;
    quint64 keepSequence = ~quint64(0);
    qint64 lastStampUs = 0;
};

// Microseconds since the epoch, now.
qint64 wallClockUs();

// The time at which a frame left the line when `bytesAfter` more bytes came
// after it in a read completed at `readUs`: 10 bits a byte at `baudRate`.
qint64 lineTimeBefore(qint64 readUs, qsizetype bytesAfter, int baudRate);

#endif // CAPTURESTORE_H
