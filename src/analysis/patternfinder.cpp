#include "patternfinder.h"

#include <QSet>

#include <algorithm>
#include <map>

namespace {

constexpr int MaxCounterLength = 16;

using Kind = ChecksumAlgorithm::Kind;

int lowestBit(const BitField &field)
{
    if (field.littleEndian)
        return field.startBit;
    const int fromTop = field.startBit / 8 * 8 + 7 - field.startBit % 8 + field.length - 1;
    return fromTop / 8 * 8 + 7 - fromTop % 8;
}

int highestBit(const BitField &field)
{
    return field.littleEndian ? field.startBit + field.length - 1 : field.startBit;
}

int commonLength(const std::vector<CanFrame> &frames)
{
    int length = CanFrame::FdMaxLength;
    for (const CanFrame &frame : frames)
        length = std::min<int>(length, frame.length);
    return length;
}

std::array<quint8, CanFrame::FdMaxLength + 4> padded(const CanFrame &frame)
{
    std::array<quint8, CanFrame::FdMaxLength + 4> bytes{};
    std::copy(frame.data.cbegin(), frame.data.cend(), bytes.begin());
    return bytes;
}

ChecksumAlgorithm preset(const char *name)
{
    return *parseChecksumAlgorithm(QLatin1String(name));
}

// Every algorithm tried, as (algorithm, width).
std::vector<ChecksumAlgorithm> candidateAlgorithms()
{
    std::vector<ChecksumAlgorithm> list;
    for (const char *name : { "crc8-sae-j1850", "crc8-h2f", "crc8-gsm-a", "crc16-xmodem",
                              "toyota", "subaru", "tesla", "honda" })
        list.push_back(preset(name));
    for (const quint32 poly : { 0x07u, 0x1Du, 0x2Fu, 0x31u, 0x39u, 0x9Bu, 0xD5u }) {
        for (const quint32 init : { 0x00u, 0xFFu }) {
            for (const quint32 xorOut : { 0x00u, 0xFFu }) {
                for (const bool reflect : { false, true }) {
                    ChecksumAlgorithm crc = preset("crc8");
                    crc.poly = poly;
                    crc.init = init;
                    crc.xorOut = xorOut;
                    crc.reflectIn = crc.reflectOut = reflect;
                    list.push_back(crc);
                }
            }
        }
    }
    return list;
}

bool sameAlgorithm(const ChecksumAlgorithm &a, const ChecksumAlgorithm &b)
{
    return a.kind == b.kind && a.width == b.width && a.poly == b.poly && a.init == b.init
            && a.xorOut == b.xorOut && a.reflectIn == b.reflectIn && a.reflectOut == b.reflectOut;
}

} // namespace

std::vector<CounterFinding> findCounters(const std::vector<CanFrame> &frames, double minimumShare)
{
    std::vector<CounterFinding> found;
    const int length = commonLength(frames);
    if (frames.size() < 3 || length == 0)
        return found;
    std::vector<std::array<quint8, CanFrame::FdMaxLength + 4>> data;
    data.reserve(frames.size());
    BitMask changed{};
    for (const CanFrame &frame : frames) {
        data.push_back(padded(frame));
        for (int i = 0; i < length; ++i)
            changed[size_t(i / 8)] |= quint64(frame.data[size_t(i)] ^ frames.front().data[size_t(i)])
                    << (i % 8 * 8);
    }
    const auto bitChanges = [&](int bit) { return (changed[size_t(bit / 64)] >> (bit % 64)) & 1; };
    const auto tryField = [&](const BitField &field) {
        if (fieldEndByte(field) > length || !bitChanges(highestBit(field)))
            return;
        std::vector<qint64> values;
        values.reserve(data.size());
        for (const auto &bytes : data)
            values.push_back(fieldValue(field, bytes.data()));
        const qint64 highest = *std::max_element(values.cbegin(), values.cend());
        const qint64 modulo = qint64(1) << field.length;
        size_t counted = 0;
        for (size_t i = 1; i < values.size(); ++i) {
            const qint64 step = (values[i] - values[i - 1] + modulo) % modulo;
            counted += step == 1 || (values[i] == 0 && values[i - 1] == highest);
        }
        const double share = double(counted) / double(values.size() - 1);
        if (share >= minimumShare)
            found.push_back({ field, share, highest });
    };
    for (int start = 0; start < length * 8; ++start) {
        for (int size = 2; size <= MaxCounterLength; ++size) {
            tryField(BitField{ quint16(start), quint16(size), true, false });
            const int fromTop = start / 8 * 8 + 7 - start % 8;
            if (fromTop % 8 + size > 8) // within a byte the same bits as Intel
                tryField(BitField{ quint16(start), quint16(size), false, false });
        }
    }
    // Of the fields ending in one bit, the longest.
    std::map<int, CounterFinding> longest;
    for (const CounterFinding &finding : found) {
        auto it = longest.find(lowestBit(finding.field));
        if (it == longest.end() || it->second.field.length < finding.field.length)
            longest[lowestBit(finding.field)] = finding;
    }
    found.clear();
    for (const auto &entry : longest)
        found.push_back(entry.second);
    return found;
}

