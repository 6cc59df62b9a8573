#include "checksum.h"

#include <boost/crc.hpp>

#include <algorithm>
#include <array>

namespace {

using Kind = ChecksumAlgorithm::Kind;
using Place = ChecksumAlgorithm::DataIdPlace;
using P01Mode = ChecksumAlgorithm::P01Mode;

constexpr int MaxDataIds = 16;
constexpr int LastDataByte = CanFrame::FdMaxLength - 1;

struct Named
{
    const char *name;
    ChecksumAlgorithm algorithm;
};

ChecksumAlgorithm crc(Kind kind, int width, quint32 poly, quint32 init, quint32 xorOut)
{
    ChecksumAlgorithm s;
    s.kind = kind;
    s.width = width;
    s.poly = poly;
    s.init = init;
    s.xorOut = xorOut;
    return s;
}

// Kinds without a CRC engine: their parameters all zero so that only what
// the user changed shows in the text.
ChecksumAlgorithm plain(Kind kind, int width = 8)
{
    return crc(kind, width, 0, 0, 0);
}

// Presets first, then the generic CRCs: a text picks the first name on ties.
const std::array<Named, 15> &names()
{
    static const std::array<Named, 15> list = { {
            { "crc8-sae-j1850", crc(Kind::Crc8, 8, 0x1D, 0xFF, 0xFF) },
            { "crc8-h2f", crc(Kind::Crc8, 8, 0x2F, 0xFF, 0xFF) },
            { "crc8-gsm-a", crc(Kind::Crc8, 8, 0x1D, 0x00, 0x00) },
            { "crc16-xmodem", crc(Kind::Crc16, 16, 0x1021, 0x0000, 0x0000) },
            { "xor8", plain(Kind::Xor8) },
            { "sum8", plain(Kind::Sum8) },
            { "toyota", plain(Kind::Toyota) },
            { "subaru", plain(Kind::Subaru) },
            { "tesla", plain(Kind::Tesla) },
            { "honda", plain(Kind::Honda, 4) },
            { "xor-init", plain(Kind::Xor8) },
            // The AUTOSAR routine's 0xFF start and final XOR cancel out when chained.
            { "e2e-p01", crc(Kind::E2eP01, 8, 0x1D, 0x00, 0x00) },
            { "e2e-p02", crc(Kind::E2eP02, 8, 0x2F, 0xFF, 0xFF) },
            { "crc8", crc(Kind::Crc8, 8, 0x1D, 0xFF, 0xFF) },
            { "crc16", crc(Kind::Crc16, 16, 0x1021, 0x0000, 0x0000) },
    } };
    return list;
}

const char *const keys[] = { "poly",  "init",   "xorout",      "refin",   "refout",
                             "bytes", "dataid", "dataidplace", "p01mode", "dataids" };
const char *const p01Modes[] = { "both", "alt", "low", "nibble" };

QString joined(const char *const *begin, const char *const *end)
{
    QStringList words;
    for (auto it = begin; it != end; ++it)
        words << QLatin1String(*it);
    return words.join(QLatin1String(", "));
}

// Decimal, or hexadecimal after 0x; no sign, no blanks, no octal surprise
// from a leading zero.
std::optional<quint32> number(const QString &text)
{
    QString digits = text;
    int base = 10;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        digits = digits.mid(2);
        base = 16;
    }
    if (digits.isEmpty() || digits.size() > 10)
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : digits) {
        const int d = base == 16 ? hexDigitValue(c.unicode())
                                 : (c >= u'0' && c <= u'9' ? c.unicode() - '0' : -1);
        if (d < 0)
            return std::nullopt;
        value = value * quint64(base) + quint64(d);
    }
    if (value > 0xFFFFFFFFu)
        return std::nullopt;
    return quint32(value);
}

QString hex(quint32 value)
{
    return QLatin1String("0x") + QString::number(value, 16);
}

void fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
}

