#include "simlink.h"
#include "busreplay.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

int lineSpeed(int fd); // linespeed.cpp: kept apart from <termios.h>

namespace {
constexpr int QueueLimit = 64 * 1024;
constexpr quint32 FloodBaseId = 0x100;

CanFrame makeFrame(quint32 id, const QByteArray &data, bool extended)
{
    CanFrame frame;
    frame.identifier = id;
    frame.extended = extended;
    frame.length = quint8(qMin(data.size(), 8));
    for (int i = 0; i < frame.length; ++i)
        frame.data[i] = quint8(data.at(i));
    return frame;
}

// A sine of `amplitude` around `centre`, one period every `period` ticks.
double wave(quint32 tick, int period, double centre, double amplitude)
{
    return centre + amplitude * std::sin(2 * M_PI * double(tick % quint32(period)) / period);
}

} // namespace

void fillDemoFrame(CanFrame &frame, quint32 tick)
{
    frame.data.fill(0);
    frame.data[0] = quint8(tick);
    if (frame.identifier == 0x101) { // EngineData
        const auto speed = quint16((800 + (tick % 200) * 20) * 4); // 800 to 4780 rpm, 0.25 rpm
        frame.data[1] = quint8(speed);
        frame.data[2] = quint8(speed >> 8);
        frame.data[3] = quint8(std::lround((wave(tick, 300, 70, 15) + 40) / 0.5)); // °C
        const auto throttle = quint16(std::lround(wave(tick, 80, 50, 45) / 0.025)); // %
        frame.data[4] = quint8(throttle >> 4); // big-endian, 12 bits
        frame.data[5] = quint8((throttle & 0x0F) << 4);
        frame.data[6] = quint8(tick / 50 % 5); // gear
    } else if (frame.identifier == 0x18FF50E5) { // BatteryStatus: page = tick % 4
        quint16 value = 0;
        switch (tick % 4) {
        case 0: // pack voltage, 0.01 V
            value = quint16(std::lround(wave(tick, 60, 380, 20) / 0.01));
            break;
        case 1: // pack current, 0.05 A, signed
            value = quint16(qint16(std::lround(wave(tick, 40, 0, 150) / 0.05)));
            break;
        case 2: // state of charge, 0.5 %
            value = quint16(200 - tick / 4 % 200);
            break;
        default: // cell temperature, °C
            value = quint16(std::lround(wave(tick, 120, 30, 5) + 40));
            break;
        }
        frame.data[1] = quint8(value);
        if (tick % 4 < 2)
            frame.data[2] = quint8(value >> 8);
    } else if (frame.identifier == 0x321) { // BodyStatus
        const auto outside = quint16(qint16(std::lround(wave(tick, 60, 10, 15) / 0.01))); // °C
        frame.data[1] = quint8(outside >> 8); // big-endian
        frame.data[2] = quint8(outside);
        frame.data[3] = quint8(tick / 5 % 3); // door
    }
}

bool parseNodeOption(const QString &text, SimNode *node)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return false;
    bool idOk = false, periodOk = false;
    const quint32 id = parts[0].toUInt(&idOk, 16);
    const int period = parts[1].toInt(&periodOk);
    const QByteArray data = QByteArray::fromHex(parts[2].toLatin1());
    if (!idOk || !periodOk || period <= 0 || data.size() > 8 || id > 0x1FFFFFFF)
        return false;
    node->frame = makeFrame(id, data, id > 0x7FF);
    node->periodMs = period;
    return true;
}

SimulatorLink::SimulatorLink(const SimOptions &opts, QObject *parent)
    : QObject(parent), options(opts)
{
    model.busState = options.busState;
    model.trace = [this](const QString &line) { emit traceLine(line); };
    model.onTransmit = [this](const CanFrame &frame) { answerOnBus(frame); };
    model.onStoredChanged = [this] { saveState(); };
    if (options.startedAtPowerUp)
        model.startAtPowerUp(options.variableAtPowerUp);
    loadState();

    startNodes(this, options, [this](const CanFrame &frame) {
        model.frameFromBus(frame);
        flushModel();
    });
    floodTimer.setInterval(1);
    connect(&floodTimer, &QTimer::timeout, this, &SimulatorLink::floodTick);
    hostTimer.setInterval(20);
    connect(&hostTimer, &QTimer::timeout, this, &SimulatorLink::checkHost);
    if (!options.replay.empty()) {
        replay = new BusReplay(options.replay, options.replayLoop, this);
        replay->onFrame = [this](const CanFrame &frame) {
            if (frame.fd || frame.error)
                return; // the converter's bus is a classic one
            model.frameFromBus(frame);
            flushModel();
        };
        connect(replay, &BusReplay::finished, this, [this] {
            emit traceLine(
                    QStringLiteral("replay finished: %1 frames").arg(replay->framesPlayed()));
            emit replayFinished();
        });
        connect(&hostTimer, &QTimer::timeout, this, &SimulatorLink::startReplayWhenReady);
    }
}

