#ifndef CAPTURESTORE_H
#define CAPTURESTORE_H

#include "capturerecord.h"

#include <QObject>

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
    const CaptureRecord &at(quint64 sequence) const { return records[sequence - first]; }
    const CaptureRecord &last() const { return records.back(); }
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
    void discardFront(qsizetype count);

    std::deque<CaptureRecord> records;
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
