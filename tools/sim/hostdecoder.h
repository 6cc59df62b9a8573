#ifndef HOSTDECODER_H
#define HOSTDECODER_H

#include "convertercodec.h"

#include <QByteArray>

// One message the host sends the converter.
struct HostMessage
{
    enum Kind {
        Frame, // a CAN frame to transmit, in either framing
        SetStart, // codes 0x02, 0x03, 0x12, 0x13
        BusStatusQuery, // 0x04
        BaudRateChange, // 0x06
        ReceiveIdFilter, // 0x10, 0x11: 5 + 4n bytes
        Unknown, // a valid 20-byte message of another code
    };
    Kind kind = Unknown;
    CanFrame frame; // Frame
    bool variableFraming = false; // Frame: the framing it came in
    QByteArray bytes; // the whole message as received
};

// Finds the next complete host message in `buffer` from `pos` on. Returns true
// with `pos` past it; false when none is complete, `pos` then being the first
// byte to keep. Bytes that open no valid message are skipped one at a time.
bool nextHostMessage(const QByteArray &buffer, qsizetype &pos, HostMessage &message);

#endif // HOSTDECODER_H
