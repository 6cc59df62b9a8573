#include "transmitrow.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

TransmitRow rowForMessage(const DbcDatabase &database, const DbcMessage &message)
{
    TransmitRow row;
    row.messageName = message.name;
    row.frame.identifier = message.identifier;
    row.frame.extended = message.extended;
    row.frame.fd = message.fd || message.length > CanFrame::ClassicMaxLength;
    row.frame.length = quint8(frameLengthFor(message));
    row.periodMs = std::max(0, cycleTimeOf(database, message));
    row.trigger = TransmitRow::Trigger::Cyclic;
    for (const DbcSignal &signal : message.signalList)
        row.signalBits.push_back(startBits(database, signal));
    row.counterSignal = proposedCounter(message);
    row.checksumSignal = proposedChecksum(message);
    if (!row.checksumSignal.isEmpty()) {
        const DbcSignal &signal = message.signalList[size_t(signalIndex(message, row.checksumSignal))];
        // A checksum found in the traffic names its algorithm in its comment.
        static const QRegularExpression named(QStringLiteral("^Checksum: (\\S+?)\\.?$"));
        const QRegularExpressionMatch match = named.match(signal.comment);
        const std::optional<ChecksumAlgorithm> found =
                match.hasMatch() ? parseChecksumAlgorithm(match.captured(1)) : std::nullopt;
        row.checksum = found ? *found
                             : *parseChecksumAlgorithm(signal.length > 8
                                                               ? QStringLiteral("crc16-xmodem")
                                                               : QStringLiteral("crc8-sae-j1850"));
    }
    row.frame = buildFrame(row, &message);
    return row;
}

int frameLengthFor(const DbcMessage &message)
{
    const bool fd = message.fd || message.length > CanFrame::ClassicMaxLength;
    return fd ? fdLengthFor(message.length) : std::clamp(message.length, 0, 8);
}

std::vector<quint64> signalBitsFromFrame(const DbcDatabase &database, const DbcMessage &message,
                                         const CanFrame &frame)
{
    std::vector<quint64> bits;
    for (const DbcSignal &signal : message.signalList)
        bits.push_back(startBits(database, signal));
    for (const DecodedSignal &decoded : decodeMessage(message, frame))
        bits[size_t(decoded.signal - message.signalList.data())] = decoded.rawUnsigned;
    return bits;
}

TransmitRow rowForFrame(const CanFrame &frame)
{
    TransmitRow row;
    row.frame = frame;
    row.trigger = TransmitRow::Trigger::OnDemand;
    return row;
}

int signalIndex(const DbcMessage &message, const QString &name)
{
    for (size_t i = 0; i < message.signalList.size(); ++i) {
        if (message.signalList[i].name == name)
            return int(i);
    }
    return -1;
}

namespace {

QString firstMatching(const DbcMessage &message, const QRegularExpression &pattern)
{
    for (const DbcSignal &signal : message.signalList) {
        if (pattern.match(signal.name).hasMatch())
            return signal.name;
    }
    return {};
}

} // namespace

