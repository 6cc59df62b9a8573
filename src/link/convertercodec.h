#ifndef CONVERTERCODEC_H
#define CONVERTERCODEC_H

#include "canframe.h"

#include <QByteArray>

// The converter's 20-byte envelope: AA 55, message type, 16 body bytes, checksum.
namespace Envelope {
constexpr int Size = 20;
constexpr quint8 Start = 0xAA;
constexpr quint8 FixedMarker = 0x55;
constexpr quint8 VariableEnd = 0x55;
constexpr quint8 TypeCanFrame = 0x01;
constexpr quint8 TypeBusStatus = 0x04;
} // namespace Envelope

// Low 8 bits of the sum of bytes 2 to 18 of a 20-byte message.
quint8 fixedChecksum(const QByteArray &message);

QByteArray encodeFixedFrame(const CanFrame &frame);
// The variable-protocol bytes of a frame.
QByteArray variableFrameBytes(const CanFrame &frame);
// The same, and the frame's total length written to the debug log: the
// window's trace of what it sends in the variable protocol.
QByteArray encodeVariableFrame(const CanFrame &frame);

#endif // CONVERTERCODEC_H
