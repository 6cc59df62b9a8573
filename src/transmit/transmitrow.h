#ifndef TRANSMITROW_H
#define TRANSMITROW_H

#include "canframe.h"
#include "checksum.h"
#include "dbc.h"

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

// One row of the transmit list: a database message (its signals' values) or
// a raw frame, when it goes out, and how many went.
struct TransmitRow
{
    enum class Trigger {
        Cyclic, // every periodMs; 0: only when sent by hand
        OnDemand, // only when sent by hand
        OnReceive, // delayMs after each frame with triggerId is received
    };

    bool enabled = true;
    QString messageName; // empty: a raw frame
    CanFrame frame; // identifier, type and length; its bytes are what goes out next
    int periodMs = 0;
    Trigger trigger = Trigger::Cyclic;
    quint32 triggerId = 0;
    bool triggerExtended = false;
    int delayMs = 0;
    QString key; // a key that sends the row once while the window has focus; empty: none

    // Database rows: one value per signal of the message, in its order, as bits.
    std::vector<quint64> signalBits;
    QString counterSignal; // empty: none
    QString checksumSignal; // empty: none
    ChecksumAlgorithm checksum;

    quint64 sent = 0;
    quint64 late = 0; // deadlines the device was too busy for when due
    quint64 skipped = 0; // deadlines missed by more than a period, never made up

    bool isCyclic() const { return trigger == Trigger::Cyclic && periodMs > 0; }
};

// A row for a database message: its cycle time, each signal at its start
// value, and the counter and checksum its signals' names suggest.
TransmitRow rowForMessage(const DbcDatabase &database, const DbcMessage &message);
// The frame length a message is sent with: its declared length, an FD
// message's padded to a valid FD length.
int frameLengthFor(const DbcMessage &message);
// Each signal's value as the frame carries it; a multiplexed signal its
// multiplexor does not select there, and one beyond the frame, at its start value.
std::vector<quint64> signalBitsFromFrame(const DbcDatabase &database, const DbcMessage &message,
                                         const CanFrame &frame);
// A raw frame's row, sent only by hand until given a period.
TransmitRow rowForFrame(const CanFrame &frame);

// The signal of `message` named `name`, or -1.
int signalIndex(const DbcMessage &message, const QString &name);
// Signals whose names say what they are: COUNTER, CNT, ALIVE, "_BZ" for
// counters; CHECKSUM, CHKSUM, CRC, "_CS" for checksums. Empty when none.
QString proposedCounter(const DbcMessage &message);
QString proposedChecksum(const DbcMessage &message);
// How many values a counter signal takes before it wraps: 2^length, or
// maximum + 1 when the database's range is smaller.
quint64 counterModulus(const DbcSignal &signal);
// Bit i set for each data byte the signal occupies.
quint64 signalBytes(const DbcSignal &signal);

// The bits for a value typed for a signal: a number in physical units, or a
// text of its value table. Nothing, with the reason in `why`, for a value
// outside its [minimum|maximum] or what its bits can hold: never wrapped.
std::optional<quint64> bitsForText(const DbcSignal &signal, const QString &text,
                                   QString *why = nullptr);
// What the signal's bits say: raw, physical and the value table's text.
DecodedSignal decodeBits(const DbcSignal &signal, quint64 bits);

// The frame the row sends next: its signals, counter and checksum written in
// (the checksum last, over the rest). A raw row's frame as it is.
CanFrame buildFrame(const TransmitRow &row, const DbcMessage *message);
// After a frame went out: the counter moves on by one, wrapping.
void advanceCounter(TransmitRow &row, const DbcMessage *message);

// The checksum the frame carries against the one its bytes give, and the
// counter against the previous one: per message, for what is received.
class IntegrityCheck
{
public:
    static constexpr qint64 PauseUs = 100'000; // a gap shorter than this is never a pause

    IntegrityCheck() = default;
    // `counter` and `checksum` name signals of `message`; empty: not checked.
    IntegrityCheck(const DbcMessage *message, const QString &counter, const QString &checksum,
                   const ChecksumAlgorithm &algorithm);

    bool checksCounter() const { return counterIndex >= 0; }
    bool checksChecksum() const { return checksumIndex >= 0; }
    // A received frame of the message at `timeUs`.
    void check(const CanFrame &frame, qint64 timeUs);

    quint64 counterErrors = 0; // frames whose counter did not advance by one
    quint64 checksumErrors = 0;

private:
    const DbcMessage *message = nullptr;
    int counterIndex = -1;
    int checksumIndex = -1;
    ChecksumAlgorithm algorithm;
    std::optional<quint64> lastCounter;
    qint64 lastUs = 0;
    qint64 lastGapUs = 0;
};

// A message's counter and checksum as the transmit list sets them: the
// signals window checks received frames against them.
struct IntegrityRule
{
    QString counter;
    QString checksum;
    ChecksumAlgorithm algorithm;

    friend bool operator==(const IntegrityRule &a, const IntegrityRule &b)
    {
        return a.counter == b.counter && a.checksum == b.checksum
                && checksumAlgorithmText(a.algorithm) == checksumAlgorithmText(b.algorithm);
    }
};
using IntegrityRules = QHash<quint64, IntegrityRule>; // by identifier | extended << 32

#endif // TRANSMITROW_H
