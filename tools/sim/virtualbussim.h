#ifndef VIRTUALBUSSIM_H
#define VIRTUALBUSSIM_H

#include "simlink.h"

#include <QObject>
#include <QTimer>

#include <memory>

class BusReplay;
class QCanBusDevice;

// The simulator's bus on Qt's virtual CAN bus instead of a converter's serial
// line: the demo nodes, a replayed log or a flood go onto the bus as frames
// of other nodes, and the demo engine answers diagnostic requests. Nothing of the converter
// (modes, filters, commands) is there: a CAN interface has none of it.
class VirtualBusSim : public QObject
{
    Q_OBJECT

public:
    explicit VirtualBusSim(const SimOptions &options, QObject *parent = nullptr);
    ~VirtualBusSim() override;

    // `interfaceName` as the virtualcan plugin takes it: "can0", or
    // "tcp://127.0.0.1:PORT/can0" for a bus of its own.
    bool open(const QString &interfaceName, QString *error);
    qint64 floodSent() const { return floodNext; }
    // The flood of the options starts this long after the bus is joined.
    void setFloodDelay(int ms) { floodDelayMs = ms; }
    // Starts sending the numbered frames of a flood now, as fast as the bus takes them.
    void startFlood(qint64 frames);

signals:
    void traceLine(const QString &line);
    void floodFinished();
    void replayFinished();

private:
    void send(const CanFrame &frame);
    void readBus();
    void floodTick();

    SimOptions options;
    DemoEcu demoEcu;
    std::unique_ptr<QCanBusDevice> device;
    BusReplay *replay = nullptr;
    QTimer floodTimer;
    qint64 floodTotal = 0;
    qint64 floodNext = 0;
    int floodDelayMs = 0;
};

#endif // VIRTUALBUSSIM_H
