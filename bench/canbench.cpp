// talvik-can-bench: talvik-can against talvik-sim flooding a pseudo-terminal
// with numbered 8-byte frames in variable framing, as fast as it can:
// `dump -L` read from its standard output, and the SLCAN bridge read by a
// client that reads as fast as it can. Each frame's sequence number (its
// first four data bytes, little-endian) is checked, so lost frames are counted.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// 13-byte variable frames a 2,000,000-baud line carries a second.
constexpr double LineFramesPerSecond = 2000000 / 10.0 / 13;
constexpr int QuietMs = 3000; // nothing more for this long: the rest is lost

struct Result
{
    qint64 received = 0;
    qint64 lost = 0;
    qint64 disordered = 0;
    double seconds = 0;
};

// Counts frames by sequence number, timed from the first to the last.
struct Counter
{
    Result result;
    qint64 next = 0;
    QElapsedTimer clock;
    QElapsedTimer quiet;

    void frame(qint64 seq)
    {
        if (!clock.isValid())
            clock.start();
        if (seq >= next) {
            result.lost += seq - next;
            next = seq + 1;
        } else {
            ++result.disordered;
        }
        ++result.received;
        result.seconds = clock.nsecsElapsed() / 1e9;
        quiet.start();
    }
};

qint64 littleEndian(const QByteArray &hex)
{
    qint64 seq = 0;
    for (int i = 3; i >= 0; --i)
        seq = (seq << 8) | hex.mid(2 * i, 2).toInt(nullptr, 16);
    return seq;
}

QString startSimulator(QProcess &sim, const QString &path, qint64 frames, bool started)
{
    QStringList args{ "--flood",   QString::number(frames), "--no-pace", "--framing",
                      "variable",  "--flood-length",        "8" };
    if (started)
        args.prepend("--started");
    sim.start(path, args);
    sim.waitForReadyRead(5000);
    const QString line = QString::fromLocal8Bit(sim.readLine());
    return line.section(QLatin1String(" on "), 1).section(QLatin1Char(' '), 0, 0);
}

// dump -L: "(1700000000.012345) can0 100#SSSSSSSS........"
Result benchDump(const QString &simPath, const QString &canPath, qint64 frames)
{
    QProcess sim;
    const QString port = startSimulator(sim, simPath, frames, true);
    QProcess dump;
    dump.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    dump.start(canPath, { "dump", port, "-L", "--no-config", "--framing", "variable", "--count",
                          QString::number(frames) });
    Counter counter;
    counter.quiet.start();
    QByteArray pending;
    while (counter.result.received < frames && counter.quiet.elapsed() < QuietMs) {
        if (!dump.waitForReadyRead(100) && dump.state() == QProcess::NotRunning)
            break;
        pending += dump.readAll();
        qsizetype start = 0;
        for (qsizetype end; (end = pending.indexOf('\n', start)) >= 0; start = end + 1) {
            const qsizetype hash = pending.indexOf('#', start);
            if (hash > start && hash < end)
                counter.frame(littleEndian(pending.mid(hash + 1, 8)));
        }
        pending.remove(0, start);
    }
    dump.waitForFinished(3000);
    sim.terminate();
    sim.waitForFinished(2000);
    return counter.result;
}

// The bridge's client: opens the link, sends O, reads "t1008SSSSSSSS........\r".
Result benchBridge(const QString &simPath, const QString &canPath, qint64 frames)
{
    QProcess sim;
    const QString port = startSimulator(sim, simPath, frames, false);
    QTemporaryDir dir;
    const QString link = dir.filePath("slcan");
    QProcess bridge;
    bridge.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bridge.start(canPath, { "bridge", port, "--slcan", link, "--framing", "variable" });
    QElapsedTimer wait;
    wait.start();
    while (!QFileInfo(link).isSymLink() && wait.elapsed() < 5000)
        QThread::msleep(5);
    Counter counter;
    const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        QTextStream(stderr) << "  cannot open the bridge's link " << link << "\n";
        return counter.result;
    }
    if (::write(fd, "O\r", 2) != 2)
        return counter.result;
    counter.quiet.start();
    QByteArray pending;
    char chunk[65536];
    while (counter.result.received < frames && counter.quiet.elapsed() < QuietMs) {
        pollfd pfd{ fd, POLLIN, 0 };
        if (::poll(&pfd, 1, 100) <= 0)
            continue;
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0)
            break;
        pending.append(chunk, qsizetype(got));
        qsizetype start = 0;
        for (qsizetype end; (end = pending.indexOf('\r', start)) >= 0; start = end + 1) {
            if (end - start >= 13 && pending[start] == 't')
                counter.frame(littleEndian(pending.mid(start + 5, 8)));
        }
        pending.remove(0, start);
    }
    ::close(fd);
    bridge.terminate();
    bridge.waitForFinished(3000);
    sim.terminate();
    sim.waitForFinished(2000);
    return counter.result;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption framesOption("frames", "Frames in each flood.", "N", "1000000");
    parser.addOption(framesOption);
    parser.process(app);
    const qint64 frames = parser.value(framesOption).toLongLong();
    const QString dir = QCoreApplication::applicationDirPath();
    const QString simPath = dir + QStringLiteral("/../tools/sim/talvik-sim");
    const QString canPath = dir + QStringLiteral("/../tools/can/talvik-can");

    QTextStream out(stdout);
    out << "talvik-can, " << frames << " 8-byte frames (variable framing) flooded without pacing\n";
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
                   .arg("scenario", -16)
                   .arg("received", 9)
                   .arg("lost", 6)
                   .arg("frames/s", 9)
                   .arg("ratio to line", 13);
    int status = 0;
    const auto report = [&](const QString &name, const Result &r, double goal) {
        const double rate = r.seconds > 0 ? r.received / r.seconds : 0;
        out << QStringLiteral("%1 %2 %3 %4 %5\n")
                       .arg(name, -16)
                       .arg(r.received, 9)
                       .arg(frames - r.received, 6)
                       .arg(rate, 9, 'f', 0)
                       .arg(rate / LineFramesPerSecond, 13, 'f', 2);
        out.flush();
        if (r.received != frames || r.disordered != 0 || rate / LineFramesPerSecond < goal)
            status = 1;
    };
    report(QStringLiteral("dump -L"), benchDump(simPath, canPath, frames), 3.0);
    report(QStringLiteral("bridge (SLCAN)"), benchBridge(simPath, canPath, frames), 1.0);
    return status;
}
