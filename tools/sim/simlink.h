#ifndef SIMLINK_H
#define SIMLINK_H

#include "capturerecord.h"
#include "convertermodel.h"
#include "demoecu.h"
#include "terminallink.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class BusReplay;
class QSocketNotifier;

// A simulated node on the bus: sends `frame` every `periodMs`.
struct SimNode
{
    CanFrame frame;
    int periodMs = 1000;
};

struct SimOptions
{
    QString linkPath; // a stable name for the line, made as a symlink
    QString statePath; // what the converter keeps across power cycles
    QList<SimNode> nodes;
    bool demo = false;
    qint64 flood = 0; // numbered frames to send as fast as the line takes them
    int floodIds = 1;
    int floodLength = 8;
    bool floodExtended = false;
    bool floodFd = false; // CAN FD frames with BRS (the virtual bus only)
    bool pace = true; // no faster than the line's baud rate allows
    bool floodMixed = false; // alternate the framings, frame by frame
    bool floodNoise = false; // line noise between frames (never a frame start)
    bool startedAtPowerUp = false;
    bool variableAtPowerUp = false;
    ConverterModel::BusState busState;
    std::vector<CaptureRecord> replay; // a recorded bus, played once the controller runs
    bool replayLoop = false;
};

// Parses "ID:PERIOD_MS:DATA", ID in hex (extended above 0x7FF), DATA hex bytes.
bool parseNodeOption(const QString &text, SimNode *node);

// The demo bus's nodes, their frames before the first tick.
QList<SimNode> demoNodes();
// The demo engine's tick now: the demo frames move one tick every 100 ms.
quint32 demoTick();
// The flood's frame number `sequence`: identifiers from 0x100 on, the
// sequence number little-endian in the first data bytes.
CanFrame floodFrame(qint64 sequence, const SimOptions &options);

// Starts a timer per node of `options` (the demo's too, whose frames move at
// every sending), owned by `owner`; `send` puts each frame on the bus.
void startNodes(QObject *owner, const SimOptions &options,
                std::function<void(const CanFrame &)> send);

// The demo bus's data: the frame 0x101, 0x18FF50E5 or 0x321 carries at its
// `tick`-th sending (a counter, a ramp, sines; docs/demo.dbc describes them).
void fillDemoFrame(CanFrame &frame, quint32 tick);

// The converter on the far side of a pseudo-terminal: the host opens
// slavePath() like a serial port.
class SimulatorLink : public QObject
{
    Q_OBJECT

public:
    explicit SimulatorLink(const SimOptions &options, QObject *parent = nullptr);
    ~SimulatorLink() override;

    bool open(QString *error);
    QString slavePath() const { return path; }
    ConverterModel &converter() { return model; }
    bool hostConnected() const { return connected; }
    qint64 floodSent() const { return floodNext; }
    qint64 replayed() const;
    // Starts sending the numbered frames of a flood now.
    void startFlood(qint64 frames);

signals:
    void traceLine(const QString &line);
    void floodFinished();
    void replayFinished();

private:
    void checkHost();
    void readHost();
    void writeHost();
    void send(const QByteArray &bytes);
    void flushModel();
    bool lineSpeedMatches() const;
    void floodTick();
    void loadState();
    void saveState() const;
    void answerOnBus(const CanFrame &frame);
    void startReplayWhenReady();

    SimOptions options;
    ConverterModel model;
    DemoEcu demoEcu;
    int master = -1;
    QString path;
    TerminalLink terminalLink; // at linkPath
    bool foreignState = false; // statePath holds something else
    bool connected = false;
    QSocketNotifier *readNotifier = nullptr;
    QSocketNotifier *writeNotifier = nullptr;
    QTimer hostTimer;
    QByteArray outgoing;
    QTimer floodTimer;
    QElapsedTimer floodClock;
    qint64 floodTotal = 0;
    qint64 floodNext = 0;
    qint64 floodBytes = 0;
    BusReplay *replay = nullptr;
    bool replayStarted = false;
};

#endif // SIMLINK_H