// The parameters that differ from `base`, or nothing when the text cannot
// name the difference (a width the kind does not have).
std::optional<QStringList> differences(const ChecksumAlgorithm &algorithm, const ChecksumAlgorithm &base)
{
    if (algorithm.kind != base.kind || algorithm.width != base.width)
        return std::nullopt;
    QStringList out;
    if (algorithm.poly != base.poly)
        out << QLatin1String("poly=") + hex(algorithm.poly);
    if (algorithm.init != base.init)
        out << QLatin1String("init=") + hex(algorithm.init);
    if (algorithm.xorOut != base.xorOut)
        out << QLatin1String("xorout=") + hex(algorithm.xorOut);
    if (algorithm.reflectIn != base.reflectIn)
        out << QLatin1String("refin=") + QString::number(int(algorithm.reflectIn));
    if (algorithm.reflectOut != base.reflectOut)
        out << QLatin1String("refout=") + QString::number(int(algorithm.reflectOut));
    if (algorithm.firstByte >= 0 && algorithm.lastByte >= 0)
        out << QStringLiteral("bytes=%1-%2").arg(algorithm.firstByte).arg(algorithm.lastByte);
    // A data ID with no place is never fed: leaving it out computes the same.
    if (algorithm.dataIdPlace != Place::None) {
        out << QLatin1String("dataid=") + hex(algorithm.dataId);
        if (algorithm.dataIdPlace == Place::After)
            out << QStringLiteral("dataidplace=after");
    }
    if (algorithm.p01Mode != base.p01Mode)
        out << QLatin1String("p01mode=") + QLatin1String(p01Modes[int(algorithm.p01Mode)]);
    if (algorithm.dataIdList != base.dataIdList) {
        QStringList ids;
        for (const quint8 id : algorithm.dataIdList)
            ids << hex(id);
        out << QLatin1String("dataids=") + ids.join(u'/');
    }
    return out;
}

template<int Bits>
quint32 crcWith(const ChecksumAlgorithm &algorithm, const quint8 *bytes, int count)
{
    boost::crc_basic<Bits> engine(algorithm.poly, algorithm.init, algorithm.xorOut, algorithm.reflectIn,
                                  algorithm.reflectOut);
    if (bytes && count > 0)
        engine.process_bytes(bytes, size_t(count));
    return quint32(engine.checksum());
}

// Both bytes of a data ID, or the low one alone when that holds all of it.
void appendDataId(std::vector<quint8> &out, quint16 dataId)
{
    out.push_back(quint8(dataId & 0xFF));
    if (dataId >= 0x100)
        out.push_back(quint8(dataId >> 8));
}

quint32 identifierByteSum(quint32 id)
{
    return (id & 0xFF) + ((id >> 8) & 0xFF) + ((id >> 16) & 0xFF) + ((id >> 24) & 0xFF);
}

quint32 byteSum(const std::vector<quint8> &bytes, quint32 start = 0)
{
    quint32 sum = start;
    for (const quint8 b : bytes)
        sum += b;
    return sum;
}

} // namespace

QStringList checksumNames()
{
    QStringList out;
    for (const Named &n : names())
        out << QLatin1String(n.name);
    return out;
}

