#include "transmitscheduler.h"

#include "canbus.h"

#include <chrono>
#include <thread>

namespace {

// A deadline this close is waited for in place; the timer wakes this much early.
constexpr qint64 WaitInPlaceUs = 2000;
constexpr qint64 WakeEarlyUs = 1000;
constexpr int BusyRetryMs = 1;

quint64 frameKey(quint32 identifier, bool extended)
{
    return quint64(identifier) | (extended ? quint64(1) << 32 : 0);
}

} // namespace

TransmitScheduler::TransmitScheduler(QObject *parent) : QObject(parent)
{
    elapsed.start();
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &TransmitScheduler::poll);
}

TransmitScheduler::SendResult
TransmitScheduler::sendOnBus(CanBus *bus, const CanFrame &frame,
                             const std::function<bool(const CanFrame &)> &write)
{
    if (!bus->isOpen())
        return SendResult::Failed;
    if (frame.fd && !bus->sendsFdFrames())
        return SendResult::Refused;
    if (bus->writeBacklogFull()) {
        bus->flush();
        return SendResult::Busy;
    }
    return write(frame) ? SendResult::Sent : SendResult::Rejected;
}

void TransmitScheduler::setClock(Clock newClock)
{
    clock = std::move(newClock);
}

qint64 TransmitScheduler::nowUs() const
{
    return clock ? clock() : elapsed.nsecsElapsed() / 1000;
}

void TransmitScheduler::setDatabase(const DbcDatabase &database)
{
    db = database;
    db.index();
    resolveMessages();
}

const DbcMessage *TransmitScheduler::messageOf(int row) const
{
    return row >= 0 && size_t(row) < messages.size() ? messages[size_t(row)] : nullptr;
}

// A row names its message by name and identifier; a database without both
// leaves it a raw frame.
void TransmitScheduler::resolveMessages()
{
    messages.assign(list.size(), nullptr);
    for (size_t i = 0; i < list.size(); ++i) {
        TransmitRow &row = list[i];
        if (row.messageName.isEmpty())
            continue;
        const DbcMessage *message = db.find(row.frame.identifier, row.frame.extended);
        if (!message || message->name != row.messageName
            || frameLengthFor(*message) != row.frame.length)
            continue;
        // A row kept as bytes while its message was missing takes its values from them.
        if (row.signalBits.size() != message->signalList.size())
            row.signalBits = signalBitsFromFrame(db, *message, row.frame);
        for (QString *signal : { &row.counterSignal, &row.checksumSignal }) {
            if (signalIndex(*message, *signal) < 0)
                signal->clear();
        }
        messages[i] = message;
    }
}

void TransmitScheduler::updateTriggers()
{
    triggerKeys.clear();
    for (const TransmitRow &row : list) {
        if (row.trigger == TransmitRow::Trigger::OnReceive)
            triggerKeys.insert(frameKey(row.triggerId, row.triggerExtended));
    }
}

void TransmitScheduler::addRow(const TransmitRow &row)
{
    list.push_back(row);
    waiting.push_back(false);
    rejected.push_back(0);
    resolveMessages();
    updateTriggers();
    schedule.setPeriod(list.size() - 1, row.isCyclic() ? row.periodMs * qint64(1000) : 0, nowUs());
    armTimer();
}

void TransmitScheduler::setRow(int index, const TransmitRow &row)
{
    if (index < 0 || index >= rowCount())
        return;
    TransmitRow &kept = list[size_t(index)];
    const bool periodChanged = kept.isCyclic() != row.isCyclic() || kept.periodMs != row.periodMs;
    const quint64 sent = kept.sent, late = kept.late, skipped = kept.skipped;
    kept = row;
    kept.sent = sent;
    kept.late = late;
    kept.skipped = skipped;
    resolveMessages();
    if (const DbcMessage *message = messages[size_t(index)])
        kept.frame = buildFrame(kept, message);
    updateTriggers();
    if (periodChanged)
        schedule.setPeriod(size_t(index), row.isCyclic() ? row.periodMs * qint64(1000) : 0, nowUs());
    armTimer();
}

void TransmitScheduler::removeRow(int index)
{
    if (index < 0 || index >= rowCount())
        return;
    list.erase(list.begin() + index);
    waiting.erase(waiting.begin() + index);
    rejected.erase(rejected.begin() + index);
    schedule.removeRow(size_t(index));
    resolveMessages();
    updateTriggers();
    armTimer();
}

void TransmitScheduler::setRows(const std::vector<TransmitRow> &rows)
{
    stop();
    list = rows;
    waiting.assign(list.size(), false);
    rejected.assign(list.size(), 0);
    resolveMessages();
    updateTriggers();
}