qint64 SimulatorLink::replayed() const
{
    return replay ? replay->framesPlayed() : 0;
}

// The recorded bus starts once the host has started the controller, so the
// host sees it from its first frame; from then on it plays on its own clock.
void SimulatorLink::startReplayWhenReady()
{
    if (replayStarted || !connected || !model.running())
        return;
    replayStarted = true;
    emit traceLine(QStringLiteral("replay started"));
    replay->start();
}

SimulatorLink::~SimulatorLink()
{
    terminalLink.remove();
    if (master >= 0)
        ::close(master);
}

bool SimulatorLink::open(QString *error)
{
    if (foreignState) {
        *error = QStringLiteral("%1 is not a state file of this simulator: left as it is")
                         .arg(options.statePath);
        return false;
    }
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        *error = QStringLiteral("cannot create a pseudo-terminal: %1").arg(qt_error_string(errno));
        return false;
    }
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B2000000);
    tcsetattr(slave, TCSANOW, &tio);
    ::close(slave); // the host's open makes the line live
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    path = QString::fromLocal8Bit(name);
    if (!options.linkPath.isEmpty()) {
        if (!terminalLink.make(path, options.linkPath, error))
            return false;
    }
    readNotifier = new QSocketNotifier(master, QSocketNotifier::Read, this);
    readNotifier->setEnabled(false);
    connect(readNotifier, &QSocketNotifier::activated, this, &SimulatorLink::readHost);
    writeNotifier = new QSocketNotifier(master, QSocketNotifier::Write, this);
    writeNotifier->setEnabled(false);
    connect(writeNotifier, &QSocketNotifier::activated, this, &SimulatorLink::writeHost);
    hostTimer.start();
    if (options.flood > 0)
        startFlood(options.flood);
    return true;
}

// The line is live while the host holds the other side open.
void SimulatorLink::checkHost()
{
    pollfd pfd{ master, POLLIN, 0 };
    ::poll(&pfd, 1, 0);
    const bool nowConnected = !(pfd.revents & POLLHUP);
    if (nowConnected == connected)
        return;
    connected = nowConnected;
    readNotifier->setEnabled(connected);
    if (!connected)
        outgoing.clear();
    writeNotifier->setEnabled(connected && !outgoing.isEmpty());
    emit traceLine(connected ? QStringLiteral("host opened the line")
                             : QStringLiteral("host closed the line"));
}

bool SimulatorLink::lineSpeedMatches() const
{
    return lineSpeed(master) == ConverterModel::baudRateOf(model.stored.baudCode);
}

void SimulatorLink::readHost()
{
    char chunk[4096];
    const ssize_t got = ::read(master, chunk, sizeof chunk);
    if (got <= 0) {
        if (got < 0 && errno != EAGAIN)
            checkHost();
        return;
    }
    if (!lineSpeedMatches()) {
        emit traceLine(QStringLiteral("host> %1 bytes at %2 baud, the converter runs at %3: "
                                      "not understood")
                               .arg(got)
                               .arg(lineSpeed(master))
                               .arg(ConverterModel::baudRateOf(model.stored.baudCode)));
        return;
    }
    model.receiveFromHost(QByteArray(chunk, int(got)));
    flushModel();
}

void SimulatorLink::flushModel()
{
    send(model.takeOutput());
}

// At the wrong line speed the host sees only noise, and never a frame start.
void SimulatorLink::send(const QByteArray &bytes)
{
    if (bytes.isEmpty() || !connected || outgoing.size() > QueueLimit)
        return;
    if (lineSpeedMatches()) {
        outgoing += bytes;
    } else {
        QByteArray noise = bytes;
        for (char &c : noise)
            c = char(quint8(c) & 0x0F);
        outgoing += noise;
    }
    writeHost();
}

void SimulatorLink::writeHost()
{
    while (!outgoing.isEmpty()) {
        const ssize_t put = ::write(master, outgoing.constData(), size_t(outgoing.size()));
        if (put <= 0)
            break;
        outgoing.remove(0, put);
    }
    writeNotifier->setEnabled(connected && !outgoing.isEmpty());
}

void startNodes(QObject *owner, const SimOptions &options,
                std::function<void(const CanFrame &)> send)
{
    QList<SimNode> nodes = options.nodes;
    const qsizetype ownNodes = nodes.size();
    if (options.demo) {
        nodes.append(demoNodes());
        // The J1939 broadcast every 5 s, its packets 50 ms apart as BAM wants them.
        auto *broadcast = new QTimer(owner);
        QObject::connect(broadcast, &QTimer::timeout, owner, [owner, send] {
            const std::vector<CanFrame> frames = DemoEcu::broadcast();
            for (size_t i = 0; i < frames.size(); ++i)
                QTimer::singleShot(int(i) * 50, owner, [send, frame = frames[i]] { send(frame); });
        });
        broadcast->start(5000);
    }
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        auto *timer = new QTimer(owner);
        const bool moves = i >= ownNodes && nodes[i].frame.length > 0;
        QObject::connect(timer, &QTimer::timeout, owner,
                         [node = nodes[i], moves, send, tick = quint32(0)]() mutable {
                             if (moves)
                                 fillDemoFrame(node.frame, tick++); // demo frames move
                             send(node.frame);
                         });
        timer->start(nodes[i].periodMs);
    }
}

