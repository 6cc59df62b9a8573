#include "capturestore.h"

#include <chrono>

CaptureStore::CaptureStore(QObject *parent) : QObject(parent) { }

void CaptureStore::setCapacity(qsizetype capacity)
{
    maxRecords = std::max<qsizetype>(1, capacity);
    if (size() > maxRecords)
        discardFront(size() - maxRecords);
}

void CaptureStore::append(const CaptureRecord &record)
{
    if (size() >= maxRecords) {
        discardFront(1);
        ++dropped;
    }
    records.push_back(record);
}

void CaptureStore::discardFront(qsizetype count)
{
    if (keepSequence < first + quint64(count))
        emit aboutToDiscard();
    count = std::min(count, size());
    records.erase(records.begin(), records.begin() + count);
    first += quint64(count);
}

void CaptureStore::clear()
{
    if (keepSequence < endSequence())
        emit aboutToDiscard();
    first = endSequence();
    records.clear();
    records.shrink_to_fit();
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
    records.assign(newRecords.begin(), newRecords.end());
    emit replaced();
}

std::vector<CaptureRecord> CaptureStore::copy(quint64 from, quint64 to) const
{
    from = std::max(from, first);
    to = std::min(to, endSequence());
    if (from >= to)
        return {};
    return { records.begin() + qsizetype(from - first), records.begin() + qsizetype(to - first) };
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
