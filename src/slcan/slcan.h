#ifndef SLCAN_H
#define SLCAN_H

#include "canframe.h"

#include <QByteArray>
#include <QList>

#include <optional>

// The SLCAN (Lawicel) protocol as serial CAN adapters speak it: commands of
// ASCII text ended by CR, answered with CR or, for an error, BEL.
namespace Slcan {
constexpr char Ok = '\r';
constexpr char Error = '\a';
constexpr int BitRateCount = 9; // S0 to S8
} // namespace Slcan

struct SlcanCommand
{
    enum Kind {
        Invalid, // unknown or malformed
        Open, // O
        ListenOnly, // L
        Close, // C
        BitRate, // Sn: value = n
        Version, // V
        DetailedVersion, // v
        SerialNumber, // N
        Flags, // F
        Timestamps, // Zn: value = 0 or 1
        AcceptanceCode, // Mxxxxxxxx: value
        AcceptanceMask, // mxxxxxxxx: value
        Frame, // t, T, r, R
    };
    Kind kind = Invalid;
    quint32 value = 0;
    CanFrame frame;
};

// One command line, without its CR.
SlcanCommand parseSlcanCommand(const QByteArray &line);

// A received frame for the client, "t1232AABB\r", with the millisecond
// timestamp (0 to 59999, 4 hex digits) after the data when given.
// Nothing for a frame SLCAN cannot carry (FD, error frames).
std::optional<QByteArray> slcanFrameLine(const CanFrame &frame,
                                         std::optional<int> timestampMs = std::nullopt);
// The timestamp of a frame received at `timeUs` (µs since the epoch).
int slcanTimestamp(qint64 timeUs);

// The adapter's side of the conversation: what is open, as which.
struct SlcanState
{
    bool open = false;
    bool listenOnly = false;
    bool timestamps = false;
    std::optional<int> bitRateIndex; // S0 to S8 once chosen
    quint32 acceptanceCode = 0;
    quint32 acceptanceMask = 0xFFFFFFFF;
};

// F's status byte: bits as an SJA1000 adapter sets them.
namespace SlcanFlags {
constexpr quint8 ErrorWarning = 0x04;
constexpr quint8 DataOverrun = 0x08;
constexpr quint8 ErrorPassive = 0x20;
constexpr quint8 BusError = 0x80;
} // namespace SlcanFlags

// What a command asks of the bridge besides the answer.
struct SlcanReply
{
    enum Action { None, Start, Stop, Send };
    QByteArray answer; // ends with CR, or is BEL
    Action action = None;
};

// Answers `command` and updates `state`: S only while closed; O and L only
// while closed and once a bit rate is known (`fallbackRate`, or S); frames
// only while open and not listen-only; C, Z, M, m, V, v, N, F at any time.
SlcanReply slcanRespond(SlcanState &state, const SlcanCommand &command, quint8 statusFlags,
                        bool rateKnown = true);

#endif // SLCAN_H
