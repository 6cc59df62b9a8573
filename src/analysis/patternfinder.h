#ifndef PATTERNFINDER_H
#define PATTERNFINDER_H

#include "bitfield.h"
#include "checksum.h"

#include <QString>

#include <vector>

// Counters and checksums found in one message's frames (in the order they
// came). Each finding says which share of the frames it explains.

struct CounterFinding
{
    BitField field;
    double share = 0.0; // of consecutive pairs where it advanced by one
    qint64 highest = 0; // the highest value seen: where it wraps
};

struct ChecksumFinding
{
    BitField field; // where the checksum sits
    ChecksumAlgorithm algorithm;
    QString text; // as transmit lists and talvik-can write it
    double share = 0.0; // of the frames it matches
};

// Fields of 2 to 16 bits that advance by one from frame to frame (wrapping
// to 0 after their highest value) in at least `minimumShare` of the pairs.
// Of fields ending in the same bit only the longest is given: the low bits
// of a counter count too.
std::vector<CounterFinding> findCounters(const std::vector<CanFrame> &frames,
                                         double minimumShare = 0.9);

// The checksums of the transmit presets, the generic CRC-8s (the usual
// polynomials, start values, final XORs and reflections) and XOR or sum
// with any start value, in the first or last byte (a 16-bit one in the
// first or last two, either byte order; Honda's in the last nibble), that
// match at least `minimumShare` of the frames; best first. Frames whose
// checksum place never changes prove nothing: the result is then empty.
std::vector<ChecksumFinding> findChecksums(const std::vector<CanFrame> &frames,
                                           double minimumShare = 0.9);

#endif // PATTERNFINDER_H
