#ifndef REPLAYSCHEDULE_H
#define REPLAYSCHEDULE_H

#include "capturerecord.h"

#include <vector>

// The frames of a log to replay and when each goes out, in microseconds
// after the first, at the log's own pace.
struct ReplayPlan
{
    std::vector<CanFrame> frames;
    std::vector<qint64> offsetsUs;
    qsizetype skippedFdFrames = 0; // left out: the bus takes classic frames only

    size_t size() const { return frames.size(); }
    // The offset at `speed` times the log's pace.
    qint64 dueUs(size_t k, double speed) const { return qint64(double(offsetsUs[k]) / speed); }
    qint64 durationUs(double speed) const { return frames.empty() ? 0 : dueUs(size() - 1, speed); }
};

// A log's records as a plan: optionally only the frames it received, or only
// its classic frames; error frames never go out. Times
// that run backwards (a log pieced together) keep the frame's place with no gap.
ReplayPlan makeReplayPlan(const std::vector<CaptureRecord> &records, bool onlyReceived,
                          bool classicOnly = false);

#endif // REPLAYSCHEDULE_H
