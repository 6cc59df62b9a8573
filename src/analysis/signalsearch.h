#ifndef SIGNALSEARCH_H
#define SIGNALSEARCH_H

#include "bitactivity.h"
#include "bitfield.h"

#include <QString>

#include <vector>

class CaptureStore;

// One thing the user saw the value do, between two moments of the capture.
struct SearchStep
{
    enum class Kind {
        Rose, // the last value in the span is above the first
        Fell, // below the first
        Stayed, // never changed in the span
        Changed, // changed at least once in the span
        Equals, // the value at `fromUs` (the last frame at or before it) is `low`
        Within, // every value in the span lies within [low, high]
    };
    Kind kind = Kind::Rose;
    qint64 fromUs = 0;
    qint64 toUs = 0;
    qint64 low = 0; // raw values: the factor is not known yet
    qint64 high = 0;
};

// A field of one message that may be the signal looked for.
struct SearchCandidate
{
    quint32 message = 0; // index into SignalSearch::messages()
    BitField field;
};

// A search that narrows every field of every message (start bit, length 1 to
// 32, both byte orders, signed and unsigned) to those whose raw values did
// what each step says. Fields whose bits never change in the capture are no
// candidates, and a single bit is one candidate. The candidates are kept as
// 12 bytes each: at most 65,536 for a message of 64 bytes, 6,000 or so for 8.
class SignalSearch
{
public:
    struct Message
    {
        quint32 identifier;
        bool extended;
        int length;
    };

    // Every candidate the capture's records give.
    void start(const CaptureStore &capture);
    // Narrows the candidates; false, changing nothing, for a step that cannot
    // apply (a span without frames, a range the wrong way round).
    bool apply(const CaptureStore &capture, const SearchStep &step);
    // Back to the candidates before the last step.
    bool undo();
    void clear();

    const std::vector<Message> &messages() const { return messageList; }
    const std::vector<SearchCandidate> &candidates() const { return current; }
    int stepCount() const { return int(history.size()); }

private:
    std::vector<Message> messageList;
    std::vector<SearchCandidate> current;
    std::vector<std::vector<SearchCandidate>> history; // before each step
};

// The candidates of one message whose changing bits are `changed`, in a
// frame of `length` bytes.
std::vector<BitField> candidateFields(const BitMask &changed, int length);

#endif // SIGNALSEARCH_H
