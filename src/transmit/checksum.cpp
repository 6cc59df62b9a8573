#include "checksum.h"

#include <boost/crc.hpp>

#include <algorithm>
#include <array>

namespace {

using Kind = ChecksumSpec::Kind;
using Place = ChecksumSpec::DataIdPlace;
using P01Mode = ChecksumSpec::P01Mode;

constexpr int MaxDataIds = 16;
constexpr int LastDataByte = CanFrame::FdMaxLength - 1;

struct Named
{
    const char *name;
    ChecksumSpec spec;
};

ChecksumSpec crc(Kind kind, int width, quint32 poly, quint32 init, quint32 xorOut)
{
    ChecksumSpec s;
    s.kind = kind;
    s.width = width;
    s.poly = poly;
    s.init = init;
    s.xorOut = xorOut;
    return s;
}

// Kinds without a CRC engine: their parameters all zero so that only what
// the user changed shows in the text.
ChecksumSpec plain(Kind kind, int width = 8)
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
std::optional<QStringList> differences(const ChecksumSpec &spec, const ChecksumSpec &base)
{
    if (spec.kind != base.kind || spec.width != base.width)
        return std::nullopt;
    QStringList out;
    if (spec.poly != base.poly)
        out << QLatin1String("poly=") + hex(spec.poly);
    if (spec.init != base.init)
        out << QLatin1String("init=") + hex(spec.init);
    if (spec.xorOut != base.xorOut)
        out << QLatin1String("xorout=") + hex(spec.xorOut);
    if (spec.reflectIn != base.reflectIn)
        out << QLatin1String("refin=") + QString::number(int(spec.reflectIn));
    if (spec.reflectOut != base.reflectOut)
        out << QLatin1String("refout=") + QString::number(int(spec.reflectOut));
    if (spec.firstByte >= 0 && spec.lastByte >= 0)
        out << QStringLiteral("bytes=%1-%2").arg(spec.firstByte).arg(spec.lastByte);
    // A data ID with no place is never fed: leaving it out computes the same.
    if (spec.dataIdPlace != Place::None) {
        out << QLatin1String("dataid=") + hex(spec.dataId);
        if (spec.dataIdPlace == Place::After)
            out << QStringLiteral("dataidplace=after");
    }
    if (spec.p01Mode != base.p01Mode)
        out << QLatin1String("p01mode=") + QLatin1String(p01Modes[int(spec.p01Mode)]);
    if (spec.dataIdList != base.dataIdList) {
        QStringList ids;
        for (const quint8 id : spec.dataIdList)
            ids << hex(id);
        out << QLatin1String("dataids=") + ids.join(u'/');
    }
    return out;
}

template<int Bits>
quint32 crcWith(const ChecksumSpec &spec, const quint8 *bytes, int count)
{
    boost::crc_basic<Bits> engine(spec.poly, spec.init, spec.xorOut, spec.reflectIn,
                                  spec.reflectOut);
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

std::optional<ChecksumSpec> parseChecksumSpec(const QString &text, QString *error)
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
    ChecksumSpec spec = found->spec;
    if (colon < 0)
        return spec;

    const quint32 widthMask = spec.width >= 32 ? 0xFFFFFFFFu : (1u << spec.width) - 1;
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
                             .arg(spec.width));
                return std::nullopt;
            }
            (key == QLatin1String("poly")           ? spec.poly
                     : key == QLatin1String("init") ? spec.init
                                                    : spec.xorOut) = *n;
        } else if (key == QLatin1String("refin") || key == QLatin1String("refout")) {
            if (!n || *n > 1)
                return bad();
            (key == QLatin1String("refin") ? spec.reflectIn : spec.reflectOut) = *n == 1;
        } else if (key == QLatin1String("bytes")) {
            const QStringList range = value.split(u'-');
            if (range.size() != 2)
                return bad();
            const std::optional<quint32> first = number(range[0].trimmed());
            const std::optional<quint32> last = number(range[1].trimmed());
            if (!first || !last || *first > *last || *last > quint32(LastDataByte))
                return bad();
            spec.firstByte = int(*first);
            spec.lastByte = int(*last);
        } else if (key == QLatin1String("dataid")) {
            if (!n || *n > 0xFFFF)
                return bad();
            spec.dataId = quint16(*n);
            idGiven = true;
        } else if (key == QLatin1String("dataidplace")) {
            const QString place = value.toLower();
            if (place == QLatin1String("before"))
                spec.dataIdPlace = Place::Before;
            else if (place == QLatin1String("after"))
                spec.dataIdPlace = Place::After;
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
            spec.p01Mode = P01Mode(mode - std::begin(p01Modes));
        } else { // dataids
            const QStringList ids = value.split(u'/');
            if (ids.size() > MaxDataIds)
                return bad();
            spec.dataIdList.clear();
            for (const QString &id : ids) {
                const std::optional<quint32> v = number(id.trimmed());
                if (!v || *v > 0xFF)
                    return bad();
                spec.dataIdList.push_back(quint8(*v));
            }
        }
    }
    if (idGiven && !placeGiven)
        spec.dataIdPlace = Place::Before;
    return spec;
}

