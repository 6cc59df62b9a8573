#include "transmitschedule.h"

#include <algorithm>

void TransmitSchedule::start(const std::vector<qint64> &periodsUs, qint64 nowUs)
{
    rows.assign(periodsUs.size(), Timing{});
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].periodUs = std::max<qint64>(0, periodsUs[i]);
        rows[i].originUs = nowUs;
    }
    running = true;
}

void TransmitSchedule::stop()
{
    running = false;
    rows.clear();
}

void TransmitSchedule::setPeriod(size_t row, qint64 periodUs, qint64 nowUs)
{
    if (!running)
        return;
    if (row >= rows.size())
        rows.resize(row + 1);
    Timing &timing = rows[row];
    timing.periodUs = std::max<qint64>(0, periodUs);
    timing.originUs = nowUs;
    timing.next = 0;
}

void TransmitSchedule::removeRow(size_t row)
{
    if (row < rows.size())
        rows.erase(rows.begin() + qsizetype(row));
}

bool TransmitSchedule::addOnce(size_t row, qint64 dueUs)
{
    if (!running)
        return false;
    if (row >= rows.size())
        rows.resize(row + 1);
    auto &once = rows[row].once;
    if (once.size() >= MaxPending)
        return false;
    once.insert(std::upper_bound(once.begin(), once.end(), dueUs), dueUs);
    return true;
}

qint64 TransmitSchedule::dueOf(const Timing &timing) const
{
    qint64 due = Never;
    if (timing.periodUs > 0)
        due = timing.originUs + qint64(timing.next) * timing.periodUs;
    if (!timing.once.empty())
        due = std::min(due, timing.once.front());
    return due;
}

qint64 TransmitSchedule::nextDueUs() const
{
    qint64 due = Never;
    if (!running)
        return due;
    for (const Timing &timing : rows)
        due = std::min(due, dueOf(timing));
    return due;
}

int TransmitSchedule::takeDue(qint64 nowUs, quint64 *skipped)
{
    if (skipped)
        *skipped = 0;
    if (!running)
        return -1;
    int best = -1;
    qint64 bestDue = Never;
    for (size_t i = 0; i < rows.size(); ++i) {
        const qint64 due = dueOf(rows[i]);
        if (due <= nowUs && due < bestDue) {
            best = int(i);
            bestDue = due;
        }
    }
    if (best < 0)
        return -1;
    Timing &timing = rows[size_t(best)];
    if (!timing.once.empty() && timing.once.front() == bestDue) {
        timing.once.pop_front();
        timing.tookOnce = true;
        timing.takenUs = bestDue;
        return best;
    }
    // Deadlines more than a period old are passed over: the latest one goes.
    const quint64 behind = quint64((nowUs - bestDue) / timing.periodUs);
    timing.next += behind + 1;
    timing.tookOnce = false;
    if (skipped)
        *skipped = behind;
    return best;
}

void TransmitSchedule::putBack(size_t row)
{
    if (row >= rows.size())
        return;
    Timing &timing = rows[row];
    if (timing.tookOnce)
        timing.once.push_front(timing.takenUs);
    else if (timing.next > 0)
        --timing.next;
}
