#include "cantool.h"

#include "canbus.h"
#include "canlink.h"
#include "canutilstext.h"
#include "capturestore.h"
#include "interfacelink.h"
#include "logformats.h"
#include "portopenerror.h"
#include "simulation.h"
#include "slcanbridge.h"
#include "terminallink.h"
#include "transmitlistfile.h"
#include "transmitscheduler.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <chrono>
#include <thread>

#include <termios.h>

namespace {

void say(const QString &text)
{
    std::fprintf(stderr, "talvik-can: %s\n", text.toLocal8Bit().constData());
}

// A frame due within this much is waited for in place; the timer wakes this much early.
constexpr qint64 SleepInPlaceUs = 2000;
constexpr qint64 WakeEarlyUs = 1000;
constexpr int OutputBuffer = 1 << 16;
constexpr int LingerMs = 200;

} // namespace

CanToolRun::CanToolRun(const CanToolOptions &options, CanBus *bus, QObject *parent)
    : QObject(parent), options(options), bus(bus)
{
    stopTimer.setSingleShot(true);
    stopTimer.setTimerType(Qt::PreciseTimer); // --seconds 60 is 60 s, not up to 63
    connect(&stopTimer, &QTimer::timeout, this, [this] { finish(0); });
    sendTimer.setSingleShot(true);
    connect(&sendTimer, &QTimer::timeout, this, &CanToolRun::sendNext);
    playTimer.setSingleShot(true);
    playTimer.setTimerType(Qt::PreciseTimer);
    connect(&playTimer, &QTimer::timeout, this, &CanToolRun::playDue);
    connect(bus, &CanBus::deviceLost, this, &CanToolRun::deviceLost);
}

CanToolRun::~CanToolRun() = default;

bool CanToolRun::openBus()
{
    if (bus->open(options.port, options.baudRate))
        return true;
    if (CanBus::isInterfaceName(options.port)) {
        say(bus->canInterface()->openProblem());
    } else {
        const QSerialPort *port = bus->converter()->port();
        say(portOpenProblemText(portOpenProblem(options.port, port->error(), port->errorString())));
    }
    return false;
}

// Set-and-start as the window sends it; a CAN interface keeps its configuration.
void CanToolRun::configure()
{
    LinkSettings settings = bus->settings();
    settings.variableFraming = options.setup.variableFraming;
    settings.extendedFrames = options.setup.frameTypeIndex == 1;
    bus->setSettings(settings);
    if (options.configure && bus->isConverterOpen() && options.command != CanToolCommand::Bridge)
        bus->converter()->write(setStartCommand(options.setup));
}

int CanToolRun::start()
{
    if (options.command == CanToolCommand::Play) {
        const int status = startPlay();
        if (status >= 0)
            return status;
    }
    if (options.command == CanToolCommand::Simulate) {
        const int status = planSimulation();
        if (status >= 0)
            return status;
    }
    if (options.command == CanToolCommand::Bridge) {
        const QString problem = terminalLinkProblem(options.link);
        if (!problem.isEmpty()) { // refused before the port is touched
            say(problem);
            return 1;
        }
    }
    if (!openBus())
        return 1;
    configure();
    switch (options.command) {
    case CanToolCommand::Dump:
        startDump();
        break;
    case CanToolCommand::Send:
        sendNext();
        break;
    case CanToolCommand::Play:
        clock.start();
        playDue();
        break;
    case CanToolCommand::Bridge:
        return startBridge();
    case CanToolCommand::Simulate:
        startSimulation();
        break;
    case CanToolCommand::None:
        return 2;
    }
    return -1;
}

void CanToolRun::interrupt()
{
    finish(0);
}

void CanToolRun::finish(int status)
{
    if (done)
        return;
    done = true;
    if (simulation) {
        simulation->stop();
        printSimulationSummary();
    }
    stopTimer.stop();
    playTimer.stop();
    sendTimer.stop();
    if (bridge) {
        bridge->stop();
        if (bridge->droppedFrames() > 0)
            say(QStringLiteral("%1 frames dropped in all: the SLCAN client did not read them")
                        .arg(bridge->droppedFrames()));
    }
    std::fflush(out);
    if (logFile.isOpen())
        logFile.flush();
    emit finished(status);
}

void CanToolRun::deviceLost(const QString &reason)
{
    if (!bus->interfaceChosen())
        say(QCoreApplication::translate("PortPanel", "COM端口已断开，请检查转换器"));
    else if (reason.isEmpty())
        say(QCoreApplication::translate("PortPanel", "CAN接口已断开"));
    else
        say(QCoreApplication::translate("PortPanel", "CAN接口已断开：%1").arg(reason));
    finish(1);
}

// dump -----------------------------------------------------------------------

