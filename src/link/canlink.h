#ifndef CANLINK_H
#define CANLINK_H

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QVector>

#include "canframe.h"
#include "streamdecoder.h"

// A frame as one read of the port delivered it.
struct LinkFrame
{
    CanFrame frame;
    bool frameTypeKnown = true;
    qint64 lineTimeUs = 0; // when its last byte was on the line, µs since the epoch
};

// How frames are put on the wire: the configuration page's choices, as values.
struct LinkSettings
{
    bool variableFraming = false;
    bool extendedFrames = false; // the type of frames sent from identifier texts
};

// The converter's serial line: owns the port and the bytes not yet decoded,
// hands on every read's frames as one batch, and is the one write path.
class CanLink : public QObject
{
    Q_OBJECT

public:
    explicit CanLink(QObject *parent = nullptr);

    bool open(const QString &portName, int baudRate);
    void close();
    bool isOpen() const;
    QSerialPort *port() const { return serialPort; }

    void setSettings(const LinkSettings &settings) { current = settings; }
    const LinkSettings &settings() const { return current; }

    void sendFrame(const CanFrame &frame);
    void write(const QByteArray &bytes);
    void restartDecoding() { pending.clear(); }

signals:
    void framesReceived(const QVector<LinkFrame> &frames);
    void busStatusReceived(const BusStatus &status);
    void deviceLost(); // once, when the converter went away; the port is closed

private:
    void readPort();
    void handleError(QSerialPort::SerialPortError error);

    QSerialPort *serialPort;
    LinkSettings current;
    QByteArray pending; // received bytes not yet decoded
    QVector<LinkFrame> batch; // reused from read to read
};

#endif // CANLINK_H
