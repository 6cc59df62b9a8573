#include "followingbits.h"

#include "bitactivity.h"
#include "capturestore.h"

#include <QHash>

#include <algorithm>

namespace {
using Payload = std::array<quint8, CanFrame::FdMaxLength + 4>;

quint64 keyOf(const CanFrame &frame)
{
    return BitActivity::key(frame.identifier, frame.extended);
}

// Each frame with a payload from `fromUs` up to and including `toUs`, in capture order.
template<class Visit>
void forEachFrame(const CaptureStore &capture, qint64 fromUs, qint64 toUs, Visit visit)
{
    for (quint64 s = sequenceAt(capture, fromUs); s < capture.endSequence(); ++s) {
        const CaptureRecord record = capture.at(s);
        if (record.timestampUs > toUs)
            break;
        if (!record.frame.error && !record.frame.remote)
            visit(record.frame);
    }
}

qint64 valueOf(const BitField &field, const CanFrame &frame)
{
    Payload payload{};
    std::copy(frame.data.cbegin(), frame.data.cend(), payload.begin());
    return fieldValue(field, payload.data());
}
} // namespace

std::vector<FollowingBit> followingBits(const CaptureStore &capture, quint64 key,
                                        const BitField &reference, qint64 fromUs, qint64 toUs,
                                        size_t limit)
{
    std::vector<FollowingBit> found;
    // The reference's range, and which bits change at all.
    BitActivity activity;
    qint64 lowest = 0, highest = 0;
    bool any = false;
    forEachFrame(capture, fromUs, toUs, [&](const CanFrame &frame) {
        activity.add(frame);
        if (keyOf(frame) != key)
            return;
        const qint64 value = valueOf(reference, frame);
        lowest = any ? std::min(lowest, value) : value;
        highest = any ? std::max(highest, value) : value;
        any = true;
    });
    if (!any || lowest == highest)
        return found;
    const qint64 middle = lowest + (highest - lowest) / 2;
    BitMask own;
    fieldMask(reference, CanFrame::FdMaxLength, &own);

    // Each message's latest bytes, and per changing bit how often it agreed.
    struct Watched
    {
        const MessageBits *bits;
        std::array<quint8, CanFrame::FdMaxLength> latest{};
        bool seen = false;
        std::vector<int> changing;
        std::vector<quint32> agreed;
        quint32 samples = 0;
    };
    std::vector<Watched> watched;
    QHash<quint64, int> indexOf;
    for (const MessageBits &bits : activity.messages()) {
        Watched w;
        w.bits = &bits;
        const bool same = BitActivity::key(bits.identifier, bits.extended) == key;
        for (int bit = 0; bit < bits.length * 8; ++bit) {
            const bool mine = same && ((own[size_t(bit / 64)] >> (bit % 64)) & 1);
            if (bits.flips[size_t(bit)] > 0 && !mine)
                w.changing.push_back(bit);
        }
        w.agreed.assign(w.changing.size(), 0);
        indexOf.insert(BitActivity::key(bits.identifier, bits.extended), int(watched.size()));
        watched.push_back(std::move(w));
    }
    forEachFrame(capture, fromUs, toUs, [&](const CanFrame &frame) {
        Watched &message = watched[size_t(indexOf.value(keyOf(frame)))];
        message.latest = frame.data;
        message.seen = true;
        if (keyOf(frame) != key)
            return;
        const bool high = valueOf(reference, frame) > middle;
        for (Watched &w : watched) {
            if (!w.seen)
                continue;
            ++w.samples;
            for (size_t i = 0; i < w.changing.size(); ++i) {
                const int bit = w.changing[i];
                w.agreed[i] += bool((w.latest[size_t(bit / 8)] >> (bit % 8)) & 1) == high;
            }
        }
    });
    for (const Watched &w : watched) {
        for (size_t i = 0; i < w.changing.size() && w.samples > 0; ++i) {
            FollowingBit bit;
            bit.identifier = w.bits->identifier;
            bit.extended = w.bits->extended;
            bit.bit = w.changing[i];
            bit.agreement = double(w.agreed[i]) / double(w.samples);
            if (bit.agreement < 0.5) {
                bit.agreement = 1.0 - bit.agreement;
                bit.inverted = true;
            }
            found.push_back(bit);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const FollowingBit &a, const FollowingBit &b) {
        return a.agreement > b.agreement;
    });
    if (found.size() > limit)
        found.resize(limit);
    return found;
}
