#include "virtualbussim.h"

#include "busreplay.h"
#include "qtframes.h"

#include <QAbstractSocket>
#include <QCanBus>
#include <QCanBusDevice>
#include <QEventLoop>
#include <QVariant>

namespace {
// Frames handed to the bus in one go while flooding: the event loop runs
// between batches, so the flood takes the bus as fast as it goes.
constexpr int FloodBatch = 256;
constexpr int ConnectTimeoutMs = 3000;
constexpr qint64 FloodBacklogBytes = 256 * 1024;

} // namespace

VirtualBusSim::VirtualBusSim(const SimOptions &opts, QObject *parent)
    : QObject(parent), options(opts)
{
    startNodes(this, options, [this](const CanFrame &frame) { send(frame); });
    floodTimer.setInterval(0);
    connect(&floodTimer, &QTimer::timeout, this, &VirtualBusSim::floodTick);
    if (!options.replay.empty()) {
        replay = new BusReplay(options.replay, options.replayLoop, this);
        replay->onFrame = [this](const CanFrame &frame) { send(frame); };
        connect(replay, &BusReplay::finished, this, [this] {
            emit traceLine(
                    QStringLiteral("replay finished: %1 frames").arg(replay->framesPlayed()));
            emit replayFinished();
        });
    }
}

VirtualBusSim::~VirtualBusSim()
{
    if (device)
        device->disconnectDevice();
}

bool VirtualBusSim::open(const QString &interfaceName, QString *error)
{
    device.reset(
            QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), interfaceName, error));
    if (!device)
        return false;
    device->setConfigurationParameter(QCanBusDevice::CanFdKey, QVariant(true));
    connect(device.get(), &QCanBusDevice::framesReceived, this, &VirtualBusSim::readBus);
    if (!device->connectDevice()) {
        *error = device->errorString();
        return false;
    }
    if (device->state() == QCanBusDevice::ConnectingState) {
        QEventLoop loop;
        QTimer::singleShot(ConnectTimeoutMs, &loop, &QEventLoop::quit);
        connect(device.get(), &QCanBusDevice::stateChanged, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (device->state() != QCanBusDevice::ConnectedState) {
        *error = device->errorString().isEmpty() ? QStringLiteral("the virtual bus did not connect")
                                                 : device->errorString();
        return false;
    }
    if (replay) {
        emit traceLine(QStringLiteral("replay started"));
        replay->start();
    }
    if (options.flood > 0)
        QTimer::singleShot(floodDelayMs, this, [this] { startFlood(options.flood); });
    return true;
}

void VirtualBusSim::send(const CanFrame &frame)
{
    if (device && device->state() == QCanBusDevice::ConnectedState)
        device->writeFrame(qtFrameFromCan(frame));
}

void VirtualBusSim::readBus()
{
    for (const QCanBusFrame &received : device->readAllFrames()) {
        const CanFrame frame = canFrameFromQt(received);
        emit traceLine(QStringLiteral("bus: %1 [%2] %3")
                               .arg(frame.identifier, 0, 16)
                               .arg(frame.length)
                               .arg(QString::fromLatin1(received.payload().toHex(' '))));
        if (!options.demo)
            continue;
        for (const CanFrame &answer : demoEcu.receive(frame, demoTick()))
            send(answer);
    }
}

void VirtualBusSim::startFlood(qint64 frames)
{
    floodTotal = frames;
    floodNext = 0;
    floodTimer.start();
}

void VirtualBusSim::floodTick()
{
    // As fast as the bus takes frames: not faster than its socket sends them.
    const QAbstractSocket *socket = device ? device->findChild<QAbstractSocket *>() : nullptr;
    if (socket && socket->bytesToWrite() > FloodBacklogBytes)
        return;
    for (int i = 0; i < FloodBatch && floodNext < floodTotal; ++i)
        send(floodFrame(floodNext++, options));
    if (floodNext < floodTotal)
        return;
    floodTimer.stop();
    emit floodFinished();
}
