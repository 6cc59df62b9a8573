#ifndef CONVERTERMODEL_H
#define CONVERTERMODEL_H

#include "convertercodec.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The converter's behaviour, without any I/O: host bytes in, bytes for the
// host out, frames put on (and taken from) the simulated CAN bus.
class ConverterModel
{
public:
    enum Mode { Normal = 0, LoopBack = 1, Silent = 2, LoopBackSilent = 3 };
    enum class Upload { NotListed, OnlyListed, All };

    struct BusState
    {
        quint8 receiveErrors = 0;
        quint8 transmitErrors = 0;
        bool busOff = false;
        bool errorPassive = false;
        bool errorWarning = false;
    };

    // What the converter keeps across power cycles.
    struct Stored
    {
        int baudCode = 0; // 0 = 2000000 ... 5 = 9600
        Upload upload = Upload::All;
        QList<quint32> uploadIds;
    };

    static int baudRateOf(int baudCode);

    // Bytes from the host; what they cause is queued for takeOutput() and the
    // bus callback.
    void receiveFromHost(const QByteArray &bytes);
    // A frame a simulated node put on the bus.
    void frameFromBus(const CanFrame &frame);
    QByteArray takeOutput();

    // Called for each frame the controller transmits onto the bus.
    std::function<void(const CanFrame &)> onTransmit;
    // Called when the stored settings change.
    std::function<void()> onStoredChanged;
    // One line for every message received and sent, when set.
    std::function<void(const QString &)> trace;

    // Starts the controller at power-up, as if a set-and-start had come.
    void startAtPowerUp(bool variableFraming);

    bool running() const { return isRunning; }
    bool variableFraming() const { return framingVariable; }
    Mode mode() const { return workMode; }
    bool extendedFrames() const { return extendedType; }
    quint32 filter() const { return acceptFilter; }
    quint32 mask() const { return acceptMask; }
    bool retransmit() const { return autoRetransmit; }
    int bitRate() const { return rate; }
    QString bitTiming() const { return timingText; }

    BusState busState;
    Stored stored;

private:
    void handleSetStart(const QByteArray &m);
    void handleReceiveIdFilter(const QByteArray &m);
    void handleFrameFromHost(const CanFrame &frame);
    void deliverToHost(const CanFrame &frame);
    bool forwards(quint32 identifier) const;
    void note(const QString &line);

    QByteArray pending;
    QByteArray output;
    bool isRunning = false;
    bool framingVariable = false;
    Mode workMode = Normal;
    bool extendedType = false;
    quint32 acceptFilter = 0;
    quint32 acceptMask = 0;
    bool autoRetransmit = true;
    int rate = 0;
    QString timingText;
};

// "std 0x123 [3] 11 22 33" and the like, for traces.
QString describeFrame(const CanFrame &frame);

#endif // CONVERTERMODEL_H
