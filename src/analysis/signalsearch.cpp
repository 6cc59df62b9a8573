// The search narrows candidates by what each message did in a span: its
// first and last frame, the bits that flipped, its distinct payloads. One
// pass over the span's records gathers that; the candidates are then judged
// message by message, without going back to the frames.
#include "signalsearch.h"

#include "capturestore.h"

#include <QHash>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

// A payload with room for fieldValue() to read past its end.
using Payload = std::array<quint8, CanFrame::FdMaxLength + 4>;

Payload payloadOf(const CanFrame &frame)
{
    Payload payload{};
    std::copy_n(frame.data.cbegin(), std::min<int>(frame.length, CanFrame::FdMaxLength),
                payload.begin());
    return payload;
}

// What a span holds of one message.
struct SpanOfMessage
{
    quint64 frames = 0;
    Payload first{};
    Payload last{};
    BitMask flipped{};
    bool haveAtMoment = false;
    Payload atMoment{}; // the last frame at or before the span's start
    QSet<QByteArray> distinct; // gathered only for Within
};

bool hasFrames(const CanFrame &frame)
{
    return !frame.error && !frame.remote;
}

} // namespace

std::vector<BitField> candidateFields(const BitMask &changed, int length)
{
    std::vector<BitField> fields;
    const int bits = length * 8;
    BitMask mask;
    const auto keep = [&](BitField field) {
        if (!fieldMask(field, length, &mask) || !intersects(mask, changed))
            return;
        fields.push_back(field);
        if (field.length > 1) {
            field.isSigned = true;
            fields.push_back(field);
        }
    };
    for (int start = 0; start < bits; ++start) {
        for (int size = 1; size <= BitField::MaxValueLength && start + size <= bits; ++size)
            keep(BitField{ quint16(start), quint16(size), true, false });
        // Within one byte Motorola and Intel are the same bits; only longer runs differ.
        const int fromTop = start / 8 * 8 + 7 - start % 8;
        for (int size = 8 - fromTop % 8 + 1;
             size <= BitField::MaxValueLength && fromTop + size <= bits; ++size)
            keep(BitField{ quint16(start), quint16(size), false, false });
    }
    return fields;
}

void SignalSearch::start(const CaptureStore &capture)
{
    clear();
    BitActivity activity;
    for (quint64 sequence = capture.firstSequence(); sequence < capture.endSequence(); ++sequence)
        activity.add(capture.at(sequence).frame);
    for (const MessageBits &message : activity.messages()) {
        const auto index = quint32(messageList.size());
        messageList.push_back({ message.identifier, message.extended, message.length });
        for (const BitField &field : candidateFields(message.changed, message.length))
            current.push_back({ index, field });
    }
}

