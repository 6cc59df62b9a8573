#include "busreplay.h"

namespace {
constexpr qint64 SingleFramePassUs = 1000000;
constexpr qint64 MinimumGapUs = 1000;
} // namespace

BusReplay::BusReplay(const std::vector<CaptureRecord> &records, bool loopForever, QObject *parent)
    : QObject(parent), loop(loopForever)
{
    frames.reserve(records.size());
    dueUs.reserve(records.size());
    for (const CaptureRecord &record : records) {
        const qint64 due = record.timestampUs - records.front().timestampUs;
        dueUs.push_back(dueUs.empty() ? 0 : std::max(dueUs.back(), due));
        frames.push_back(record.frame);
    }
    // The next pass follows the last frame after the log's mean spacing.
    if (frames.size() < 2)
        passUs = SingleFramePassUs;
    else
        passUs = dueUs.back() + std::max(MinimumGapUs, dueUs.back() / qint64(frames.size() - 1));
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &BusReplay::tick);
}

void BusReplay::start()
{
    if (frames.empty())
        return;
    next = 0;
    passStartUs = 0;
    running = true;
    clock.start();
    tick();
}

void BusReplay::stop()
{
    running = false;
    timer.stop();
}

void BusReplay::tick()
{
    const qint64 now = clock.nsecsElapsed() / 1000;
    while (passStartUs + dueUs[next] <= now) {
        ++played;
        if (onFrame)
            onFrame(frames[next]);
        if (!running)
            return; // stopped by the frame's receiver
        if (++next == frames.size()) {
            if (!loop) {
                running = false;
                emit finished();
                return;
            }
            next = 0;
            passStartUs += passUs;
        }
    }
    // Rounded up: the timer never fires before the frame is due.
    const qint64 waitUs = passStartUs + dueUs[next] - now;
    timer.start(int(std::min<qint64>((waitUs + 999) / 1000, 24 * 3600 * 1000)));
}
