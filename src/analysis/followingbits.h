#ifndef FOLLOWINGBITS_H
#define FOLLOWINGBITS_H

#include "bitfield.h"

#include <vector>

class CaptureStore;

// A bit of some message that goes with a reference field.
struct FollowingBit
{
    quint32 identifier = 0;
    bool extended = false;
    int bit = 0; // byte * 8 + bit, bit 0 the lowest
    double agreement = 0.0; // share of the reference's frames where it agreed
    bool inverted = false; // it agreed by being the opposite
};

// The bits of every message whose values go with the reference field of the
// message `key` in the span: at each of the reference's frames, every other
// bit's latest value is compared with whether the reference stands in the
// upper half of its range in the span. Ranked by agreement (inverted bits
// too), the best `limit`; bits that never change in the span and the
// reference's own bits are left out. Empty when the reference never changes.
std::vector<FollowingBit> followingBits(const CaptureStore &capture, quint64 key,
                                        const BitField &reference, qint64 fromUs, qint64 toUs,
                                        size_t limit = 50);

#endif // FOLLOWINGBITS_H