void CanToolRun::startDump()
{
    static char buffer[OutputBuffer];
    std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
    if (options.logFile) {
        const QString name = options.logFileName.isEmpty()
                ? candumpLogFileName(QDateTime::currentDateTime())
                : options.logFileName;
        logFile.setFileName(name);
        if (!logFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
            say(QStringLiteral("cannot write %1: %2").arg(name, logFile.errorString()));
            finish(1);
            return;
        }
        say(QStringLiteral("logging to %1").arg(QFileInfo(name).absoluteFilePath()));
    }
    connect(bus, &CanBus::framesReceived, this, &CanToolRun::dumpFrames);
    if (options.seconds > 0)
        stopTimer.start(int(options.seconds * 1000));
}

void CanToolRun::dumpFrames(const QVector<LinkFrame> &frames)
{
    if (done)
        return;
    QByteArray log;
    for (const LinkFrame &f : frames) {
        const QByteArray line = options.logOnStdout ? candumpStdoutLine(f.frame, f.lineTimeUs)
                                                    : candumpScreenLine(f.frame);
        std::fwrite(line.constData(), 1, size_t(line.size()), out);
        if (logFile.isOpen())
            log += candumpLine(CaptureRecord{ f.lineTimeUs, f.frame, false });
        if (options.count > 0 && ++dumped >= options.count)
            break;
    }
    std::fflush(out);
    if (!log.isEmpty())
        logFile.write(log);
    if (options.count > 0 && dumped >= options.count)
        finish(0);
}

// send -----------------------------------------------------------------------

void CanToolRun::sendNext()
{
    while (nextFrame < options.frames.size()) {
        if (bus->writeBacklogFull()) {
            bus->flush();
            sendTimer.start(1);
            return;
        }
        if (!bus->sendFrame(options.frames[nextFrame])) {
            say(QStringLiteral("the device refused frame %1").arg(nextFrame + 1));
            finish(1);
            return;
        }
        ++nextFrame;
    }
    // Done once every byte is on the line.
    bus->flush();
    if (bus->isConverterOpen()) {
        QSerialPort *port = bus->converter()->port();
        while (port->bytesToWrite() > 0 && port->waitForBytesWritten(1000)) {
        }
        ::tcdrain(int(port->handle()));
        // The device reads what is on the line before it sees the line close.
        if (!lingered) {
            lingered = true;
            sendTimer.start(LingerMs);
            return;
        }
    } else if (bus->writeBacklogFull()) {
        sendTimer.start(1);
        return;
    }
    finish(0);
}

// play -----------------------------------------------------------------------

// The log is read before the port opens: a bad file is a usage error.
int CanToolRun::startPlay()
{
    QFile file(options.file);
    if (!file.open(QIODevice::ReadOnly)) {
        say(QStringLiteral("cannot read %1: %2").arg(options.file, file.errorString()));
        return 2;
    }
    const LogReadResult log =
            readLog(options.file, file.readAll(), QFileInfo(file).lastModified().date());
    if (!log.error.isEmpty()) {
        say(QStringLiteral("%1: %2").arg(options.file, log.error));
        return 2;
    }
    const bool classicOnly = !CanBus::isInterfaceName(options.port);
    plan = makeReplayPlan(log.records, options.onlyReceived, classicOnly);
    if (plan.size() == 0) {
        say(QStringLiteral("no frames to play in %1").arg(options.file));
        return 2;
    }
    if (log.skippedLines > 0)
        say(QStringLiteral("%1 lines skipped").arg(log.skippedLines));
    if (plan.skippedFdFrames > 0)
        say(QStringLiteral("%1 CAN FD frames left out: the converter carries classic frames")
                    .arg(plan.skippedFdFrames));
    return -1;
}

// One clock for the whole run: frame k goes at the start plus t(k) / speed,
// so the spacing does not drift.
void CanToolRun::playDue()
{
    if (done)
        return;
    while (playNext < plan.size()) {
        const qint64 dueUs = loopBaseUs + plan.dueUs(playNext, options.speed);
        qint64 nowUs = clock.nsecsElapsed() / 1000;
        if (dueUs - nowUs > SleepInPlaceUs) {
            bus->flush();
            playTimer.start(int((dueUs - nowUs - WakeEarlyUs) / 1000));
            return;
        }
        if (dueUs > nowUs) {
            bus->flush(); // what was sent goes now, not after the wait
            std::this_thread::sleep_for(std::chrono::microseconds(dueUs - nowUs));
        }
        if (bus->writeBacklogFull()) {
            bus->flush();
            playTimer.start(1);
            return;
        }
        if (!bus->sendFrame(plan.frames[playNext])) {
            say(QStringLiteral("the device refused frame %1 of the log").arg(playNext + 1));
            finish(1);
            return;
        }
        ++playNext;
    }
    bus->flush();
    if (options.loop) {
        loopBaseUs += std::max<qint64>(plan.durationUs(options.speed), 1000);
        playNext = 0;
        playTimer.start(0);
        return;
    }
    options.frames.clear();
    nextFrame = 0;
    sendNext(); // waits until the last bytes are on the line, then finishes
}

