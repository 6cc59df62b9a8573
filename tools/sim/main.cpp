// talvik-sim: a stand-in for the USB-to-CAN converter on a pseudo-terminal.
#include "logformats.h"
#include "simlink.h"
#include "virtualbussim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = { -1, -1 };

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

const char *const Behaviour = R"(
Behaves as the converter does on its serial line:
  - The CAN controller is stopped until a set-and-start command (0x02/0x03 fixed
    framing, 0x12/0x13 variable framing) arrives; then frames are forwarded to
    the host in the framing the command named. Frames from the host are taken
    in either framing at any time.
  - Normal mode: host frames go onto the bus, bus frames come to the host.
    Loop-back: host frames go onto the bus and come back; the bus is not
    listened to. Silent: nothing is transmitted, bus frames come to the host.
    Loop-back silent: host frames come back, nothing else.
  - A frame reaches the host when the bits set in the mask match the filter
    ((id ^ filter) & mask == 0; mask 0 lets everything through), and the
    receive-ID filter allows it (withhold the listed / only the listed / all).
  - The bus-status query (0x04) is always answered.
  - The baud-rate change (0x06) takes effect at once and is kept in the state
    file with the receive-ID filter. While the host's line speed differs from
    the converter's, host bytes are not understood and the host receives only
    noise that never starts a frame.
  - The host's line is live while it holds the port open; nothing is sent
    before that.
