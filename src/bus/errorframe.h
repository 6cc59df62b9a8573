#ifndef ERRORFRAME_H
#define ERRORFRAME_H

#include "canframe.h"

#include <QString>

// SocketCAN's error classes, as an error frame's identifier holds them.
namespace ErrorClass {
constexpr quint32 TxTimeout = 0x001;
constexpr quint32 LostArbitration = 0x002;
constexpr quint32 Controller = 0x004;
constexpr quint32 Protocol = 0x008;
constexpr quint32 Transceiver = 0x010;
constexpr quint32 NoAck = 0x020;
constexpr quint32 BusOff = 0x040;
constexpr quint32 BusError = 0x080;
constexpr quint32 Restarted = 0x100;
// The flag that marks an error frame's identifier in SocketCAN's logs.
constexpr quint32 Flag = 0x20000000;
} // namespace ErrorClass

// What went wrong, in the UI language: "bus off", "error passive, no acknowledgement".
QString errorFrameText(const CanFrame &frame);

#endif // ERRORFRAME_H