std::vector<ChecksumFinding> findChecksums(const std::vector<CanFrame> &frames, double minimumShare)
{
    std::vector<ChecksumFinding> found;
    const int length = commonLength(frames);
    if (frames.size() < 3 || length < 2)
        return found;

    struct Place
    {
        BitField field;
        quint64 bytes; // the data bytes the checksum occupies
    };
    const auto byteField = [](int byte, int size, bool littleEndian) {
        return BitField{ quint16(littleEndian ? byte * 8 : byte * 8 + 7), quint16(size),
                         littleEndian, false };
    };
    std::vector<Place> places8 = { { byteField(0, 8, true), 1 },
                                   { byteField(length - 1, 8, true),
                                     quint64(1) << (length - 1) } };
    std::vector<Place> places16;
    if (length >= 3) {
        const quint64 head = 3, tail = quint64(3) << (length - 2);
        places16 = { { byteField(0, 16, true), head }, { byteField(0, 16, false), head },
                     { byteField(length - 2, 16, true), tail },
                     { byteField(length - 2, 16, false), tail } };
    }
    const Place honda = { BitField{ quint16((length - 1) * 8), 4, true, false },
                          quint64(1) << (length - 1) };

    // A place that holds one value throughout proves nothing.
    const auto varies = [&](const BitField &field) {
        QSet<qint64> values;
        for (const CanFrame &frame : frames)
            values.insert(fieldValue(field, padded(frame).data()));
        return values.size() >= 3;
    };
    const auto matchShare = [&](const ChecksumAlgorithm &algorithm, const Place &place) {
        int matched = 0;
        for (const CanFrame &frame : frames) {
            const quint32 expected = computeChecksum(algorithm, frame, place.bytes);
            matched += quint32(fieldValue(place.field, padded(frame).data())) == expected;
        }
        return double(matched) / double(frames.size());
    };
    const auto keep = [&](const ChecksumAlgorithm &algorithm, const Place &place, double share) {
        if (share >= minimumShare)
            found.push_back({ place.field, algorithm, checksumAlgorithmText(algorithm), share });
    };

    for (const ChecksumAlgorithm &algorithm : candidateAlgorithms()) {
        const std::vector<Place> &places = algorithm.kind == Kind::Honda ? std::vector<Place>{ honda }
                : algorithm.width == 16                                 ? places16
                                                                        : places8;
        for (const Place &place : places) {
            if (varies(place.field))
                keep(algorithm, place, matchShare(algorithm, place));
        }
    }
    // XOR and sum with a start value of the message's own: the one most frames agree on.
    for (const Kind kind : { Kind::Xor8, Kind::Sum8 }) {
        for (const Place &place : places8) {
            if (!varies(place.field))
                continue;
            ChecksumAlgorithm algorithm = preset(kind == Kind::Xor8 ? "xor8" : "sum8");
            std::array<int, 256> votes{};
            for (const CanFrame &frame : frames) {
                const quint32 plain = computeChecksum(algorithm, frame, place.bytes);
                const auto actual = quint32(fieldValue(place.field, padded(frame).data()));
                ++votes[kind == Kind::Xor8 ? (actual ^ plain) & 0xFF : (actual - plain) & 0xFF];
            }
            algorithm.init = quint32(std::max_element(votes.cbegin(), votes.cend()) - votes.cbegin());
            keep(algorithm, place, matchShare(algorithm, place));
        }
    }
    // The same arithmetic under two names (the gsm-a preset and the generic
    // CRC with its parameters) is one finding.
    std::vector<ChecksumFinding> unique;
    for (const ChecksumFinding &finding : found) {
        const bool seen = std::any_of(unique.cbegin(), unique.cend(), [&](const ChecksumFinding &u) {
            return u.field == finding.field && sameAlgorithm(u.algorithm, finding.algorithm);
        });
        if (!seen)
            unique.push_back(finding);
    }
    std::stable_sort(unique.begin(), unique.end(),
                     [](const ChecksumFinding &a, const ChecksumFinding &b) { return a.share > b.share; });
    return unique;
}