QString proposedCounter(const DbcMessage &message)
{
    static const QRegularExpression pattern(QStringLiteral("COUNTER|CNT|ALIVE|_BZ$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return firstMatching(message, pattern);
}

QString proposedChecksum(const DbcMessage &message)
{
    static const QRegularExpression pattern(QStringLiteral("CHECKSUM|CHKSUM|CRC|_CS$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return firstMatching(message, pattern);
}

quint64 counterModulus(const DbcSignal &signal)
{
    const int bits = std::min(signal.length, 63);
    quint64 modulus = quint64(1) << bits;
    if (signal.minimum < signal.maximum && signal.factor > 0) {
        const double top = std::floor((signal.maximum - signal.offset) / signal.factor);
        if (top >= 0 && top + 1 < double(modulus))
            modulus = quint64(top) + 1;
    }
    return modulus;
}

quint64 signalBytes(const DbcSignal &signal)
{
    std::array<quint8, CanFrame::FdMaxLength> ones{};
    encodeSignal(signal, ~quint64(0), ones.data(), CanFrame::FdMaxLength);
    quint64 bytes = 0;
    for (int i = 0; i < CanFrame::FdMaxLength; ++i) {
        if (ones[size_t(i)])
            bytes |= quint64(1) << i;
    }
    return bytes;
}

std::optional<quint64> bitsForText(const DbcSignal &signal, const QString &text, QString *why)
{
    const auto refuse = [why](const QString &reason) {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    const QString trimmed = text.trimmed();
    for (auto it = signal.valueTexts.cbegin(); it != signal.valueTexts.cend(); ++it) {
        if (it.value() == trimmed) {
            if (const auto bits = rawToBits(signal, it.key()))
                return bits;
        }
    }
    bool ok = false;
    double physical = trimmed.toDouble(&ok);
    if (!ok)
        physical = QLocale().toDouble(trimmed, &ok);
    if (!ok)
        return refuse(QCoreApplication::translate("TransmitRow", "“%1”不是数值").arg(trimmed));
    if (signal.minimum < signal.maximum
        && (physical < signal.minimum || physical > signal.maximum))
        return refuse(QCoreApplication::translate("TransmitRow", "%1 超出 %2 的范围 [%3|%4]")
                              .arg(trimmed, signal.name)
                              .arg(signal.minimum)
                              .arg(signal.maximum));
    EncodeProblem problem = EncodeProblem::None;
    const auto bits = physicalToBits(signal, physical, &problem);
    if (bits)
        return bits;
    if (problem == EncodeProblem::NoFactor)
        return refuse(QCoreApplication::translate("TransmitRow", "%1 的系数为 0").arg(signal.name));
    const auto [low, high] = rawLimits(signal);
    const double a = rawToPhysical(signal, low), b = rawToPhysical(signal, high);
    return refuse(QCoreApplication::translate("TransmitRow", "%1 的 %2 位只能表示 %3 到 %4")
                          .arg(signal.name)
                          .arg(signal.length)
                          .arg(std::min(a, b), 0, 'g', 12)
                          .arg(std::max(a, b), 0, 'g', 12));
}

DecodedSignal decodeBits(const DbcSignal &signal, quint64 bits)
{
    // The signal placed alone in a frame of its own.
    std::array<quint8, CanFrame::FdMaxLength> data{};
    encodeSignal(signal, bits, data.data(), CanFrame::FdMaxLength);
    return decodeSignal(signal, data.data(), CanFrame::FdMaxLength);
}

CanFrame buildFrame(const TransmitRow &row, const DbcMessage *message)
{
    CanFrame frame = row.frame;
    if (!message)
        return frame;
    encodeMessage(*message, row.signalBits, frame);
    const int checksumAt = signalIndex(*message, row.checksumSignal);
    if (checksumAt >= 0) {
        const DbcSignal &signal = message->signalList[size_t(checksumAt)];
        const quint32 value = computeChecksum(row.checksum, frame, signalBytes(signal));
        const quint64 mask = signal.length >= 64 ? ~quint64(0) : (quint64(1) << signal.length) - 1;
        encodeSignal(signal, value & mask, frame.data.data(), frame.length);
    }
    return frame;
}

void advanceCounter(TransmitRow &row, const DbcMessage *message)
{
    if (!message)
        return;
    const int at = signalIndex(*message, row.counterSignal);
    if (at < 0 || size_t(at) >= row.signalBits.size())
        return;
    quint64 &bits = row.signalBits[size_t(at)];
    bits = (bits + 1) % counterModulus(message->signalList[size_t(at)]);
}

IntegrityCheck::IntegrityCheck(const DbcMessage *message, const QString &counter,
                               const QString &checksum, const ChecksumAlgorithm &algorithm)
    : message(message), algorithm(algorithm)
{
    if (message) {
        counterIndex = signalIndex(*message, counter);
        checksumIndex = signalIndex(*message, checksum);
    }
}

void IntegrityCheck::check(const CanFrame &frame, qint64 timeUs)
{
    if (!message || frame.remote || frame.error)
        return;
    const quint8 *data = frame.data.data();
    const int length = std::min<int>(frame.length, frame.maxLength());
    if (checksumIndex >= 0) {
        const DbcSignal &signal = message->signalList[size_t(checksumIndex)];
        const DecodedSignal carried = decodeSignal(signal, data, length);
        const quint64 mask = signal.length >= 64 ? ~quint64(0) : (quint64(1) << signal.length) - 1;
        if (carried.present
            && carried.rawUnsigned != (computeChecksum(algorithm, frame, signalBytes(signal)) & mask))
            ++checksumErrors;
    }
    if (counterIndex >= 0) {
        const DbcSignal &signal = message->signalList[size_t(counterIndex)];
        const DecodedSignal carried = decodeSignal(signal, data, length);
        if (!carried.present)
            return;
        // After a pause of more than a few periods (and not a mere burst's
        // jitter) the counter starts afresh.
        const qint64 gapUs = timeUs - lastUs;
        const bool afresh = !lastCounter || gapUs > std::max(4 * lastGapUs, PauseUs);
        if (!afresh && carried.rawUnsigned != (*lastCounter + 1) % counterModulus(signal))
            ++counterErrors;
        if (lastCounter)
            lastGapUs = gapUs;
        lastCounter = carried.rawUnsigned;
        lastUs = timeUs;
    }
}
