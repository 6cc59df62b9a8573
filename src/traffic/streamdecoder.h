#ifndef STREAMDECODER_H
#define STREAMDECODER_H

#include "convertercodec.h"

#include <QByteArray>
#include <QString>

// The converter's answer to a bus-status query.
struct BusStatus
{
    quint8 receiveErrors = 0;
    quint8 transmitErrors = 0;
    bool busOff = false;
    bool errorPassive = false;
    bool errorWarning = false;
};

// The status-bar text for a bus-status reply.
QString busStatusText(const BusStatus &status);

// One complete message cut from the converter's byte stream.
struct ReceivedMessage
{
    enum Kind { CanData, BusStatusReply };

    Kind kind = CanData;
    CanFrame frame; // CanData; length never above 8
    bool frameTypeKnown = true; // false for a fixed frame whose type byte is neither 1 nor 2
    bool variableFraming = false; // CanData: the framing it came in
    BusStatus status; // BusStatusReply
};

// Finds the next complete message in `buffer` from `pos` on, in either framing.
// Returns true with `pos` just past the message. Returns false when no
// complete message is left; `pos` is then the first byte to keep for the next
// call (an unfinished frame starting with 0xAA, or a single trailing byte), or
// the buffer's size when nothing needs keeping. Bytes that open no valid frame
// are skipped one at a time, so a true frame start inside a false candidate is
// still found. Fixed messages of other types are consumed silently.
bool decodeNextMessage(const QByteArray &buffer, qsizetype &pos, ReceivedMessage &message);

#endif // STREAMDECODER_H
