#ifndef CAPTURERECORD_H
#define CAPTURERECORD_H

#include "canframe.h"

#include <QtGlobal>

// One frame of the capture: when it was on the line, which way it went, what it was.
struct CaptureRecord
{
    qint64 timestampUs = 0; // microseconds since the Unix epoch (UTC)
    CanFrame frame;
    bool sent = false; // false: received from the converter

    friend bool operator==(const CaptureRecord &a, const CaptureRecord &b)
    {
        return a.timestampUs == b.timestampUs && a.frame == b.frame && a.sent == b.sent;
    }
    friend bool operator!=(const CaptureRecord &a, const CaptureRecord &b) { return !(a == b); }
};

#endif // CAPTURERECORD_H