bool SignalSearch::apply(const CaptureStore &capture, const SearchStep &step)
{
    const bool atMoment = step.kind == SearchStep::Kind::Equals; // toUs plays no part
    if ((!atMoment && step.toUs < step.fromUs)
        || (step.kind == SearchStep::Kind::Within && step.high < step.low))
        return false;
    QHash<quint64, int> indexOf;
    for (size_t i = 0; i < messageList.size(); ++i)
        indexOf.insert(BitActivity::key(messageList[i].identifier, messageList[i].extended), int(i));
    std::vector<SpanOfMessage> spans(messageList.size());

    const bool within = step.kind == SearchStep::Kind::Within;
    if (atMoment) {
        // The value at a moment: each message's last frame at or before it.
        quint64 after = sequenceAt(capture, step.fromUs);
        while (after < capture.endSequence() && capture.at(after).timestampUs == step.fromUs)
            ++after;
        size_t found = 0;
        for (quint64 s = after; s > capture.firstSequence() && found < spans.size(); --s) {
            const CaptureRecord record = capture.at(s - 1);
            const int index = indexOf.value(
                    BitActivity::key(record.frame.identifier, record.frame.extended), -1);
            if (index < 0 || !hasFrames(record.frame) || spans[size_t(index)].haveAtMoment)
                continue;
            spans[size_t(index)].haveAtMoment = true;
            spans[size_t(index)].atMoment = payloadOf(record.frame);
            ++found;
        }
        if (found == 0)
            return false;
    } else {
        bool any = false;
        for (quint64 sequence = sequenceAt(capture, step.fromUs);
             sequence < capture.endSequence(); ++sequence) {
            const CaptureRecord record = capture.at(sequence);
            if (record.timestampUs > step.toUs)
                break;
            const int index = indexOf.value(
                    BitActivity::key(record.frame.identifier, record.frame.extended), -1);
            if (index < 0 || !hasFrames(record.frame))
                continue;
            any = true;
            SpanOfMessage &span = spans[size_t(index)];
            const Payload payload = payloadOf(record.frame);
            if (span.frames++ == 0) {
                span.first = payload;
            } else {
                for (size_t w = 0; w < span.flipped.size(); ++w) {
                    quint64 now, before;
                    std::memcpy(&now, payload.data() + w * 8, 8);
                    std::memcpy(&before, span.last.data() + w * 8, 8);
                    span.flipped[w] |= qFromLittleEndian(now ^ before);
                }
            }
            span.last = payload;
            if (within)
                span.distinct.insert(QByteArray(reinterpret_cast<const char *>(payload.data()),
                                                qsizetype(payload.size())));
        }
        if (!any)
            return false;
    }

    std::vector<SearchCandidate> kept;
    BitMask mask;
    // Within: a field's value depends on the five bytes from its first one
    // only, so each message's payloads are cut to those windows and
    // deduplicated once per first byte; noise elsewhere adds nothing to judge.
    std::array<std::vector<quint64>, CanFrame::FdMaxLength> windows;
    std::array<bool, CanFrame::FdMaxLength> haveWindows{};
    quint32 windowsOf = ~quint32(0);
    const auto windowsAt = [&](const SpanOfMessage &span, int first) -> const std::vector<quint64> & {
        if (!haveWindows[size_t(first)]) {
            std::vector<quint64> &list = windows[size_t(first)];
            list.clear();
            for (const QByteArray &bytes : span.distinct) {
                quint64 window = 0;
                std::memcpy(&window, bytes.constData() + first, 5);
                list.push_back(window);
            }
            std::sort(list.begin(), list.end());
            list.erase(std::unique(list.begin(), list.end()), list.end());
            haveWindows[size_t(first)] = true;
        }
        return windows[size_t(first)];
    };
    for (const SearchCandidate &candidate : current) {
        const SpanOfMessage &span = spans[candidate.message];
        const BitField &field = candidate.field;
        bool keep = false;
        switch (step.kind) {
        case SearchStep::Kind::Rose:
        case SearchStep::Kind::Fell: {
            if (span.frames < 2)
                break;
            const qint64 first = fieldValue(field, span.first.data());
            const qint64 last = fieldValue(field, span.last.data());
            keep = step.kind == SearchStep::Kind::Rose ? last > first : last < first;
            break;
        }
        case SearchStep::Kind::Stayed:
        case SearchStep::Kind::Changed:
            if (span.frames == 0)
                break;
            fieldMask(field, CanFrame::FdMaxLength, &mask);
            keep = intersects(mask, span.flipped) == (step.kind == SearchStep::Kind::Changed);
            break;
        case SearchStep::Kind::Equals:
            keep = span.haveAtMoment && fieldValue(field, span.atMoment.data()) == step.low;
            break;
        case SearchStep::Kind::Within: {
            if (span.frames == 0)
                break;
            if (windowsOf != candidate.message) {
                haveWindows.fill(false);
                windowsOf = candidate.message;
            }
            const int firstBit = field.littleEndian ? field.startBit
                                                    : field.startBit / 8 * 8 + 7 - field.startBit % 8;
            const int first = firstBit / 8;
            BitField inWindow = field;
            inWindow.startBit = quint16(field.startBit - first * 8);
            const std::vector<quint64> &values = windowsAt(span, first);
            keep = std::all_of(values.cbegin(), values.cend(), [&](quint64 window) {
                std::array<quint8, 16> bytes{};
                std::memcpy(bytes.data(), &window, 5);
                const qint64 value = fieldValue(inWindow, bytes.data());
                return value >= step.low && value <= step.high;
            });
            break;
        }
        }
        if (keep)
            kept.push_back(candidate);
    }
    history.push_back(std::move(current));
    current = std::move(kept);
    return true;
}

bool SignalSearch::undo()
{
    if (history.empty())
        return false;
    current = std::move(history.back());
    history.pop_back();
    return true;
}

void SignalSearch::clear()
{
    messageList.clear();
    current.clear();
    history.clear();
}
