#ifndef J1939_H
#define J1939_H

#include "capturerecord.h"
#include "diagmessage.h"

#include <unordered_map>
#include <vector>

// SAE J1939: the 29-bit identifier taken apart, and parameter groups of more
// than 8 bytes reassembled from the transport protocol (TP, up to 1785 bytes;
// ETP beyond).

struct J1939Id
{
    quint8 priority = 0;
    quint32 pgn = 0; // PDU1: with the destination byte 0
    quint8 source = 0;
    quint8 destination = 0xFF; // 255: broadcast (PDU2 always)
};
J1939Id j1939Id(quint32 identifier);
quint32 j1939Identifier(const J1939Id &id);

namespace J1939Pgn {
constexpr quint32 TransportConnection = 0xEC00; // TP.CM
constexpr quint32 TransportData = 0xEB00; // TP.DT
constexpr quint32 ExtendedConnection = 0xC800; // ETP.CM
constexpr quint32 ExtendedData = 0xC700; // ETP.DT
} // namespace J1939Pgn

class J1939Reassembler
{
public:
    // T2/T3 of J1939-21: the longest a side waits for the other.
    static constexpr qint64 DefaultTimeoutUs = 1'250'000;

    explicit J1939Reassembler(qint64 timeoutUs = DefaultTimeoutUs);

    // Takes one frame: every 29-bit data frame is J1939. A parameter group in one
    // frame is a message at once; transport frames add to their session, which
    // becomes a message when its last packet arrives, or is aborted, interrupted,
    // out of sequence or overdue. Returns whether the frame was taken.
    bool feed(const CaptureRecord &record, qint64 index, std::vector<DiagMessage> &out);
    void expire(qint64 nowUs, std::vector<DiagMessage> &out);
    void finish(std::vector<DiagMessage> &out);

private:
    struct Session
    {
        DiagMessage message;
        bool extendedTransport = false;
        quint32 packetOffset = 0; // ETP: packets before this data packet offset
        int nextSequence = 1;
        qint64 lastUs = 0;
    };

    void connection(const CaptureRecord &record, qint64 index, const J1939Id &id, bool etp,
                    std::vector<DiagMessage> &out);
    void data(const CaptureRecord &record, qint64 index, const J1939Id &id, bool etp,
              std::vector<DiagMessage> &out);
    void end(quint16 key, DiagMessage::Problem problem, std::vector<DiagMessage> &out);

    qint64 timeoutUs;
    qint64 nextExpiryUs = 0;
    std::unordered_map<quint16, Session> sessions; // by source << 8 | destination
};

#endif // J1939_H
