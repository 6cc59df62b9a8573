#ifndef BITACTIVITY_H
#define BITACTIVITY_H

#include "bitfield.h"
#include "capturerecord.h"

#include <QHash>

#include <vector>

class CaptureStore;

// How often each payload bit of one message flipped between its consecutive
// frames in a span of the capture, and the last frame's bytes.
struct MessageBits
{
    static constexpr int BitCount = CanFrame::FdMaxLength * 8;

    quint32 identifier = 0;
    bool extended = false;
    quint64 frames = 0;
    int length = 0; // the longest frame seen, in bytes
    std::array<quint32, BitCount> flips{}; // by bit number: byte * 8 + bit, bit 0 the lowest
    std::array<quint8, CanFrame::FdMaxLength> last{};
    BitMask changed{}; // the bits that flipped at least once

    bool bitValue(int bit) const { return (last[size_t(bit / 8)] >> (bit % 8)) & 1; }
    int changedBitCount() const;
    quint32 maxFlips() const;
};

// Bit flips of every message, fed frames in capture order. Error and remote
// frames carry no payload and are left out.
class BitActivity
{
public:
    void add(const CanFrame &frame);
    void clear();

    const std::vector<MessageBits> &messages() const { return list; }
    const MessageBits *find(quint32 identifier, bool extended) const;

    static quint64 key(quint32 identifier, bool extended)
    {
        return quint64(identifier) | (extended ? quint64(1) << 32 : 0);
    }

private:
    std::vector<MessageBits> list;
    QHash<quint64, int> rows;
};

// The first record at or after `timeUs` (the capture's times only increase).
quint64 sequenceAt(const CaptureStore &capture, qint64 timeUs);
// The activity of the records from `fromUs` up to and including `toUs`.
BitActivity bitActivityOf(const CaptureStore &capture, qint64 fromUs, qint64 toUs);

// How hot a bit's cell is drawn, 0 to 1: on a log scale against the
// message's most active bit, so that a bit that flipped once still shows
// beside a counter's lowest bit. 0 only for a bit that never flipped.
double heatLevel(quint32 flips, quint32 maxFlips);

// How a bit behaves in span B against span A.
enum class BitContrast {
    Same, // no difference worth showing (or a span lacks the message)
    ChangesOnlyInB, // constant in A, flips in B
    ChangesOnlyInA, // flips in A, constant in B
    OtherValue, // constant in both, but not at the same value
};
// Each bit's contrast, by bit number, up to the longer of the two messages' lengths.
std::vector<BitContrast> contrastBits(const MessageBits *a, const MessageBits *b);
// How many bits of the message differ between the spans.
int contrastCount(const MessageBits *a, const MessageBits *b);

#endif // BITACTIVITY_H
