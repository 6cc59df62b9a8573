#ifndef SIMULATORTHREAD_H
#define SIMULATORTHREAD_H

#include "simlink.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QThread>

// Options with nodes given as talvik-sim --node takes them, "ID:PERIOD_MS:DATA".
inline SimOptions withNodes(const QStringList &nodes)
{
    SimOptions options;
    for (const QString &node : nodes)
        parseNodeOption(node, &options.nodes.emplace_back());
    return options;
}

// The converter simulator on a thread of its own: a frame reaching the bus is
// stamped at once, not after the window's next repaint (a few milliseconds),
// so replay timing is measured as the converter sees it.
struct Simulator
{
    explicit Simulator(const SimOptions &options)
    {
        context.moveToThread(&thread);
        thread.start();
        clock.start();
        call([&] {
            link = new SimulatorLink(options);
            link->open(nullptr);
            auto transmit = link->converter().onTransmit;
            link->converter().onTransmit = [this, transmit](const CanFrame &frame) {
                QMutexLocker locker(&mutex);
                bus.append({ clock.nsecsElapsed() / 1000, frame });
                transmit(frame);
            };
        });
    }
    ~Simulator()
    {
        unplug();
        thread.quit();
        thread.wait();
    }
    template<class F>
    void call(F &&work)
    {
        QMetaObject::invokeMethod(&context, std::forward<F>(work), Qt::BlockingQueuedConnection);
    }
    template<class F>
    auto get(F &&read) // what `read` returns, read on the simulator's thread
    {
        decltype(read(*link)) value{};
        call([&] { value = link ? read(*link) : value; });
        return value;
    }
    void unplug()
    {
        call([this] { delete link, link = nullptr; });
    }
    QList<std::pair<qint64, CanFrame>> onBus() // when (µs) each frame reached the bus
    {
        QMutexLocker locker(&mutex);
        return bus;
    }

    SimulatorLink *link = nullptr; // lives on the thread
    QThread thread;
    QObject context;
    QElapsedTimer clock;
    QMutex mutex;
    QList<std::pair<qint64, CanFrame>> bus;
};
#define SIM(expression) sim->get([](SimulatorLink &s) { return expression; })

#endif // SIMULATORTHREAD_H