std::optional<ChecksumAlgorithm> parseChecksumAlgorithm(const QString &text, QString *error)
{
    const QString trimmed = text.trimmed();
    const int colon = trimmed.indexOf(u':');
    const QString name = (colon < 0 ? trimmed : trimmed.left(colon)).trimmed().toLower();
    const Named *found = nullptr;
    for (const Named &n : names()) {
        if (name == QLatin1String(n.name))
            found = &n;
    }
    if (!found) {
        fail(error,
             QStringLiteral("unknown checksum '%1'; one of: %2")
                     .arg(name, checksumNames().join(QLatin1String(", "))));
        return std::nullopt;
    }
    ChecksumAlgorithm algorithm = found->algorithm;
    if (colon < 0)
        return algorithm;

    const quint32 widthMask = algorithm.width >= 32 ? 0xFFFFFFFFu : (1u << algorithm.width) - 1;
    QStringList seen;
    bool placeGiven = false;
    bool idGiven = false;
    for (const QString &rawItem : trimmed.mid(colon + 1).split(u',')) {
        const QString item = rawItem.trimmed();
        const int eq = item.indexOf(u'=');
        if (eq < 0) {
            fail(error, QStringLiteral("expected key=value, not '%1'").arg(item));
            return std::nullopt;
        }
        const QString key = item.left(eq).trimmed().toLower();
        const QString value = item.mid(eq + 1).trimmed();
        if (std::find_if(std::begin(keys), std::end(keys),
                         [&](const char *k) { return key == QLatin1String(k); })
            == std::end(keys)) {
            fail(error,
                 QStringLiteral("unknown parameter '%1'; one of: %2")
                         .arg(key, joined(std::begin(keys), std::end(keys))));
            return std::nullopt;
        }
        if (seen.contains(key)) {
            fail(error, QStringLiteral("%1 given twice").arg(key));
            return std::nullopt;
        }
        seen << key;
        const auto bad = [&] {
            fail(error, QStringLiteral("bad value '%1' for %2").arg(value, key));
            return std::nullopt;
        };
        const std::optional<quint32> n = number(value);

        if (key == QLatin1String("poly") || key == QLatin1String("init")
            || key == QLatin1String("xorout")) {
            if (!n)
                return bad();
            if ((*n & ~widthMask) != 0) {
                fail(error,
                     QStringLiteral("%1 %2 does not fit in %3 bits")
                             .arg(key, value)
                             .arg(algorithm.width));
                return std::nullopt;
            }
            (key == QLatin1String("poly")           ? algorithm.poly
                     : key == QLatin1String("init") ? algorithm.init
                                                    : algorithm.xorOut) = *n;
        } else if (key == QLatin1String("refin") || key == QLatin1String("refout")) {
            if (!n || *n > 1)
                return bad();
            (key == QLatin1String("refin") ? algorithm.reflectIn : algorithm.reflectOut) = *n == 1;
        } else if (key == QLatin1String("bytes")) {
            const QStringList range = value.split(u'-');
            if (range.size() != 2)
                return bad();
            const std::optional<quint32> first = number(range[0].trimmed());
            const std::optional<quint32> last = number(range[1].trimmed());
            if (!first || !last || *first > *last || *last > quint32(LastDataByte))
                return bad();
            algorithm.firstByte = int(*first);
            algorithm.lastByte = int(*last);
        } else if (key == QLatin1String("dataid")) {
            if (!n || *n > 0xFFFF)
                return bad();
            algorithm.dataId = quint16(*n);
            idGiven = true;
        } else if (key == QLatin1String("dataidplace")) {
            const QString place = value.toLower();
            if (place == QLatin1String("before"))
                algorithm.dataIdPlace = Place::Before;
            else if (place == QLatin1String("after"))
                algorithm.dataIdPlace = Place::After;
            else
                return bad();
            placeGiven = true;
        } else if (key == QLatin1String("p01mode")) {
            const auto mode =
                    std::find_if(std::begin(p01Modes), std::end(p01Modes), [&](const char *m) {
                        return value.compare(QLatin1String(m), Qt::CaseInsensitive) == 0;
                    });
            if (mode == std::end(p01Modes))
                return bad();
            algorithm.p01Mode = P01Mode(mode - std::begin(p01Modes));
        } else { // dataids
            const QStringList ids = value.split(u'/');
            if (ids.size() > MaxDataIds)
                return bad();
            algorithm.dataIdList.clear();
            for (const QString &id : ids) {
                const std::optional<quint32> v = number(id.trimmed());
                if (!v || *v > 0xFF)
                    return bad();
                algorithm.dataIdList.push_back(quint8(*v));
            }
        }
    }
    if (idGiven && !placeGiven)
        algorithm.dataIdPlace = Place::Before;
    return algorithm;
}

QString checksumAlgorithmText(const ChecksumAlgorithm &algorithm)
{
    // The name that needs the fewest parameters; presets win ties.
    QString best;
    qsizetype fewest = -1;
    for (const Named &n : names()) {
        const std::optional<QStringList> diff = differences(algorithm, n.algorithm);
        if (!diff || (fewest >= 0 && diff->size() >= fewest))
            continue;
        fewest = diff->size();
        best = QLatin1String(n.name);
        if (!diff->isEmpty())
            best += u':' + diff->join(u',');
    }
    return best;
}

quint32 crcOf(const ChecksumAlgorithm &algorithm, const quint8 *bytes, int count)
{
    return algorithm.width == 16 ? crcWith<16>(algorithm, bytes, count) : crcWith<8>(algorithm, bytes, count);
}

