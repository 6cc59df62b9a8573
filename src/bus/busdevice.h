#ifndef BUSDEVICE_H
#define BUSDEVICE_H

#include <QObject>
#include <QVector>

#include "canframe.h"

// A frame as one read of the device delivered it.
struct LinkFrame
{
    CanFrame frame;
    bool frameTypeKnown = true;
    qint64 lineTimeUs = 0; // when it was on the bus, µs since the epoch
};

// What the program needs of a device on a CAN bus, the converter or a CAN
// interface: frames in batches with their times, one write path, and word
// of a device that went away.
class BusDevice : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    // False when the device refused the frame.
    virtual bool sendFrame(const CanFrame &frame) = 0;
    // True while what was handed to the device and is not yet on the bus is
    // enough to keep it busy: a sender that goes as fast as the bus takes
    // frames waits until this is false.
    virtual bool writeBacklogFull() const = 0;
    // Puts what is waiting on the bus now, not when the event loop next gets to it.
    virtual void flush() { }

signals:
    void framesReceived(const QVector<LinkFrame> &frames);
    // Once, when the device went away; it is closed by then.
    void deviceLost(const QString &reason);
    // Before the device closes, by the user or because it went away.
    void aboutToClose();
};

#endif // BUSDEVICE_H
