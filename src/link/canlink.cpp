#include "canlink.h"
#include "capturestore.h"

namespace {
// While a sender goes as fast as the line takes frames, this much waits in
// the port's write buffer at most: a few milliseconds of line time.
constexpr qint64 WriteBacklogBytes = 2048;
} // namespace

CanLink::CanLink(QObject *parent) : BusDevice(parent), serialPort(new QSerialPort(this))
{
    connect(serialPort, &QIODevice::aboutToClose, this, &BusDevice::aboutToClose);
    connect(serialPort, &QSerialPort::readyRead, this, &CanLink::readPort);
    connect(serialPort, &QSerialPort::errorOccurred, this, &CanLink::handleError);
}

bool CanLink::open(const QString &portName, int baudRate)
{
    serialPort->setPortName(portName);
    serialPort->setBaudRate(baudRate, QSerialPort::AllDirections);
    return serialPort->open(QIODevice::ReadWrite);
}

void CanLink::close()
{
    serialPort->close();
}

bool CanLink::isOpen() const
{
    return serialPort->isOpen();
}

bool CanLink::sendFrame(const CanFrame &frame)
{
    const QByteArray bytes =
            current.variableFraming ? encodeVariableFrame(frame) : encodeFixedFrame(frame);
    return serialPort->write(bytes) == bytes.size();
}

bool CanLink::writeBacklogFull() const
{
    return serialPort->bytesToWrite() >= WriteBacklogBytes;
}

void CanLink::flush()
{
    serialPort->flush();
}

void CanLink::write(const QByteArray &bytes)
{
    serialPort->write(bytes);
}

void CanLink::readPort()
{
    pending.append(serialPort->readAll());
    const qint64 readUs = wallClockUs();
    const int baudRate = serialPort->baudRate();
    qsizetype consumed = 0;
    ReceivedMessage message;
    batch.clear();
    while (decodeNextMessage(pending, consumed, message)) {
        if (message.kind == ReceivedMessage::BusStatusReply) {
            emit busStatusReceived(message.status);
            continue;
        }
        // The frames of one read left the line one after another: each is
        // stamped with the read's time less the bytes that followed it.
        batch.append({ message.frame, message.frameTypeKnown,
                       lineTimeBefore(readUs, pending.size() - consumed, baudRate) });
    }
    pending.remove(0, consumed);
    if (!batch.isEmpty())
        emit framesReceived(batch);
}

// An unplugged converter makes the port report read, write or resource errors;
// a hung-up line reports them in a tight loop until the port is closed, so the
// port is closed at the first one and later ones find it closed.
void CanLink::handleError(QSerialPort::SerialPortError error)
{
    const bool lost = error == QSerialPort::ResourceError || error == QSerialPort::ReadError
            || error == QSerialPort::WriteError;
    if (!lost || !serialPort->isOpen())
        return;
    serialPort->close();
    serialPort->clearError();
    emit deviceLost(QString());
}
