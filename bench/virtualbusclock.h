#ifndef VIRTUALBUSCLOCK_H
#define VIRTUALBUSCLOCK_H

// What the timing benchmarks on Qt's virtual CAN bus share: the bus's relay
// hosted by this process with nothing held back, and a device of its own
// that stamps each frame as it arrives.

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <memory>
#include <vector>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

// The value below which a share `p` (0 to 1) of `values` lies.
inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

// A process has one virtual bus relay, started by its first virtual bus
// device in that device's thread, on that device's port. The relay passes
// each frame on as a line, which the kernel would hold back until the last
// one is acknowledged: every socket of this process is told to send at once,
// now and then, as the relay's sockets come.
class VirtualBusHost
{
public:
    explicit VirtualBusHost(const QString &bus)
    {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan.info=false"));
        device.reset(QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), bus));
        if (device && !device->connectDevice())
            device.reset();
        QObject::connect(&noDelay, &QTimer::timeout, [] {
            const QDir fds(QStringLiteral("/proc/self/fd"));
            for (const QString &fd : fds.entryList(QDir::Files | QDir::System)) {
                const int one = 1;
                ::setsockopt(fd.toInt(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            }
        });
        noDelay.start(100);
    }
    bool ok() const { return device != nullptr; }

private:
    std::unique_ptr<QCanBusDevice> device;
    QTimer noDelay;
};

// A device on the bus in a thread of its own, so that frames are stamped as
// they arrive, not when the thread that sends or relays them has a moment.
class ArrivalClock
{
public:
    // Small, and room made for them at the start: the vector growing while
    // frames arrive would hold the stamps of the next ones up.
    struct Arrival
    {
        quint32 identifier;
        quint32 firstWord; // the first four data bytes, little-endian; 0 when fewer
        qint64 atUs; // since the clock was made
    };

    explicit ArrivalClock(const QString &bus, size_t expectedFrames = 1'000'000)
    {
        arrivals.reserve(expectedFrames);
        clock.start();
        context.moveToThread(&thread);
        thread.start();
        QMetaObject::invokeMethod(
                &context,
                [this, bus] {
                    device.reset(QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), bus));
                    if (!device || !device->connectDevice())
                        return;
                    joined = true;
                    QObject::connect(device.get(), &QCanBusDevice::framesReceived, [this] {
                        const qint64 nowUs = clock.nsecsElapsed() / 1000;
                        while (device->framesAvailable() > 0) {
                            const QCanBusFrame frame = device->readFrame();
                            const QByteArray data = frame.payload();
                            arrivals.push_back({ frame.frameId(),
                                                 data.size() >= 4 ? qFromLittleEndian<quint32>(data.constData()) : 0,
                                                 nowUs });
                        }
                    });
                },
                Qt::BlockingQueuedConnection);
    }
    ~ArrivalClock()
    {
        QMetaObject::invokeMethod(&context, [this] { device.reset(); }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
    bool ok() const { return joined; }
    // What arrived since the last time, handed over in the clock's thread.
    std::vector<Arrival> takeArrivals()
    {
        std::vector<Arrival> taken;
        taken.reserve(arrivals.capacity());
        QMetaObject::invokeMethod(&context, [&] { taken.swap(arrivals); },
                                  Qt::BlockingQueuedConnection);
        return taken;
    }

private:
    QElapsedTimer clock;
    QThread thread;
    QObject context;
    std::unique_ptr<QCanBusDevice> device;
    std::vector<Arrival> arrivals;
    bool joined = false;
};

#endif // VIRTUALBUSCLOCK_H
