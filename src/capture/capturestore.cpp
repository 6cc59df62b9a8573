#include "capturestore.h"

#include <algorithm>
#include <chrono>

CaptureStore::CaptureStore(QObject *parent) : QObject(parent) { }

void CaptureStore::setCapacity(qsizetype capacity)
{
    maxRecords = std::max<qsizetype>(1, capacity);
    if (size() > maxRecords)
        discardFront(size() - maxRecords);
}

namespace {
enum PackedFlag : quint8 {
    Extended = 0x01,
    Remote = 0x02,
    Error = 0x04,
    Fd = 0x08,
    BitRateSwitch = 0x10,
    ErrorState = 0x20,
    Sent = 0x40,
};
} // namespace

CaptureStore::PackedRecord CaptureStore::pack(const CaptureRecord &record)
{
    const CanFrame &frame = record.frame;
    PackedRecord packed;
    packed.timestampUs = record.timestampUs;
    packed.identifier = frame.identifier;
    packed.flags = quint8((frame.extended ? Extended : 0) | (frame.remote ? Remote : 0)
                          | (frame.error ? Error : 0) | (frame.fd ? Fd : 0)
                          | (frame.bitRateSwitch ? BitRateSwitch : 0)
                          | (frame.errorStateIndicator ? ErrorState : 0) | (record.sent ? Sent : 0));
    packed.length = quint8(std::min<int>(frame.length, frame.maxLength()));
    std::copy_n(frame.data.begin(), CanFrame::ClassicMaxLength, packed.head.begin());
    packed.tail = 0;
    if (hasTail(packed)) {
        packed.tail = firstTail + quint32(tails.size());
        Tail &tail = tails.emplace_back();
        std::copy_n(frame.data.begin() + CanFrame::ClassicMaxLength, tail.size(), tail.begin());
    }
    return packed;
}

CaptureRecord CaptureStore::unpack(const PackedRecord &packed) const
{
    CaptureRecord record;
    record.timestampUs = packed.timestampUs;
    record.sent = packed.flags & Sent;
    CanFrame &frame = record.frame;
    frame.identifier = packed.identifier;
    frame.extended = packed.flags & Extended;
    frame.remote = packed.flags & Remote;
    frame.error = packed.flags & Error;
    frame.fd = packed.flags & Fd;
    frame.bitRateSwitch = packed.flags & BitRateSwitch;
    frame.errorStateIndicator = packed.flags & ErrorState;
    frame.length = packed.length;
    std::copy(packed.head.begin(), packed.head.end(), frame.data.begin());
    if (hasTail(packed)) {
        const Tail &tail = tails[packed.tail - firstTail];
        std::copy(tail.begin(), tail.end(), frame.data.begin() + CanFrame::ClassicMaxLength);
    }
    return record;
}

void CaptureStore::append(const CaptureRecord &record)
{
    if (size() >= maxRecords) {
        discardFront(1);
        ++dropped;
    }
    records.push_back(pack(record));
}

void CaptureStore::discardFront(qsizetype count)
{
    if (keepSequence < first + quint64(count))
        emit aboutToDiscard();
    count = std::min(count, size());
    qsizetype tailCount = 0;
    for (auto it = records.begin(); it != records.begin() + count; ++it)
        tailCount += hasTail(*it) ? 1 : 0;
    records.erase(records.begin(), records.begin() + count);
    tails.erase(tails.begin(), tails.begin() + tailCount);
    firstTail += quint32(tailCount);
    first += quint64(count);
}

void CaptureStore::clear()
{
    if (keepSequence < endSequence())
        emit aboutToDiscard();
    first = endSequence();
    records.clear();
    records.shrink_to_fit();
    tails.clear();
    tails.shrink_to_fit();
    firstTail = 0;
    dropped = 0;
}

void CaptureStore::clearByUser()
{
    clear();
    emit cleared();
}

void CaptureStore::replace(std::vector<CaptureRecord> newRecords)
{
    clear();
    if (qsizetype(newRecords.size()) > maxRecords) {
        dropped = newRecords.size() - maxRecords;
        newRecords.erase(newRecords.begin(), newRecords.begin() + qsizetype(dropped));
    }
    for (const CaptureRecord &record : newRecords)
        records.push_back(pack(record));
    emit replaced();
}

std::vector<CaptureRecord> CaptureStore::copy(quint64 from, quint64 to) const
{
    from = std::max(from, first);
    to = std::min(to, endSequence());
    if (from >= to)
        return {};
    std::vector<CaptureRecord> copied;
    copied.reserve(size_t(to - from));
    for (quint64 sequence = from; sequence < to; ++sequence)
        copied.push_back(at(sequence));
    return copied;
}

qint64 CaptureStore::stamp(qint64 candidateUs)
{
    lastStampUs = std::max(candidateUs, lastStampUs + 1);
    return lastStampUs;
}

qint64 wallClockUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

qint64 lineTimeBefore(qint64 readUs, qsizetype bytesAfter, int baudRate)
{
    if (baudRate <= 0)
        return readUs;
    return readUs - qint64(bytesAfter) * 10 * 1'000'000 / baudRate;
}
