// Encoding signals into a frame's bytes: the inverse of dbcdecode.cpp.
#include "dbc.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double TwoTo63 = 9223372036854775808.0;

// The position of the signal's bit k (0: least significant) as byte and bit
// index, or -1 past the data: Intel runs upwards from the start bit, Motorola
// downwards from it in the frame's big-endian bit order.
int bitPosition(const DbcSignal &signal, int k)
{
    if (signal.littleEndian)
        return signal.startBit + k;
    const int first = signal.startBit / 8 * 8 + 7 - signal.startBit % 8;
    const int q = first + signal.length - 1 - k; // counted from byte 0's top bit
    return q / 8 * 8 + 7 - q % 8;
}

bool fitsIn(const DbcSignal &signal, int length)
{
    if (signal.startBit < 0 || signal.length < 1 || signal.length > 64)
        return false;
    const int end = signal.littleEndian
            ? signal.startBit + signal.length
            : signal.startBit / 8 * 8 + 7 - signal.startBit % 8 + signal.length;
    return end <= length * 8;
}

} // namespace

std::pair<double, double> rawLimits(const DbcSignal &signal)
{
    switch (signal.valueType) {
    case DbcSignal::ValueType::Float32:
        return { -double(std::numeric_limits<float>::max()),
                 double(std::numeric_limits<float>::max()) };
    case DbcSignal::ValueType::Float64:
        return { std::numeric_limits<double>::lowest(), std::numeric_limits<double>::max() };
    case DbcSignal::ValueType::Integer:
        break;
    }
    const int bits = signal.length;
    if (signal.isSigned)
        return { -std::ldexp(1.0, bits - 1), std::ldexp(1.0, bits - 1) - 1 };
    return { 0.0, std::ldexp(1.0, bits) - 1 };
}

std::optional<quint64> physicalToBits(const DbcSignal &signal, double physical,
                                      EncodeProblem *problem)
{
    const auto refuse = [problem](EncodeProblem why) {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (problem)
        *problem = EncodeProblem::None;
    if (!std::isfinite(physical))
        return refuse(EncodeProblem::NotANumber);
    if (signal.factor == 0 || !std::isfinite(signal.factor))
        return refuse(EncodeProblem::NoFactor);
    const double raw = (physical - signal.offset) / signal.factor;
    const auto [low, high] = rawLimits(signal);
    if (signal.valueType == DbcSignal::ValueType::Float32) {
        if (raw < low)
            return refuse(EncodeProblem::BelowRange);
        if (raw > high)
            return refuse(EncodeProblem::AboveRange);
        const float value = float(raw);
        quint32 word;
        std::memcpy(&word, &value, sizeof word);
        return quint64(word);
    }
    if (signal.valueType == DbcSignal::ValueType::Float64) {
        if (!std::isfinite(raw))
            return refuse(raw < 0 ? EncodeProblem::BelowRange : EncodeProblem::AboveRange);
        quint64 word;
        std::memcpy(&word, &raw, sizeof word);
        return word;
    }
    const double rounded = std::round(raw);
    // The top limit of a 64-bit signal is not a double: compare against 2^63 and 2^64.
    if (rounded < low)
        return refuse(EncodeProblem::BelowRange);
    if (signal.length == 64 ? rounded >= (signal.isSigned ? TwoTo63 : 2 * TwoTo63)
                            : rounded > high)
        return refuse(EncodeProblem::AboveRange);
    if (!signal.isSigned && rounded >= TwoTo63)
        return quint64(rounded - TwoTo63) | (quint64(1) << 63);
    return rawToBits(signal, qint64(rounded));
}

std::optional<quint64> rawToBits(const DbcSignal &signal, qint64 raw)
{
    const int bits = signal.length;
    if (bits < 64) {
        const qint64 low = signal.isSigned ? -(qint64(1) << (bits - 1)) : 0;
        const qint64 high = signal.isSigned ? (qint64(1) << (bits - 1)) - 1
                                            : qint64((quint64(1) << bits) - 1);
        if (raw < low || raw > high)
            return std::nullopt;
        return quint64(raw) & ((quint64(1) << bits) - 1);
    }
    if (!signal.isSigned && raw < 0)
        return std::nullopt;
    return quint64(raw);
}

bool encodeSignal(const DbcSignal &signal, quint64 bits, quint8 *data, int length)
{
    length = std::clamp(length, 0, int(CanFrame::FdMaxLength));
    if (!fitsIn(signal, length))
        return false;
    for (int k = 0; k < signal.length; ++k) {
        const int position = bitPosition(signal, k);
        const quint8 mask = quint8(1u << (position % 8));
        if ((bits >> k) & 1)
            data[position / 8] |= mask;
        else
            data[position / 8] &= quint8(~mask);
    }
    return true;
}

void encodeMessage(const DbcMessage &message, const std::vector<quint64> &bits, CanFrame &frame)
{
    const int length = std::min<int>(frame.length, frame.maxLength());
    const size_t count = std::min(bits.size(), message.signalList.size());
    bool multiplexed = false;
    for (size_t i = 0; i < count; ++i) {
        if (message.signalList[i].multiplex != DbcSignal::Multiplex::Multiplexed)
            encodeSignal(message.signalList[i], bits[i], frame.data.data(), length);
        else
            multiplexed = true;
    }
    if (!multiplexed)
        return;
    // A multiplexed signal may itself select others ("mNM"): each pass writes
    // the signals the bytes so far select, until nothing new is selected.
    QSet<const DbcSignal *> written;
    for (size_t pass = 0; pass < count; ++pass) {
        bool wroteAny = false;
        for (const DecodedSignal &decoded : decodeMessage(message, frame)) {
            const DbcSignal *signal = decoded.signal;
            if (signal->multiplex != DbcSignal::Multiplex::Multiplexed || written.contains(signal))
                continue;
            const size_t i = size_t(signal - message.signalList.data());
            if (i < count)
                encodeSignal(*signal, bits[i], frame.data.data(), length);
            written.insert(signal);
            wroteAny = true;
        }
        if (!wroteAny)
            break;
    }
}

quint64 startBits(const DbcDatabase &database, const DbcSignal &signal)
{
    const bool given = signal.hasStartValue || database.hasDefaultStartValue;
    const double start = signal.hasStartValue ? signal.startValue : database.defaultStartValue;
    if (given && signal.valueType == DbcSignal::ValueType::Integer) {
        if (const auto bits = rawToBits(signal, qint64(std::llround(start))))
            return *bits;
    } else if (given) {
        // A float signal's start value is the raw number the bits hold.
        DbcSignal unscaled = signal;
        unscaled.factor = 1;
        unscaled.offset = 0;
        if (const auto bits = physicalToBits(unscaled, start))
            return *bits;
    }
    double physical = rawToPhysical(signal, 0);
    if (signal.minimum < signal.maximum)
        physical = std::clamp(physical, signal.minimum, signal.maximum);
    if (physical != rawToPhysical(signal, 0)) {
        if (const auto bits = physicalToBits(signal, physical))
            return *bits;
    }
    return 0;
}

int cycleTimeOf(const DbcDatabase &database, const DbcMessage &message)
{
    return message.cycleTimeMs >= 0 ? message.cycleTimeMs : database.defaultCycleTimeMs;
}

QStringList sendingNodes(const DbcDatabase &database)
{
    QStringList nodes;
    for (const DbcMessage &message : database.messages) {
        if (!message.sender.isEmpty() && message.sender != QLatin1String("Vector__XXX")
            && !nodes.contains(message.sender))
            nodes.append(message.sender);
    }
    nodes.sort();
    return nodes;
}
