#ifndef LOGRECORDS_H
#define LOGRECORDS_H

#include "capturerecord.h"
#include "hexbytes.h"

// Capture records for the log tests: a data frame from spaced hex bytes, and
// a remote frame of a given length.
inline CaptureRecord record(qint64 timestampUs, quint32 id, const char *spacedData,
                            bool extended = false, bool sent = false)
{
    return { timestampUs, canFrame(id, hex(spacedData), extended), sent };
}

inline CaptureRecord remote(qint64 timestampUs, quint32 id, int length, bool extended = false)
{
    CaptureRecord r{ timestampUs, canFrame(id, {}, extended, true), false };
    r.frame.length = quint8(length);
    return r;
}

#endif // LOGRECORDS_H
