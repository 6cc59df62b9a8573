#ifndef DIAGMESSAGE_H
#define DIAGMESSAGE_H

#include <QByteArray>
#include <QtGlobal>

#include <vector>

// One message of a transport protocol, pieced together from the frames that
// carried it: an ISO-TP message (ISO 15765-2) or a J1939 parameter group.
// One that did not complete says why and keeps the bytes that arrived.
struct DiagMessage
{
    enum class Protocol : quint8 { IsoTp, J1939 };
    enum class Problem : quint8 {
        None,
        OutOfSequence, // a consecutive frame or data packet with the wrong number
        TimedOut, // the next frame did not come in time
        Interrupted, // a new message began on the same addresses
        Unexpected, // a consecutive frame with no message in progress
        Overflow, // the receiver answered "overflow"
        BadLength, // a length that disagrees with the frames
        Aborted, // J1939: the connection was aborted (abortReason)
    };

    Protocol protocol = Protocol::IsoTp;
    qint64 firstTimestampUs = 0;
    qint64 timestampUs = 0; // of the last frame
    quint32 identifier = 0; // the frame identifier the data came from
    bool extended = false;
    bool fd = false; // carried in CAN FD frames
    int addressExtension = -1; // ISO-TP extended addressing: the first data byte
    quint32 declaredLength = 0; // what the first frame announced
    QByteArray payload;
    Problem problem = Problem::None;
    int flowControlWaits = 0; // ISO-TP: "wait" answers the sender was given
    int abortReason = 0; // J1939 Problem::Aborted: the reason byte
    // J1939: the parameter group and its addresses (destination 255: broadcast).
    quint32 pgn = 0;
    quint8 priority = 0;
    quint8 source = 0;
    quint8 destination = 0xFF;
    bool transported = false; // J1939: reassembled from the transport protocol
    std::vector<qint64> frames; // capture indices of the frames it was made of

    bool complete() const { return problem == Problem::None; }
};

#endif // DIAGMESSAGE_H
