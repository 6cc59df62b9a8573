#ifndef QTFRAMES_H
#define QTFRAMES_H

#include "canframe.h"
#include "errorframe.h"

#include <QCanBusFrame>
#include <QString>

// The frames of Qt's CAN bus devices and the program's own, both ways.

// An error frame keeps its error class as identifier and its 8 detail bytes,
// as SocketCAN gives them; data beyond what the frame holds (8 bytes, FD 64)
// is cut off.
CanFrame canFrameFromQt(const QCanBusFrame &frame);
// Nothing but data and remote frames is ever sent: an error frame gives an invalid frame.
QCanBusFrame qtFrameFromCan(const CanFrame &frame);

// When the frame was on the bus: its own timestamp where the device gives one
// on the system clock (SocketCAN: the kernel's receive time), else `receivedUs`.
qint64 frameTimeUs(const QCanBusFrame &frame, qint64 receivedUs);

#endif // QTFRAMES_H