Demo bus (--demo): 0x101 every 100 ms, 0x18FF50E5 (extended) every 500 ms,
0x321 every second, carrying a counter, a ramp and sines (docs/demo.dbc
describes their signals). An engine answers diagnostic requests on 0x7DF and
0x7E0 by 0x7E8 over ISO-TP: UDS 22 F190 (the VIN, in several frames once the
flow control comes), 19 02 (two trouble codes), 10 and 3E; OBD-II 01 with
PIDs 00, 05, 0C, 0D. A J1939 group of 20 bytes (PGN FEEC) goes out by BAM
every 5 s.
Flood (--flood N): N frames with identifiers 0x100 onwards (--flood-ids
distinct ones), the frame's sequence number little-endian in its first data
bytes, sent once the controller runs, as fast as the line's baud rate allows
(or faster with --no-pace).
Replay (--replay FILE): the bus plays a recorded log (candump -l log or Vector
ASC; also pcap or the window's text table), every frame of it whichever way it
went, as frames from other nodes: each reaches the host as any bus frame does,
through the mode and filters. It starts when the controller first runs; frame
k goes at that moment plus t(k) - t(0), on one clock, so the spacing does not
drift. With --loop the log repeats, each pass after the last frame plus the
log's mean spacing (one second for a single frame).
Virtual CAN bus (--virtualcan IFACE): no converter and no pseudo-terminal; the
demo nodes, the replayed log or the flood go onto Qt's virtual CAN bus IFACE
(can0, can1, or tcp://127.0.0.1:PORT/can0 for a bus on a port of its own),
and the demo node answers there. Open it in the window as virtualcan:IFACE.
)";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("talvik-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALVIK_VERSION));
    // Qt's virtual bus says each connection on its own: only warnings are ours to show.
    QLoggingCategory::setFilterRules(
            QStringLiteral("default.debug=false\nqt.canbus.plugins.virtualcan.info=false"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
            QStringLiteral("A simulated USB-to-CAN converter on a pseudo-terminal.")
            + QLatin1String(Behaviour));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption link("link", "Also reach the line as PATH (a symlink).", "PATH");
    const QCommandLineOption state("state", "Keep the converter's stored settings in FILE.",
                                   "FILE");
    const QCommandLineOption node("node",
                                  "A node sending ID (hex) every PERIOD_MS with DATA (hex bytes).",
                                  "ID:PERIOD_MS:DATA");
    const QCommandLineOption demo("demo",
                                  "A bus with a few periodic frames and an answering node.");
    const QCommandLineOption flood("flood",
                                   "Send N numbered frames as fast as the line takes them.", "N");
    const QCommandLineOption floodIds("flood-ids", "Distinct identifiers in the flood.", "K", "1");
    const QCommandLineOption floodLength("flood-length", "Data bytes per flood frame.", "L", "8");
    const QCommandLineOption floodExtended("flood-extended", "Flood with extended frames.");
    const QCommandLineOption floodFd("flood-fd",
                                     "On the virtual CAN bus: flood with CAN FD frames (BRS), "
                                     "--flood-length up to 64.");
    const QCommandLineOption noPace("no-pace", "Do not hold the flood to the line's baud rate.");
    const QCommandLineOption floodMixed("flood-mixed", "Flood in both framings, frame by frame.");
    const QCommandLineOption floodNoise("flood-noise", "Line noise between flood frames.");
    const QCommandLineOption started("started", "The controller runs from power-up.");
    const QCommandLineOption framing("framing",
                                     "Framing when started from power-up: fixed or variable.",
                                     "FRAMING", "fixed");
    const QCommandLineOption rxErrors("rx-errors", "Receive error counter.", "N", "0");
    const QCommandLineOption txErrors("tx-errors", "Transmit error counter.", "N", "0");
    const QCommandLineOption busOff("bus-off", "Report the controller bus-off.");
    const QCommandLineOption passive("error-passive", "Report error passive.");
    const QCommandLineOption warning("error-warning", "Report error warning.");
    const QCommandLineOption replay("replay",
                                    "Play a recorded bus (candump log or ASC) with its "
                                    "timing.",
                                    "FILE");
    const QCommandLineOption loop("loop", "Repeat the replayed log.");
    const QCommandLineOption trace("trace", "Print every message received and sent.");
    const QCommandLineOption floodDelay("flood-delay",
                                        "On the virtual CAN bus: start the flood MS after joining "
                                        "it, so that others can join first.",
                                        "MS", "0");
    const QCommandLineOption virtualCan("virtualcan",
                                        "Be nodes on Qt's virtual CAN bus IFACE instead of a "
                                        "converter.",
                                        "IFACE");
    parser.addOptions({ link,        state,         node,     demo,       flood,      floodIds,
                        floodLength, floodExtended, noPace,   floodMixed, floodNoise, started,
                        framing,     rxErrors,      txErrors, busOff,     passive,    warning,
                        replay,      loop,          trace,    virtualCan, floodDelay, floodFd });
    parser.process(app);

    SimOptions options;
    options.linkPath = parser.value(link);
    options.statePath = parser.value(state);
    for (const QString &text : parser.values(node)) {
        SimNode parsed;
        if (!parseNodeOption(text, &parsed)) {
            QTextStream(stderr) << "talvik-sim: bad --node " << text << "\n";
            return 2;
        }
        options.nodes.append(parsed);
    }
    options.demo = parser.isSet(demo);
    options.flood = parser.value(flood).toLongLong();
    options.floodIds = qMax(1, parser.value(floodIds).toInt());
    options.floodLength = parser.value(floodLength).toInt();
    options.floodExtended = parser.isSet(floodExtended);
    options.floodFd = parser.isSet(floodFd);
    options.pace = !parser.isSet(noPace);
    options.floodMixed = parser.isSet(floodMixed);
    options.floodNoise = parser.isSet(floodNoise);
    options.startedAtPowerUp = parser.isSet(started);
    options.variableAtPowerUp = parser.value(framing) == QLatin1String("variable");
    options.busState.receiveErrors = quint8(parser.value(rxErrors).toUInt());
    options.busState.transmitErrors = quint8(parser.value(txErrors).toUInt());
    options.busState.busOff = parser.isSet(busOff);
    options.busState.errorPassive = parser.isSet(passive);
    options.busState.errorWarning = parser.isSet(warning);
    if (parser.isSet(replay)) {
        const QString name = parser.value(replay);
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            QTextStream(stderr) << "talvik-sim: cannot read " << name << "\n";
            return 2;
        }
        LogReadResult log = readLog(name, file.readAll(), QFileInfo(file).lastModified().date());
        if (!log.error.isEmpty() || log.records.empty()) {
            QTextStream(stderr) << "talvik-sim: no frames to replay in " << name << " " << log.error
                                << "\n";
            return 2;
        }
        QTextStream out(stdout);
        out << "talvik-sim: replaying " << log.records.size() << " frames over "
            << QString::number(
                       double(log.records.back().timestampUs - log.records.front().timestampUs)
                               / 1e6,
                       'f', 3)
            << " s from " << name;
        if (log.skippedLines > 0)
            out << " (" << log.skippedLines << " lines skipped: " << log.skippedSamples.join("; ")
                << ")";
        out << Qt::endl;
        options.replay = std::move(log.records);
        options.replayLoop = parser.isSet(loop);
    }

    QTextStream out(stdout);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    }

    if (parser.isSet(virtualCan)) {
        VirtualBusSim bus(options);
        bus.setFloodDelay(parser.value(floodDelay).toInt());
        if (parser.isSet(trace)) {
            QObject::connect(&bus, &VirtualBusSim::traceLine,
                             [&out](const QString &line) { out << line << Qt::endl; });
        }
        QString error;
        if (!bus.open(parser.value(virtualCan), &error)) {
            QTextStream(stderr) << "talvik-sim: " << error << "\n";
            return 1;
        }
        out << "talvik-sim: nodes on the virtual CAN bus virtualcan:" << parser.value(virtualCan)
            << Qt::endl;
        if (!options.demo && options.nodes.isEmpty() && options.replay.empty() && options.flood <= 0)
            out << "talvik-sim: nothing to send (no --demo, --node, --replay or --flood): "
                   "the bus is joined and stays quiet"
                << Qt::endl;
        return app.exec();
    }

    SimulatorLink sim(options);
    if (parser.isSet(trace)) {
        QObject::connect(&sim, &SimulatorLink::traceLine,
                         [&out](const QString &line) { out << line << Qt::endl; });
    }
    QString error;
    if (!sim.open(&error)) {
        QTextStream(stderr) << "talvik-sim: " << error << "\n";
        return 1;
    }
    out << "talvik-sim: converter on " << sim.slavePath();
    if (!options.linkPath.isEmpty())
        out << " (also " << options.linkPath << ")";
    out << " at " << ConverterModel::baudRateOf(sim.converter().stored.baudCode) << " baud"
        << Qt::endl;
    return app.exec();
}
