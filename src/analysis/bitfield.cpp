#include "bitfield.h"

namespace {
// Bits counted from the first byte's top bit down: a Motorola field is a plain run of them.
int msbFirst(int bit)
{
    return bit / 8 * 8 + 7 - bit % 8;
}
} // namespace

int fieldEndByte(const BitField &field)
{
    if (field.littleEndian)
        return (field.startBit + field.length + 7) / 8;
    return (msbFirst(field.startBit) + field.length + 7) / 8;
}

bool fieldMask(const BitField &field, int bytes, BitMask *mask)
{
    mask->fill(0);
    if (field.length < 1 || fieldEndByte(field) > bytes)
        return false;
    for (int i = 0; i < field.length; ++i) {
        const int bit = field.littleEndian ? field.startBit + i
                                           : msbFirst(msbFirst(field.startBit) + i);
        (*mask)[size_t(bit / 64)] |= quint64(1) << (bit % 64);
    }
    return true;
}

qint64 fieldValue(const BitField &field, const quint8 *data)
{
    quint64 bits = 0;
    if (field.littleEndian) {
        const quint8 *p = data + field.startBit / 8;
        const quint64 word = quint64(p[0]) | quint64(p[1]) << 8 | quint64(p[2]) << 16
                | quint64(p[3]) << 24 | quint64(p[4]) << 32;
        bits = word >> (field.startBit % 8);
    } else {
        const int first = msbFirst(field.startBit);
        const quint8 *p = data + first / 8;
        const quint64 word = quint64(p[0]) << 32 | quint64(p[1]) << 24 | quint64(p[2]) << 16
                | quint64(p[3]) << 8 | quint64(p[4]);
        bits = word >> (40 - first % 8 - field.length);
    }
    bits &= (quint64(1) << field.length) - 1;
    if (field.isSigned && (bits >> (field.length - 1)) & 1)
        return qint64(bits) - (qint64(1) << field.length);
    return qint64(bits);
}

BitField fieldBetween(int from, int to)
{
    BitField field;
    if (from / 8 == to / 8 || from / 8 > to / 8) {
        field.startBit = quint16(std::min(from, to));
        field.length = quint16(std::abs(from - to) + 1);
        return field;
    }
    field.littleEndian = false;
    field.startBit = quint16(from);
    field.length = quint16(msbFirst(to) - msbFirst(from) + 1);
    return field;
}

bool intersects(const BitMask &a, const BitMask &b)
{
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] & b[i])
            return true;
    }
    return false;
}
