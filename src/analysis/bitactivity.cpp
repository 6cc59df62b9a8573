// Bit flips per message: one XOR a word of payload against the message's
// previous frame, then a count for each set bit; cheap enough for a million frames.
#include "bitactivity.h"

#include "capturestore.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

int MessageBits::changedBitCount() const
{
    int count = 0;
    for (const quint64 word : changed)
        count += qPopulationCount(word);
    return count;
}

quint32 MessageBits::maxFlips() const
{
    return *std::max_element(flips.cbegin(), flips.cend());
}

void BitActivity::add(const CanFrame &frame)
{
    if (frame.error || frame.remote)
        return;
    const quint64 messageKey = key(frame.identifier, frame.extended);
    auto row = rows.constFind(messageKey);
    if (row == rows.constEnd()) {
        row = rows.insert(messageKey, int(list.size()));
        MessageBits &message = list.emplace_back();
        message.identifier = frame.identifier;
        message.extended = frame.extended;
    }
    MessageBits &message = list[size_t(*row)];
    const int length = std::min<int>(frame.length, CanFrame::FdMaxLength);
    if (message.frames++ > 0) {
        const int words = (std::max(length, message.length) + 7) / 8;
        for (int w = 0; w < words; ++w) {
            quint64 now, before;
            std::memcpy(&now, frame.data.data() + w * 8, 8);
            std::memcpy(&before, message.last.data() + w * 8, 8);
            quint64 flipped = qFromLittleEndian(now ^ before);
            message.changed[size_t(w)] |= flipped;
            while (flipped) {
                const int bit = qCountTrailingZeroBits(flipped);
                ++message.flips[size_t(w * 64 + bit)];
                flipped &= flipped - 1;
            }
        }
    }
    message.length = std::max(message.length, length);
    message.last = frame.data;
}

void BitActivity::clear()
{
    list.clear();
    rows.clear();
}

const MessageBits *BitActivity::find(quint32 identifier, bool extended) const
{
    const int row = rows.value(key(identifier, extended), -1);
    return row < 0 ? nullptr : &list[size_t(row)];
}

quint64 sequenceAt(const CaptureStore &capture, qint64 timeUs)
{
    quint64 low = capture.firstSequence(), high = capture.endSequence();
    while (low < high) {
        const quint64 middle = low + (high - low) / 2;
        if (capture.at(middle).timestampUs < timeUs)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

BitActivity bitActivityOf(const CaptureStore &capture, qint64 fromUs, qint64 toUs)
{
    BitActivity activity;
    const quint64 end = capture.endSequence();
    for (quint64 sequence = sequenceAt(capture, fromUs); sequence < end; ++sequence) {
        const CaptureRecord record = capture.at(sequence);
        if (record.timestampUs > toUs)
            break;
        activity.add(record.frame);
    }
    return activity;
}

double heatLevel(quint32 flips, quint32 maxFlips)
{
    if (flips == 0 || maxFlips == 0)
        return 0.0;
    if (maxFlips == 1)
        return 1.0;
    // log(1 + n) keeps one flip above zero: log 2 against log(1 + max).
    return std::min(1.0, std::log1p(double(flips)) / std::log1p(double(maxFlips)));
}

std::vector<BitContrast> contrastBits(const MessageBits *a, const MessageBits *b)
{
    const int length = std::max(a ? a->length : 0, b ? b->length : 0);
    std::vector<BitContrast> contrast(size_t(length * 8), BitContrast::Same);
    if (!a || !b || a->frames == 0 || b->frames == 0)
        return contrast;
    for (int bit = 0; bit < length * 8; ++bit) {
        const bool flipsInA = a->flips[size_t(bit)] > 0, flipsInB = b->flips[size_t(bit)] > 0;
        if (!flipsInA && flipsInB)
            contrast[size_t(bit)] = BitContrast::ChangesOnlyInB;
        else if (flipsInA && !flipsInB)
            contrast[size_t(bit)] = BitContrast::ChangesOnlyInA;
        else if (!flipsInA && a->bitValue(bit) != b->bitValue(bit))
            contrast[size_t(bit)] = BitContrast::OtherValue;
    }
    return contrast;
}

int contrastCount(const MessageBits *a, const MessageBits *b)
{
    const std::vector<BitContrast> contrast = contrastBits(a, b);
    return int(std::count_if(contrast.cbegin(), contrast.cend(),
                             [](BitContrast c) { return c != BitContrast::Same; }));
}