quint32 computeChecksum(const ChecksumAlgorithm &algorithm, const CanFrame &frame, quint64 checksumBytes)
{
    const int length = std::min<int>(frame.length, CanFrame::FdMaxLength);
    const bool e2e = algorithm.kind == Kind::E2eP01 || algorithm.kind == Kind::E2eP02;

    std::vector<quint8> covered;
    if (algorithm.firstByte >= 0 && algorithm.lastByte >= 0) {
        for (int i = algorithm.firstByte; i <= std::min(algorithm.lastByte, length - 1); ++i)
            covered.push_back(frame.data[size_t(i)]);
    } else {
        // E2E keeps its CRC in byte 0; Honda's sits in a nibble, not a whole byte.
        const int first = e2e ? 1 : 0;
        for (int i = first; i < length; ++i) {
            if (e2e || algorithm.kind == Kind::Honda || !(checksumBytes & (quint64(1) << i)))
                covered.push_back(frame.data[size_t(i)]);
        }
    }

    if (algorithm.kind == Kind::E2eP01) {
        const int counter = length > 1 ? frame.data[1] & 0x0F : 0;
        const quint8 low = quint8(algorithm.dataId & 0xFF);
        const quint8 high = quint8(algorithm.dataId >> 8);
        std::vector<quint8> bytes;
        switch (algorithm.p01Mode) {
        case P01Mode::Both:
            bytes = { low, high };
            break;
        case P01Mode::Alternating:
            bytes = { counter % 2 == 0 ? low : high };
            break;
        case P01Mode::Low:
            bytes = { low };
            break;
        case P01Mode::Nibble:
            bytes = { low, 0x00 };
            break;
        }
        bytes.insert(bytes.end(), covered.begin(), covered.end());
        return crcOf(algorithm, bytes.data(), int(bytes.size()));
    }
    if (algorithm.kind == Kind::E2eP02) {
        const size_t counter = length > 1 ? frame.data[1] & 0x0F : 0;
        covered.push_back(counter < algorithm.dataIdList.size() ? algorithm.dataIdList[counter] : 0);
        return crcOf(algorithm, covered.data(), int(covered.size()));
    }
    if (algorithm.kind == Kind::Honda) {
        quint32 sum = 0;
        for (int shift = 0; shift < 32; shift += 4)
            sum += (frame.identifier >> shift) & 0xF;
        for (const quint8 b : covered)
            sum += (b >> 4) + (b & 0xF);
        // The last nibble holds the checksum itself.
        const bool lastCovered =
                algorithm.firstByte < 0 || (algorithm.firstByte <= length - 1 && algorithm.lastByte >= length - 1);
        if (length > 0 && lastCovered)
            sum -= frame.data[size_t(length - 1)] & 0xF;
        const quint32 offset = frame.identifier > 0x7FF ? 3 : 0;
        return (8 - sum + offset) & 0xF;
    }

    std::vector<quint8> bytes;
    if (algorithm.dataIdPlace == Place::Before)
        appendDataId(bytes, algorithm.dataId);
    bytes.insert(bytes.end(), covered.begin(), covered.end());
    if (algorithm.dataIdPlace == Place::After)
        appendDataId(bytes, algorithm.dataId);

    switch (algorithm.kind) {
    case Kind::Xor8: {
        quint32 x = algorithm.init & 0xFF;
        for (const quint8 b : bytes)
            x ^= b;
        return x & 0xFF;
    }
    case Kind::Sum8:
        return byteSum(bytes, algorithm.init & 0xFF) & 0xFF;
    case Kind::Toyota:
        return byteSum(bytes, quint32(length) + identifierByteSum(frame.identifier)) & 0xFF;
    case Kind::Subaru:
        return byteSum(bytes, identifierByteSum(frame.identifier)) & 0xFF;
    case Kind::Tesla:
        return byteSum(bytes, (frame.identifier & 0xFF) + ((frame.identifier >> 8) & 0xFF)) & 0xFF;
    case Kind::Crc8:
    case Kind::Crc16:
    default:
        return crcOf(algorithm, bytes.data(), int(bytes.size()));
    }
}