// bridge ---------------------------------------------------------------------

int CanToolRun::startBridge()
{
    bridge = new SlcanBridge(bus, this);
    bridge->setConverterSetup(options.setup);
    QString error;
    if (!bridge->start(options.link, &error)) {
        say(error);
        return 1;
    }
    connect(bridge, &SlcanBridge::framesDropped, this, [this](qint64 total) {
        if (!dropReportTimer.isActive()) {
            say(QStringLiteral("the SLCAN client is not reading: %1 frames dropped").arg(total));
            droppedReported = total;
            dropReportTimer.start(1000);
        }
    });
    dropReportTimer.setSingleShot(true);
    connect(&dropReportTimer, &QTimer::timeout, this, [this] {
        if (bridge->droppedFrames() != droppedReported) {
            droppedReported = bridge->droppedFrames();
            say(QStringLiteral("the SLCAN client is not reading: %1 frames dropped")
                        .arg(droppedReported));
            dropReportTimer.start(1000);
        }
    });
    say(QStringLiteral("SLCAN on %1 (%2)").arg(options.link, bridge->terminalPath()));
    return -1;
}

// simulate -------------------------------------------------------------------

// The database, the list and every name on the command line are checked
// before the port opens: a wrong one is a usage error.
int CanToolRun::planSimulation()
{
    DbcDatabase database;
    if (!options.dbcFile.isEmpty()) {
        QFile file(options.dbcFile);
        if (!file.open(QIODevice::ReadOnly)) {
            say(QStringLiteral("cannot read %1: %2").arg(options.dbcFile, file.errorString()));
            return 2;
        }
        DbcReadResult read = readDbc(file.readAll());
        if (!read.error.isEmpty()) {
            say(QStringLiteral("%1: %2").arg(options.dbcFile, read.error));
            return 2;
        }
        for (const QString &skipped : read.skipped)
            say(QStringLiteral("%1: %2").arg(options.dbcFile, skipped));
        database = std::move(read.database);
        database.index();
    }
    std::vector<TransmitRow> listRows;
    if (!options.listFile.isEmpty()) {
        QFile file(options.listFile);
        if (!file.open(QIODevice::ReadOnly)) {
            say(QStringLiteral("cannot read %1: %2").arg(options.listFile, file.errorString()));
            return 2;
        }
        const TransmitListRead read = readTransmitList(file.readAll(), database);
        if (!read.error.isEmpty()) {
            say(QStringLiteral("%1: %2").arg(options.listFile, read.error));
            return 2;
        }
        for (const QString &warning : read.warnings)
            say(QStringLiteral("%1: %2").arg(options.listFile, warning));
        listRows = read.rows;
    }
    SimulationRequest request;
    request.nodes = options.nodes;
    request.messages = options.messages;
    request.sets = options.sets;
    request.counters = options.counters;
    request.checksums = options.checksums;
    const SimulationPlan plan = ::planSimulation(database, request, listRows);
    if (!plan.error.isEmpty()) {
        say(plan.error);
        return 2;
    }
    simulation = new TransmitScheduler(this);
    simulation->setDatabase(database);
    simulation->setRows(plan.rows);
    bool sends = false;
    for (const TransmitRow &row : plan.rows)
        sends = sends
                || (row.enabled
                    && (row.isCyclic() || row.trigger == TransmitRow::Trigger::OnReceive));
    if (!sends) {
        say(QStringLiteral("nothing to send: no message has a cycle time or a trigger"));
        return 2;
    }
    return -1;
}

void CanToolRun::startSimulation()
{
    simulation->setSend([this](const CanFrame &frame) {
        return TransmitScheduler::sendOnBus(bus, frame,
                                            [this](const CanFrame &f) { return bus->sendFrame(f); });
    });
    connect(simulation, &TransmitScheduler::rowRefused, this, [this](int row) {
        say(QStringLiteral("%1: a CAN FD frame this bus cannot carry; not sent")
                    .arg(simulation->rows()[size_t(row)].messageName));
    });
    // Rows of a list that answer a received frame.
    connect(bus, &CanBus::framesReceived, this, [this](const QVector<LinkFrame> &frames) {
        for (const LinkFrame &received : frames)
            simulation->frameReceived(received.frame);
    });
    simulation->start();
    if (options.seconds > 0)
        stopTimer.start(int(options.seconds * 1000));
}

// One line per message: what went out, and what the bus could not take in time.
void CanToolRun::printSimulationSummary()
{
    for (const TransmitRow &row : simulation->rows())
        std::fprintf(out, "%s\n", simulationSummaryLine(row).toLocal8Bit().constData());
}
