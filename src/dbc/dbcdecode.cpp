// Decoding signals from a frame's bytes: pure functions, no allocation per signal.
#include "dbc.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cstring>

DecodedSignal decodeSignal(const DbcSignal &signal, const quint8 *data, int length)
{
    DecodedSignal decoded;
    decoded.signal = &signal;
    length = std::clamp(length, 0, int(CanFrame::FdMaxLength));
    // A signal of up to 64 bits spans at most 9 bytes of a frame of up to 64:
    // the 8 from its first byte as one word, and the one after.
    const auto byteAt = [&](int i) { return i < length ? quint64(data[i]) : quint64(0); };
    quint64 bits = 0;
    if (signal.littleEndian) {
        // Bit n is bit n % 8 of byte n / 8; the signal runs upwards from its start bit.
        const int end = signal.startBit + signal.length;
        if (signal.startBit < 0 || end > length * 8)
            return decoded;
        const int firstByte = signal.startBit / 8, shift = signal.startBit % 8;
        quint64 word = 0;
        for (int i = 0; i < 8; ++i)
            word |= byteAt(firstByte + i) << (8 * i);
        bits = word >> shift;
        if (shift > 0)
            bits |= byteAt(firstByte + 8) << (64 - shift);
    } else {
        // The start bit is the most significant; counted from the first byte's
        // top bit the signal is a plain run of `length` bits.
        const int first = signal.startBit / 8 * 8 + 7 - signal.startBit % 8;
        const int end = first + signal.length;
        if (signal.startBit < 0 || end > length * 8)
            return decoded;
        const int firstByte = first / 8, offset = first % 8;
        quint64 word = 0;
        for (int i = 0; i < 8; ++i)
            word |= byteAt(firstByte + i) << (56 - 8 * i);
        const int over = offset + signal.length - 64; // bits in the ninth byte
        bits = over <= 0 ? word >> -over
                         : (word << over) | (byteAt(firstByte + 8) >> (8 - over));
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
    const int length = frame.remote ? 0 : std::min<int>(frame.length, frame.maxLength());
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
