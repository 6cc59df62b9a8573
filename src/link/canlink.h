#ifndef CANLINK_H
#define CANLINK_H

#include <QByteArray>
#include <QSerialPort>

#include "busdevice.h"
#include "linksettings.h"
#include "streamdecoder.h"

// The converter's serial line: owns the port and the bytes not yet decoded,
// hands on every read's frames as one batch, and is the one write path.
class CanLink : public BusDevice
{
    Q_OBJECT

public:
    explicit CanLink(QObject *parent = nullptr);

    bool open(const QString &portName, int baudRate);
    void close() override;
    bool isOpen() const override;
    QSerialPort *port() const { return serialPort; }

    void setSettings(const LinkSettings &settings) { current = settings; }
    const LinkSettings &settings() const { return current; }

    bool sendFrame(const CanFrame &frame) override;
    bool writeBacklogFull() const override;
    void flush() override;
    void write(const QByteArray &bytes);
    void restartDecoding() { pending.clear(); }

signals:
    void busStatusReceived(const BusStatus &status);

private:
    void readPort();
    void handleError(QSerialPort::SerialPortError error);

    QSerialPort *serialPort;
    LinkSettings current;
    QByteArray pending; // received bytes not yet decoded
    QVector<LinkFrame> batch; // reused from read to read
};

#endif // CANLINK_H