QList<SimNode> demoNodes()
{
    return { { makeFrame(0x101, QByteArray::fromHex("000fa0003c000000"), false), 100 },
             { makeFrame(0x18FF50E5, QByteArray::fromHex("0064320000ff00ff"), true), 500 },
             { makeFrame(0x321, QByteArray::fromHex("00015a5a"), false), 1000 } };
}

quint32 demoTick()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return quint32(clock.elapsed() / 100);
}

void SimulatorLink::answerOnBus(const CanFrame &frame)
{
    if (!options.demo)
        return;
    for (const CanFrame &answer : demoEcu.receive(frame, demoTick()))
        model.frameFromBus(answer);
}

void SimulatorLink::startFlood(qint64 frames)
{
    floodTotal = frames;
    floodNext = 0;
    floodBytes = 0;
    floodClock.start();
    floodTimer.start();
}

CanFrame floodFrame(qint64 sequence, const SimOptions &options)
{
    CanFrame frame;
    frame.identifier = FloodBaseId + quint32(sequence % qMax(1, options.floodIds));
    frame.extended = options.floodExtended;
    frame.fd = frame.bitRateSwitch = options.floodFd;
    frame.length = quint8(frame.fd ? fdLengthFor(qBound(0, options.floodLength, 64))
                                   : qBound(0, options.floodLength, 8));
    for (int i = 0; i < frame.length && i < 4; ++i)
        frame.data[i] = quint8(sequence >> (8 * i));
    return frame;
}

void SimulatorLink::floodTick()
{
    if (!connected || !model.running())
        return;
    const qint64 bytesPerSecond = lineSpeed(master) / 10;
    const qint64 allowed =
            options.pace ? floodClock.nsecsElapsed() / 1000 * bytesPerSecond / 1000000 : 1LL << 60;
    while (floodNext < floodTotal && outgoing.size() < QueueLimit / 2 && floodBytes < allowed) {
        const qint64 sequence = floodNext++;
        QByteArray bytes;
        if (options.floodMixed) {
            // Both framings on one line: the converter's two protocols at once.
            const CanFrame frame = floodFrame(sequence, options);
            bytes = sequence % 2 ? variableFrameBytes(frame) : encodeFixedFrame(frame);
        } else {
            model.frameFromBus(floodFrame(sequence, options));
            bytes = model.takeOutput();
        }
        if (options.floodNoise && sequence % 7 == 0) {
            // 0xAA followed only by bytes below 0x55 never opens a frame.
            static const char noise[] = {
                char(0xAA), 0x12, 0x00, char(0xAA), char(0xAA), 0x54, 0x33
            };
            bytes += QByteArray(noise, int(sequence % 5) + 2);
        }
        floodBytes += bytes.size();
        outgoing += bytes;
    }
    writeHost();
    if (floodNext >= floodTotal && outgoing.isEmpty()) {
        floodTimer.stop();
        emit floodFinished();
    }
}

void SimulatorLink::loadState()
{
    if (options.statePath.isEmpty())
        return;
    QFile file(options.statePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const QString key = line.section(QLatin1Char('='), 0, 0);
        const QString value = line.section(QLatin1Char('='), 1);
        if (key == QLatin1String("baud")) {
            const int code = value.toInt();
            if (ConverterModel::baudRateOf(code) > 0)
                model.stored.baudCode = code;
        } else if (key == QLatin1String("upload")) {
            model.stored.upload = value == QLatin1String("only-listed")
                    ? ConverterModel::Upload::OnlyListed
                    : value == QLatin1String("not-listed") ? ConverterModel::Upload::NotListed
                                                           : ConverterModel::Upload::All;
        } else if (key == QLatin1String("ids")) {
            model.stored.uploadIds.clear();
            for (const QString &id : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
                model.stored.uploadIds.append(id.toUInt(nullptr, 16));
        } else if (!line.isEmpty()) {
            foreignState = true; // some other file, named by mistake: never written
        }
    }
}

void SimulatorLink::saveState() const
{
    if (options.statePath.isEmpty() || foreignState)
        return;
    QFile file(options.statePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return;
    QStringList ids;
    for (quint32 id : model.stored.uploadIds)
        ids << QString::number(id, 16);
    const char *upload = model.stored.upload == ConverterModel::Upload::OnlyListed ? "only-listed"
            : model.stored.upload == ConverterModel::Upload::NotListed             ? "not-listed"
                                                                                   : "all";
    file.write(QStringLiteral("baud=%1\nupload=%2\nids=%3\n")
                       .arg(model.stored.baudCode)
                       .arg(QLatin1String(upload), ids.join(QLatin1Char(',')))
                       .toUtf8());
}
