#include "replayschedule.h"

ReplayPlan makeReplayPlan(const std::vector<CaptureRecord> &records, bool onlyReceived,
                          bool classicOnly)
{
    ReplayPlan plan;
    plan.frames.reserve(records.size());
    plan.offsetsUs.reserve(records.size());
    qint64 startUs = 0;
    qint64 previousOffset = 0;
    for (const CaptureRecord &record : records) {
        if ((onlyReceived && record.sent) || record.frame.error)
            continue;
        if (classicOnly && record.frame.fd) {
            ++plan.skippedFdFrames;
            continue;
        }
        if (plan.frames.empty())
            startUs = record.timestampUs;
        previousOffset = std::max(previousOffset, record.timestampUs - startUs);
        plan.frames.push_back(record.frame);
        plan.offsetsUs.push_back(previousOffset);
    }
    return plan;
}
