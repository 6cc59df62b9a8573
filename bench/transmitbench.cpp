// talvik-transmit-bench: `talvik-can simulate` sending 50 messages at 10 ms
// and 50 at 100 ms on Qt's virtual CAN bus, received by a device of this
// program on the same bus. For each message: its periods as received (the
// 99th percentile and the worst distance from the set period), and its count
// against what its period gives; and the sending process's share of a core.
#include "qtframes.h"
#include "virtualbus.h"
#include "virtualbusclock.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include <sys/resource.h>

namespace {

int FastMessages = 50;
int SlowMessages = 50;

QByteArray benchDatabase()
{
    QByteArray dbc = "VERSION \"\"\nBU_: Bench\n";
    QByteArray cycles;
    for (int i = 0; i < FastMessages + SlowMessages; ++i) {
        const int id = 0x100 + i;
        const int period = i < FastMessages ? 10 : 100;
        dbc += "BO_ " + QByteArray::number(id) + " M" + QByteArray::number(i) + ": 8 Bench\n"
                + " SG_ Counter" + QByteArray::number(i) + " : 0|8@1+ (1,0) [0|255] \"\" X\n"
                + " SG_ Value" + QByteArray::number(i) + " : 8|16@1+ (0.1,0) [0|1000] \"\" X\n"
                + " SG_ Crc" + QByteArray::number(i) + " : 56|8@1+ (1,0) [0|255] \"\" X\n";
        cycles += "BA_ \"GenMsgCycleTime\" BO_ " + QByteArray::number(id) + " "
                + QByteArray::number(period) + ";\n";
    }
    return dbc + cycles;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({ "seconds", "How long the simulation sends (default 60).", "S", "60" });
    parser.addOption({ "messages", "Messages at each period (default 50).", "N", "50" });
    parser.process(app);
    FastMessages = SlowMessages = std::clamp(parser.value("messages").toInt(), 1, 1000);
    const double seconds = parser.value("seconds").toDouble();

    QTemporaryDir dir;
    QFile dbc(dir.filePath("bench.dbc"));
    if (!dbc.open(QIODevice::WriteOnly) || dbc.write(benchDatabase()) < 0)
        return 1;
    dbc.close();
    const QString bus = freeVirtualBus();
    // This process hosts the bus's relay; the device that receives has a
    // thread of its own, so that frames are timed as they arrive.
    VirtualBusHost host(bus);
    if (!host.ok())
        return 1;
    ArrivalClock arrivals(bus);
    if (!arrivals.ok())
        return 1;

    QProcess simulate;
    simulate.setProgram(QCoreApplication::applicationDirPath() + "/../tools/can/talvik-can");
    simulate.setArguments({ "simulate", "virtualcan:" + bus, "--dbc", dbc.fileName(), "--node",
                            "Bench", "--seconds", QString::number(seconds) });
    QObject::connect(&simulate, &QProcess::finished, &app, [&] {
        QTimer::singleShot(300, &app, &QCoreApplication::quit); // the last frames arrive
    });
    simulate.start();
    if (!simulate.waitForStarted())
        return 1;
    app.exec();
    std::map<quint32, std::vector<qint64>> arrivedAt; // identifier -> arrival times (us)
    for (const ArrivalClock::Arrival &arrival : arrivals.takeArrivals())
        arrivedAt[arrival.identifier].push_back(arrival.atUs);

    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const double cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;

    QTextStream out(stdout);
    bool ok = simulate.exitCode() == 0;
    out << "talvik-can simulate, " << FastMessages << " messages at 10 ms and " << SlowMessages
        << " at 100 ms, " << seconds << " s on Qt's virtual bus\n\n"
        << "| period | messages | frames received | counts off by more than 1 | received period "
           "error, 99th percentile | worst |\n|---|---|---|---|---|---|\n";
    for (const int period : { 10, 100 }) {
        std::vector<double> errors;
        int countsOff = 0, messages = 0;
        qint64 frames = 0;
        for (int i = 0; i < FastMessages + SlowMessages; ++i) {
            if ((i < FastMessages ? 10 : 100) != period)
                continue;
            ++messages;
            const std::vector<qint64> &times = arrivedAt[quint32(0x100 + i)];
            for (size_t k = 1; k < times.size(); ++k)
                errors.push_back(std::abs(double(times[k] - times[k - 1]) / 1000.0 - period));
            frames += qint64(times.size());
            // Frame n is due at n * period: seconds / period of them, the first at once.
            const double expected = std::floor(seconds * 1000 / period) + 1;
            if (std::abs(double(times.size()) - expected) > 1)
                ++countsOff;
        }
        const double p99 = percentile(errors, 0.99), worst = percentile(errors, 1.0);
        ok = ok && p99 <= 1.0 && worst <= 5.0 && countsOff == 0;
        out << "| " << period << " ms | " << messages << " | " << frames << " | " << countsOff
            << " | " << QString::number(p99, 'f', 2) << " ms | " << QString::number(worst, 'f', 2)
            << " ms |\n";
    }
    // The sender's own account: what it sent, and what it could not send in time.
    qint64 sent = 0, late = 0, skipped = 0;
    for (const QByteArray &line : simulate.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 8) {
            sent += words[3].chopped(1).toLongLong();
            late += words[5].chopped(1).toLongLong();
            skipped += words[7].toLongLong();
        }
    }
    out << "\nThe sender counted " << sent << " sent, " << late << " late, " << skipped
        << " skipped\n";
    const double share = 100.0 * cpuSeconds / seconds;
    ok = ok && share < 5.0;
    out << "\nSending process: " << QString::number(cpuSeconds, 'f', 2) << " s of CPU in "
        << seconds << " s = " << QString::number(share, 'f', 2) << " % of a core\n"
        << (ok ? "within the goals" : "GOALS MISSED") << "\n";
    return ok ? 0 : 1;
}
