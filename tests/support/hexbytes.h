#ifndef HEXBYTES_H
#define HEXBYTES_H

#include "convertercodec.h"

#include <QByteArray>

// Bytes written as in the converter's documentation: "AA 55 01 ...".
inline QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

inline CanFrame canFrame(quint32 id, const QByteArray &data, bool extended = false,
                         bool remote = false)
{
    CanFrame frame;
    frame.identifier = id;
    frame.extended = extended;
    frame.remote = remote;
    frame.length = quint8(qMin(data.size(), qsizetype(CanFrame::ClassicMaxLength)));
    for (int i = 0; i < frame.length; ++i)
        frame.data[i] = quint8(data.at(i));
    return frame;
}

// A CAN FD frame of `data`, whose size must be a valid FD length.
inline CanFrame fdFrame(quint32 id, const QByteArray &data, bool extended = false,
                        bool bitRateSwitch = false, bool errorState = false)
{
    CanFrame frame;
    frame.identifier = id;
    frame.extended = extended;
    frame.fd = true;
    frame.bitRateSwitch = bitRateSwitch;
    frame.errorStateIndicator = errorState;
    frame.length = quint8(qMin(data.size(), qsizetype(CanFrame::FdMaxLength)));
    for (int i = 0; i < frame.length; ++i)
        frame.data[i] = quint8(data.at(i));
    return frame;
}

#endif // HEXBYTES_H
