#include "slcanbridge.h"

#include "canbus.h"
#include "canlink.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr qsizetype ReadChunk = 16384;
} // namespace

SlcanBridge::SlcanBridge(CanBus *bus, QObject *parent) : QObject(parent), bus(bus)
{
    retryTimer.setSingleShot(true);
    retryTimer.setInterval(1);
    connect(&retryTimer, &QTimer::timeout, this, &SlcanBridge::handlePending);
    connect(bus, &CanBus::framesReceived, this, &SlcanBridge::forwardFrames);
    connect(bus->converter(), &CanLink::busStatusReceived, this,
            [this](const BusStatus &status) { lastStatus = status; });
}

SlcanBridge::~SlcanBridge()
{
    stop();
}

bool SlcanBridge::start(const QString &linkPath, QString *error)
{
    stop();
    if (!linkPath.isEmpty() && !(*error = terminalLinkProblem(linkPath)).isEmpty())
        return false; // refused before a terminal is made
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        *error = QStringLiteral("cannot create a pseudo-terminal: %1").arg(qt_error_string(errno));
        master = slave = -1;
        return false;
    }
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B2000000);
    ::tcsetattr(slave, TCSANOW, &tio);
    // The bridge holds the terminal's own end open as an adapter holds its
    // serial line: the master never sees a hang-up, so what a client writes
    // just before it closes stays readable and is answered.
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    path = QString::fromLocal8Bit(name);
    if (!linkPath.isEmpty()) {
        if (!terminalLink.make(path, linkPath, error)) {
            stop();
            return false;
        }
        link = linkPath;
    }
    readNotifier = new QSocketNotifier(master, QSocketNotifier::Read, this);
    connect(readNotifier, &QSocketNotifier::activated, this, &SlcanBridge::readClient);
    writeNotifier = new QSocketNotifier(master, QSocketNotifier::Write, this);
    writeNotifier->setEnabled(false);
    connect(writeNotifier, &QSocketNotifier::activated, this, &SlcanBridge::writeClient);
    return true;
}

void SlcanBridge::stop()
{
    retryTimer.stop();
    delete readNotifier;
    delete writeNotifier;
    readNotifier = writeNotifier = nullptr;
    terminalLink.remove();
    link.clear();
    if (master >= 0)
        ::close(master);
    if (slave >= 0)
        ::close(slave);
    master = slave = -1;
    incoming.clear();
    outgoing.clear();
}

void SlcanBridge::readClient()
{
    char chunk[ReadChunk];
    const ssize_t got = ::read(master, chunk, sizeof chunk);
    if (got <= 0)
        return; // EAGAIN: the held end keeps the line from hanging up
    incoming.append(chunk, qsizetype(got));
    handlePending();
}

// Commands in order; a frame the bus cannot take yet waits with everything
// after it, and the terminal is not read meanwhile.
void SlcanBridge::handlePending()
{
    qsizetype start = 0;
    bool blocked = false;
    for (;;) {
        while (start < incoming.size() && incoming[start] == '\n')
            ++start;
        const qsizetype end = incoming.indexOf('\r', start);
        if (end < 0)
            break;
        const QByteArray line = incoming.mid(start, end - start);
        const SlcanCommand command = parseSlcanCommand(line);
        if (command.kind == SlcanCommand::Frame && session.open && !session.listenOnly
            && bus->writeBacklogFull()) {
            blocked = true;
            break;
        }
        const SlcanReply reply = slcanRespond(session, command, statusFlags());
        QByteArray answer = reply.answer;
        switch (reply.action) {
        case SlcanReply::Start:
            startConverter();
            break;
        case SlcanReply::Send:
            if (bus->sendFrame(command.frame)) {
                ++sent;
                emit frameSent(command.frame);
            } else {
                answer = QByteArray(1, Slcan::Error);
            }
            break;
        case SlcanReply::Stop:
        case SlcanReply::None:
            break;
        }
        if (command.kind == SlcanCommand::Flags)
            overrun = false;
        queue(answer);
        emit commandHandled(line, answer);
        start = end + 1;
    }
    incoming.remove(0, start);
    if (blocked) {
        if (readNotifier)
            readNotifier->setEnabled(false);
        retryTimer.start();
    } else if (readNotifier) {
        readNotifier->setEnabled(true);
    }
}

void SlcanBridge::startConverter()
{
    if (!bus->isConverterOpen())
        return; // a CAN interface keeps the configuration it was opened with
    CanSetup setup = baseSetup;
    if (session.bitRateIndex) {
        // S0..S8 are all among the converter's presets "1M" (0) ... "5K" (11).
        static constexpr int Presets[Slcan::BitRateCount] = { 10, 9, 8, 7, 6, 4, 2, 1, 0 };
        setup.presetIndex = Presets[*session.bitRateIndex];
        setup.manualTiming = false;
    }
    setup.modeIndex = session.listenOnly ? 2 : 0; // silent or normal
    LinkSettings settings = bus->settings();
    settings.variableFraming = setup.variableFraming;
    bus->setSettings(settings);
    bus->converter()->write(setStartCommand(setup));
}

quint8 SlcanBridge::statusFlags() const
{
    quint8 flags = overrun ? SlcanFlags::DataOverrun : 0;
    if (lastStatus.errorWarning)
        flags |= SlcanFlags::ErrorWarning;
    if (lastStatus.errorPassive)
        flags |= SlcanFlags::ErrorPassive;
    if (lastStatus.busOff)
        flags |= SlcanFlags::BusError;
    return flags;
}

void SlcanBridge::queue(const QByteArray &bytes)
{
    outgoing += bytes;
    writeClient();
}

void SlcanBridge::forwardFrames(const QVector<LinkFrame> &frames)
{
    if (master < 0 || !session.open)
        return;
    const qsizetype before = outgoing.size();
    qint64 droppedNow = 0;
    for (const LinkFrame &f : frames) {
        const std::optional<QByteArray> line = slcanFrameLine(
                f.frame,
                session.timestamps ? std::optional<int>(slcanTimestamp(f.lineTimeUs))
                                   : std::nullopt);
        if (!line)
            continue;
        if (outgoing.size() + line->size() > limit) {
            ++droppedNow;
            continue;
        }
        outgoing += *line;
        ++forwarded;
    }
    if (droppedNow > 0) {
        dropped += droppedNow;
        overrun = true;
        if (!droppingNow)
            emit framesDropped(dropped);
    }
    droppingNow = droppedNow > 0;
    if (outgoing.size() != before)
        writeClient();
}

void SlcanBridge::writeClient()
{
    if (master < 0)
        return;
    while (!outgoing.isEmpty()) {
        const ssize_t done = ::write(master, outgoing.constData(), size_t(outgoing.size()));
        if (done <= 0)
            break;
        outgoing.remove(0, qsizetype(done));
    }
    writeNotifier->setEnabled(!outgoing.isEmpty());
}
