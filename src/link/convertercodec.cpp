#include "convertercodec.h"

#include <QDebug>

#include <algorithm>

quint8 fixedChecksum(const QByteArray &message)
{
    quint8 sum = 0;
    const int end = std::min<int>(message.size(), Envelope::Size - 1);
    for (int i = 2; i < end; ++i)
        sum += quint8(message.at(i));
    return sum;
}

static void appendLittleEndian(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

static int clampedLength(const CanFrame &frame)
{
    return std::min<int>(frame.length, CanFrame::ClassicMaxLength);
}

QByteArray encodeFixedFrame(const CanFrame &frame)
{
    QByteArray out;
    out.reserve(Envelope::Size);
    out.append(char(Envelope::Start));
    out.append(char(Envelope::FixedMarker));
    out.append(char(Envelope::TypeCanFrame));
    out.append(char(frame.extended ? 0x02 : 0x01));
    out.append(char(frame.remote ? 0x02 : 0x01));
    appendLittleEndian(out, frame.identifier, 4);
    const int length = clampedLength(frame);
    out.append(char(length));
    for (int i = 0; i < CanFrame::ClassicMaxLength; ++i)
        out.append(char(i < length ? frame.data[i] : 0));
    out.append(char(0)); // reserved
    out.append(char(0)); // checksum, filled below
    out[Envelope::Size - 1] = char(fixedChecksum(out));
    return out;
}

QByteArray variableFrameBytes(const CanFrame &frame)
{
    const int length = clampedLength(frame);
    QByteArray out;
    out.reserve(length + 7);
    out.append(char(Envelope::Start));
    out.append(char(0xC0 | (frame.extended ? 0x20 : 0) | (frame.remote ? 0x10 : 0) | length));
    appendLittleEndian(out, frame.identifier, frame.extended ? 4 : 2);
    for (int i = 0; i < length; ++i)
        out.append(char(frame.data[i]));
    out.append(char(Envelope::VariableEnd));
    return out;
}

QByteArray encodeVariableFrame(const CanFrame &frame)
{
    const QByteArray out = variableFrameBytes(frame);
    qDebug() << out.size();
    return out;
}
