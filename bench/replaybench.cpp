// talvik-replay-bench: the replay window playing a generated log at its own
// pace onto Qt's virtual CAN bus, timed by a device of this program on the
// same bus. For each frame: how far its arrival after the first lies from its
// place in the log; and the frames the window itself counted late.
#include "canbus.h"
#include "replaywindow.h"
#include "virtualbus.h"
#include "virtualbusclock.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTextStream>
#include <QtEndian>

#include <cmath>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({ "frames", "Frames in the log (default 3000).", "N", "3000" });
    parser.addOption({ "gap", "Longest gap between two frames, ms (default 10).", "MS", "10" });
    parser.addOption({ "speed", "Replay speed, the log's pace times this (default 1).", "X", "1" });
    parser.process(app);
    const int frames = std::clamp(parser.value("frames").toInt(), 2, 100000);
    const int longestGapUs = std::clamp(parser.value("gap").toInt(), 0, 10000) * 1000;
    const double speed = parser.value("speed").toDouble();
    const int speedIndex = int(std::find(std::begin(ReplayWindow::Speeds),
                                         std::end(ReplayWindow::Speeds), speed)
                               - std::begin(ReplayWindow::Speeds));
    if (speed <= 0 || speedIndex == int(std::size(ReplayWindow::Speeds))) {
        std::fprintf(stderr, "--speed: one of 0.25, 0.5, 1, 2, 4\n");
        return 2;
    }

    // Gaps of 0 to the longest, the same log every run; frame k carries k.
    std::vector<CaptureRecord> log;
    QRandomGenerator random(42);
    qint64 timeUs = 1'700'000'000'000'000;
    for (int k = 0; k < frames; ++k) {
        CanFrame frame;
        frame.identifier = 0x100 + quint32(k % 16);
        frame.length = 8;
        qToLittleEndian<quint32>(quint32(k), frame.data.data());
        log.push_back({ timeUs, frame, false });
        timeUs += random.bounded(longestGapUs + 1);
    }

    const QString busAddress = freeVirtualBus();
    // The relay in a thread of its own: replay waits for a frame's moment in
    // its own thread, which must not hold the bus up. Made and ended there.
    QThread relayThread;
    QObject relayContext;
    relayContext.moveToThread(&relayThread);
    relayThread.start();
    std::unique_ptr<VirtualBusHost> host;
    const auto inRelayThread = [&](auto work) {
        QMetaObject::invokeMethod(&relayContext, work, Qt::BlockingQueuedConnection);
    };
    inRelayThread([&] { host = std::make_unique<VirtualBusHost>(busAddress); });
    const auto endRelay = qScopeGuard([&] {
        inRelayThread([&] { host.reset(); });
        relayThread.quit();
        relayThread.wait();
    });
    ArrivalClock arrivals(busAddress, size_t(frames) + 1000);
    CanBus bus;
    if (!host->ok() || !arrivals.ok() || !bus.open("virtualcan:" + busAddress, 0))
        return 1;
    QElapsedTimer waiting;
    waiting.start();
    while (!bus.isOpen() && waiting.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    // The timing device is on the bus once a frame reaches it.
    CanFrame warmUp;
    warmUp.identifier = 0x7FF;
    for (waiting.restart(); waiting.elapsed() < 5000;) {
        bus.sendFrame(warmUp);
        bus.flush();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(50);
        if (!arrivals.takeArrivals().empty())
            break;
    }
    QThread::msleep(100);
    arrivals.takeArrivals(); // the warm-up frames that came late

    ReplayWindow replay(&bus);
    replay.setSend([&bus](const CanFrame &frame) { return bus.sendFrame(frame); });
    replay.setLog(QStringLiteral("bench"), log);
    replay.findChild<QComboBox *>(QStringLiteral("comboSpeed"))->setCurrentIndex(speedIndex);
    auto *start = replay.findChild<QPushButton *>(QStringLiteral("btnReplayStart"));
    start->click();
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (start->isEnabled()) // finished: the last frames arrive, then the end
            QTimer::singleShot(500, &app, &QCoreApplication::quit);
    });
    done.start(100);
    app.exec();
    const QString progress = replay.findChild<QLabel *>(QStringLiteral("labelProgress"))->text();
    const std::vector<ArrivalClock::Arrival> arrived = arrivals.takeArrivals();

    // Each frame against its place in the log, both counted from the first frame.
    std::vector<double> late, early;
    bool inOrder = arrived.size() == size_t(frames);
    for (size_t k = 0; k < arrived.size() && inOrder; ++k) {
        const quint32 carried = arrived[k].firstWord;
        inOrder = carried == k;
        if (!inOrder)
            std::fprintf(stderr, "frame %zu arrived as the %zuth\n", size_t(carried), k);
        const double dueMs = double(log[k].timestampUs - log[0].timestampUs) / speed / 1000.0;
        const double atMs = double(arrived[k].atUs - arrived[0].atUs) / 1000.0;
        (atMs >= dueMs ? late : early).push_back(std::abs(atMs - dueMs));
    }
    const double p99 = percentile(late, 0.99), worst = percentile(late, 1.0);
    const double earliest = percentile(early, 1.0);
    QTextStream out(stdout);
    out << "Replay window, " << frames << " frames with gaps of 0 to " << longestGapUs / 1000
        << " ms at " << speed << "x, on Qt's virtual bus\n\n"
        << "| frames arrived | in order | later than due, median | 99th percentile | worst | "
           "earliest before due |\n|---|---|---|---|---|---|\n"
        << "| " << arrived.size() << " | " << (inOrder ? "yes" : "NO") << " | "
        << QString::number(percentile(late, 0.5), 'f', 2) << " ms | "
        << QString::number(p99, 'f', 2) << " ms | " << QString::number(worst, 'f', 2) << " ms | "
        << QString::number(earliest, 'f', 2) << " ms |\n\n"
        << "The window: " << progress.simplified() << "\n";
    // Goals: every frame, in order, none early by more than the clock's grain;
    // of the frames on time or late, 99 % within 1 ms of due and none later than 5 ms.
    const bool ok = inOrder && earliest <= 0.5 && p99 <= 1.0 && worst <= 5.0;
    out << (ok ? "within the goals" : "GOALS MISSED") << "\n";
    return ok ? 0 : 1;
}