QString checksumSpecText(const ChecksumSpec &spec)
{
    // The name that needs the fewest parameters; presets win ties.
    QString best;
    qsizetype fewest = -1;
    for (const Named &n : names()) {
        const std::optional<QStringList> diff = differences(spec, n.spec);
        if (!diff || (fewest >= 0 && diff->size() >= fewest))
            continue;
        fewest = diff->size();
        best = QLatin1String(n.name);
        if (!diff->isEmpty())
            best += u':' + diff->join(u',');
    }
    return best;
}

quint32 crcOf(const ChecksumSpec &spec, const quint8 *bytes, int count)
{
    return spec.width == 16 ? crcWith<16>(spec, bytes, count) : crcWith<8>(spec, bytes, count);
}

quint32 computeChecksum(const ChecksumSpec &spec, const CanFrame &frame, quint64 checksumBytes)
{
    const int length = std::min<int>(frame.length, CanFrame::FdMaxLength);
    const bool e2e = spec.kind == Kind::E2eP01 || spec.kind == Kind::E2eP02;

    std::vector<quint8> covered;
    if (spec.firstByte >= 0 && spec.lastByte >= 0) {
        for (int i = spec.firstByte; i <= std::min(spec.lastByte, length - 1); ++i)
            covered.push_back(frame.data[size_t(i)]);
    } else {
        // E2E keeps its CRC in byte 0; Honda's sits in a nibble, not a whole byte.
        const int first = e2e ? 1 : 0;
        for (int i = first; i < length; ++i) {
            if (e2e || spec.kind == Kind::Honda || !(checksumBytes & (quint64(1) << i)))
                covered.push_back(frame.data[size_t(i)]);
        }
    }

    if (spec.kind == Kind::E2eP01) {
        const int counter = length > 1 ? frame.data[1] & 0x0F : 0;
        const quint8 low = quint8(spec.dataId & 0xFF);
        const quint8 high = quint8(spec.dataId >> 8);
        std::vector<quint8> bytes;
        switch (spec.p01Mode) {
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
        return crcOf(spec, bytes.data(), int(bytes.size()));
    }
    if (spec.kind == Kind::E2eP02) {
        const size_t counter = length > 1 ? frame.data[1] & 0x0F : 0;
        covered.push_back(counter < spec.dataIdList.size() ? spec.dataIdList[counter] : 0);
        return crcOf(spec, covered.data(), int(covered.size()));
    }
    if (spec.kind == Kind::Honda) {
        quint32 sum = 0;
        for (int shift = 0; shift < 32; shift += 4)
            sum += (frame.identifier >> shift) & 0xF;
        for (const quint8 b : covered)
            sum += (b >> 4) + (b & 0xF);
        // The last nibble holds the checksum itself.
        const bool lastCovered =
                spec.firstByte < 0 || (spec.firstByte <= length - 1 && spec.lastByte >= length - 1);
        if (length > 0 && lastCovered)
            sum -= frame.data[size_t(length - 1)] & 0xF;
        const quint32 offset = frame.identifier > 0x7FF ? 3 : 0;
        return (8 - sum + offset) & 0xF;
    }

    std::vector<quint8> bytes;
    if (spec.dataIdPlace == Place::Before)
        appendDataId(bytes, spec.dataId);
    bytes.insert(bytes.end(), covered.begin(), covered.end());
    if (spec.dataIdPlace == Place::After)
        appendDataId(bytes, spec.dataId);

    switch (spec.kind) {
    case Kind::Xor8: {
        quint32 x = spec.init & 0xFF;
        for (const quint8 b : bytes)
            x ^= b;
        return x & 0xFF;
    }
    case Kind::Sum8:
        return byteSum(bytes, spec.init & 0xFF) & 0xFF;
    case Kind::Toyota:
        return byteSum(bytes, quint32(length) + identifierByteSum(frame.identifier)) & 0xFF;
    case Kind::Subaru:
        return byteSum(bytes, identifierByteSum(frame.identifier)) & 0xFF;
    case Kind::Tesla:
        return byteSum(bytes, (frame.identifier & 0xFF) + ((frame.identifier >> 8) & 0xFF)) & 0xFF;
    case Kind::Crc8:
    case Kind::Crc16:
    default:
        return crcOf(spec, bytes.data(), int(bytes.size()));
    }
}
