// Decoding signals from a frame's bytes: pure functions, no allocation per signal.
#include "dbc.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cstring>

DecodedSignal decodeSignal(const DbcSignal &signal, const quint8 *data, int length)
{
    DecodedSignal decoded;
    decoded.signal = &signal;
    length = std::clamp(length, 0, int(CanFrame::ClassicMaxLength));
    quint64 bits = 0;
    if (signal.littleEndian) {
        // Bit n is bit n % 8 of byte n / 8; the signal runs upwards from its start bit.
        const int end = signal.startBit + signal.length;
        if (end > length * 8)
            return decoded;
        quint64 word = 0;
        for (int i = 0; i < length; ++i)
            word |= quint64(data[i]) << (8 * i);
        bits = word >> signal.startBit;
    } else {
        // The start bit is the most significant; counted from the first byte's
        // top bit the signal is a plain run of `length` bits.
        const int first = signal.startBit / 8 * 8 + 7 - signal.startBit % 8;
        const int end = first + signal.length;
        if (end > length * 8)
            return decoded;
        quint64 word = 0;
        for (int i = 0; i < length; ++i)
            word |= quint64(data[i]) << (56 - 8 * i);
        bits = word >> (64 - end);
    }
    if (signal.length < 64)
        bits &= (quint64(1) << signal.length) - 1;
    decoded.present = true;
    decoded.rawUnsigned = bits;
    switch (signal.valueType) {
    case DbcSignal::ValueType::Float32: {
        const auto word = quint32(bits);
        float value;
        std::memcpy(&value, &word, sizeof value);
        decoded.raw = qint64(bits);
        decoded.rawValue = double(value);
        break;
    }
    case DbcSignal::ValueType::Float64: {
        double value;
        std::memcpy(&value, &bits, sizeof value);
        decoded.raw = qint64(bits);
        decoded.rawValue = value;
        break;
    }
    case DbcSignal::ValueType::Integer:
        if (signal.isSigned && signal.length < 64 && (bits >> (signal.length - 1)) & 1)
            bits |= ~quint64(0) << signal.length; // two's complement of `length` bits
        decoded.raw = qint64(bits);
        decoded.rawValue = signal.isSigned ? double(decoded.raw) : double(decoded.rawUnsigned);
        if (!signal.valueTexts.isEmpty()) {
            const auto it = signal.valueTexts.constFind(decoded.raw);
            if (it != signal.valueTexts.constEnd())
                decoded.text = *it;
        }
        break;
    }
    decoded.physical = rawToPhysical(signal, decoded.rawValue);
    return decoded;
}

namespace {

enum State : qint8 { Unknown, Deciding, Active, Inactive };

// Whether signal `i` is shown: in the frame, and when multiplexed, its
// multiplexor shown and at one of its values.
bool isActive(const DbcMessage &message, const std::vector<DecodedSignal> &decoded,
              QVarLengthArray<qint8, 64> &state, int i)
{
    if (state[i] == Active || state[i] == Inactive)
        return state[i] == Active;
    if (state[i] == Deciding)
        return false; // multiplexors that select each other: neither
    const DbcSignal &signal = message.signalList[size_t(i)];
    bool active = decoded[size_t(i)].present;
    if (active && signal.multiplex == DbcSignal::Multiplex::Multiplexed) {
        const int mux = signal.multiplexorIndex;
        state[i] = Deciding;
        active = mux >= 0 && mux != i && isActive(message, decoded, state, mux);
        if (active) {
            const qint64 value = decoded[size_t(mux)].raw;
            if (signal.multiplexRanges.empty()) {
                active = value == signal.multiplexValue;
            } else {
                active = std::any_of(signal.multiplexRanges.begin(), signal.multiplexRanges.end(),
                                     [value](const auto &range) {
                                         return value >= range.first && value <= range.second;
                                     });
            }
        }
    }
    state[i] = active ? Active : Inactive;
    return active;
}

} // namespace

std::vector<DecodedSignal> decodeMessage(const DbcMessage &message, const CanFrame &frame)
{
    std::vector<DecodedSignal> decoded;
    decodeMessage(message, frame, decoded);
    return decoded;
}

void decodeMessage(const DbcMessage &message, const CanFrame &frame,
                   std::vector<DecodedSignal> &decoded)
{
    const int length = frame.remote ? 0 : std::min<int>(frame.length, CanFrame::ClassicMaxLength);
    decoded.clear();
    decoded.reserve(message.signalList.size());
    bool multiplexed = false;
    for (const DbcSignal &signal : message.signalList) {
        decoded.push_back(decodeSignal(signal, frame.data.data(), length));
        multiplexed = multiplexed || signal.multiplex == DbcSignal::Multiplex::Multiplexed;
    }
    if (multiplexed) {
        QVarLengthArray<qint8, 64> state(qsizetype(decoded.size()), Unknown);
        for (size_t i = 0; i < decoded.size(); ++i)
            decoded[i].present = isActive(message, decoded, state, int(i));
    }
    decoded.erase(std::remove_if(decoded.begin(), decoded.end(),
                                 [](const DecodedSignal &d) { return !d.present; }),
                  decoded.end());
}