void TransmitScheduler::setSignalBits(int row, int signal, quint64 bits)
{
    if (row < 0 || row >= rowCount())
        return;
    TransmitRow &kept = list[size_t(row)];
    if (signal < 0 || size_t(signal) >= kept.signalBits.size())
        return;
    kept.signalBits[size_t(signal)] = bits;
    if (const DbcMessage *message = messages[size_t(row)])
        kept.frame = buildFrame(kept, message);
}

void TransmitScheduler::start()
{
    if (isRunning())
        return;
    std::vector<qint64> periods;
    for (const TransmitRow &row : list)
        periods.push_back(row.isCyclic() ? row.periodMs * qint64(1000) : 0);
    waiting.assign(list.size(), false);
    rejected.assign(list.size(), 0);
    schedule.start(periods, nowUs());
    emit runningChanged(true);
    poll();
}

void TransmitScheduler::stop()
{
    timer.stop();
    if (!isRunning())
        return;
    schedule.stop();
    emit runningChanged(false);
}

void TransmitScheduler::sendNow(int row)
{
    if (row >= 0 && row < rowCount())
        sendRow(size_t(row)); // by hand: at once, whether the list runs or not
}

void TransmitScheduler::frameReceived(const CanFrame &frame)
{
    if (triggerKeys.isEmpty() || !isRunning() || frame.error
        || !triggerKeys.contains(frameKey(frame.identifier, frame.extended)))
        return;
    const qint64 now = nowUs();
    for (size_t i = 0; i < list.size(); ++i) {
        const TransmitRow &row = list[i];
        if (row.trigger == TransmitRow::Trigger::OnReceive && row.enabled
            && row.triggerId == frame.identifier && row.triggerExtended == frame.extended
            && !schedule.addOnce(i, now + qint64(row.delayMs) * 1000))
            ++list[i].skipped; // more triggers waiting than it can send
    }
    armTimer();
}

// False when the frame did not go out.
bool TransmitScheduler::sendRow(size_t index)
{
    TransmitRow &row = list[index];
    const DbcMessage *message = messages[index];
    const CanFrame frame = buildFrame(row, message);
    SendResult result = sendFrame ? sendFrame(frame) : SendResult::Failed;
    if (result == SendResult::Rejected && ++rejected[index] < MaxRejections)
        result = SendResult::Busy;
    if (result == SendResult::Busy) {
        if (!waiting[index])
            ++row.late;
        waiting[index] = true;
        return false;
    }
    if (result == SendResult::Refused || result == SendResult::Rejected) {
        row.enabled = false;
        waiting[index] = false;
        emit rowRefused(int(index));
        return true; // nothing to wait for
    }
    if (result == SendResult::Failed) {
        const bool wasRunning = isRunning();
        stop();
        if (wasRunning)
            emit sendFailed();
        return false;
    }
    waiting[index] = false;
    rejected[index] = 0;
    ++row.sent;
    advanceCounter(row, message);
    row.frame = buildFrame(row, message);
    return true;
}

// Everything due goes now. A deadline a moment away is waited for in place,
// once a pass: then the event loop runs before the next, however short the
// periods, so Stop and received frames are never kept waiting.
void TransmitScheduler::poll()
{
    if (!isRunning())
        return;
    bool waited = false;
    for (;;) {
        qint64 now = nowUs();
        const qint64 due = schedule.nextDueUs();
        if (due == TransmitSchedule::Never || due - now > WaitInPlaceUs)
            break;
        if (due > now) {
            if (waited || clock) // a test's clock does not move by itself
                break;
            std::this_thread::sleep_for(std::chrono::microseconds(due - now));
            waited = true;
            now = nowUs();
        }
        quint64 skipped = 0;
        const int row = schedule.takeDue(now, &skipped);
        if (row < 0)
            break;
        TransmitRow &kept = list[size_t(row)];
        if (skipped > 0) {
            kept.skipped += skipped;
            waiting[size_t(row)] = false;
        }
        if (!kept.enabled)
            continue;
        if (!sendRow(size_t(row))) {
            if (!isRunning())
                return;
            schedule.putBack(size_t(row));
            if (!clock)
                timer.start(BusyRetryMs);
            return;
        }
    }
    armTimer();
}

void TransmitScheduler::armTimer()
{
    if (!isRunning() || clock)
        return;
    const qint64 due = schedule.nextDueUs();
    if (due == TransmitSchedule::Never) {
        timer.stop();
        return;
    }
    const qint64 waitUs = due - nowUs() - WakeEarlyUs;
    timer.start(int(std::clamp<qint64>(waitUs / 1000, 0, 24 * 3600 * 1000)));
}
