#ifndef BITFIELD_H
#define BITFIELD_H

#include "canframe.h"

#include <QtGlobal>

#include <array>

// A run of up to 32 payload bits read as an integer, packed small: the
// analysis keeps hundreds of thousands of them. Bits are numbered as in a
// DBC file: bit n is bit n % 8 (0 the lowest) of byte n / 8; an Intel field
// runs upwards from its start bit, a Motorola one starts at its most
// significant bit and runs down through the byte, then on into the next.
struct BitField
{
    static constexpr int MaxValueLength = 32; // what fieldValue() reads

    quint16 startBit = 0; // as a DBC file writes it
    quint16 length = 1;
    bool littleEndian = true;
    bool isSigned = false;

    friend bool operator==(const BitField &a, const BitField &b)
    {
        return a.startBit == b.startBit && a.length == b.length
                && a.littleEndian == b.littleEndian && a.isSigned == b.isSigned;
    }
    friend bool operator!=(const BitField &a, const BitField &b) { return !(a == b); }
};

// One bit a payload position: 512 bits, the most an FD frame carries.
using BitMask = std::array<quint64, CanFrame::FdMaxLength / 8>;

// The bits a field occupies; false when it does not fit in `bytes` bytes.
bool fieldMask(const BitField &field, int bytes, BitMask *mask);
// The number of bytes a field needs the frame to have.
int fieldEndByte(const BitField &field);
// The value of a field of up to MaxValueLength bits in `data`, which holds
// at least fieldEndByte() bytes plus four (zero beyond the frame).
qint64 fieldValue(const BitField &field, const quint8 *data);
// The field a drag over the bits from `from` to `to` marks: the bit it began
// on is the most significant. Within one byte the field runs between them;
// downwards into later bytes it is Motorola (the first byte the most
// significant), upwards Intel.
BitField fieldBetween(int from, int to);
// Whether two masks share a bit.
bool intersects(const BitMask &a, const BitMask &b);

#endif // BITFIELD_H
