// talvik-decode's rate: a generated vehicle database and candump log, decoded
// as text and as JSON into files, timed from start to exit.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const char *const Units[] = { "", "rpm", "km/h", "°C", "%", "V", "A", "Nm", "bar", "ms" };
const char *const Factors[] = { "1", "0.1", "0.25", "0.01", "0.5", "0.125", "0.001", "2" };
const char *const Offsets[] = { "0", "0", "-40", "0", "-100", "0.5", "0", "-273.15" };

// 91 messages of 10 to 20 signals filling their 8 bytes: Intel and Motorola,
// signed and unsigned, factors and offsets, units, value tables, a few
// multiplexed messages, standard and extended identifiers.
QByteArray vehicleDbc(int messages, QRandomGenerator &random)
{
    QByteArray text =
            "VERSION \"\"\n\nNS_ :\n\tCM_\n\tBA_\n\tVAL_\n\nBS_:\n\nBU_: ECU1 ECU2 Gateway\n\n";
    QByteArray tail;
    for (int m = 0; m < messages; ++m) {
        const bool extended = m % 4 == 3;
        const quint32 id =
                extended ? 0x80000000u | (0x18FF0000u + quint32(m) * 16) : 0x100u + quint32(m) * 5;
        text += "BO_ " + QByteArray::number(id) + " Message_" + QByteArray::number(m) + ": 8 ECU"
                + QByteArray::number(m % 2 + 1) + "\n";
        const bool motorola = m % 3 == 1;
        const bool multiplexed = m % 9 == 4;
        const int signalCount = 10 + int(random.bounded(11));
        // Lengths that add up to 64 bits: at least 2 bits a signal.
        std::vector<int> lengths(size_t(signalCount), 2);
        for (int spare = 64 - 2 * signalCount; spare > 0; --spare)
            ++lengths[random.bounded(signalCount)];
        int bit = 0;
        for (int s = 0; s < signalCount; ++s) {
            const int length = lengths[size_t(s)];
            const int start = motorola ? bit / 8 * 8 + 7 - bit % 8 : bit;
            const QByteArray name = "Signal_" + QByteArray::number(m) + '_' + QByteArray::number(s);
            QByteArray mux;
            if (multiplexed)
                mux = s == 0 ? " M" : " m" + QByteArray::number(s % 3);
            const int kind = int(random.bounded(8));
            text += " SG_ " + name + mux + " : " + QByteArray::number(start) + '|'
                    + QByteArray::number(length) + (motorola ? "@0" : "@1")
                    + (s % 4 == 3 ? "-" : "+") + " (" + Factors[kind] + ',' + Offsets[kind]
                    + ") [0|0] \"" + Units[random.bounded(10)] + "\" Gateway\n";
            if (s % 7 == 2)
                tail += "VAL_ " + QByteArray::number(id) + ' ' + name
                        + " 0 \"Off\" 1 \"On\" 2 \"Error\" 3 \"Not available\" ;\n";
            bit += length;
        }
        text += '\n';
    }
    return text + tail;
}

// `frames` candump lines of the database's messages with random data.
QByteArray candumpLog(const QByteArray &dbc, int frames, QRandomGenerator &random)
{
    QList<QByteArray> ids;
    for (const QByteArray &line : dbc.split('\n')) {
        if (!line.startsWith("BO_ "))
            continue;
        const quint32 raw = line.split(' ').at(1).toUInt();
        ids << (raw & 0x80000000u
                        ? QByteArray::number(raw & 0x1FFFFFFF, 16).toUpper().rightJustified(8, '0')
                        : QByteArray::number(raw, 16).toUpper().rightJustified(3, '0'));
    }
    QByteArray log;
    log.reserve(qsizetype(frames) * 48);
    qint64 us = 1700000000000000;
    char line[80];
    for (int i = 0; i < frames; ++i) {
        us += 100 + random.bounded(900);
        const QByteArray &id = ids.at(random.bounded(int(ids.size())));
        const quint64 data = random.generate64();
        const int n = std::snprintf(line, sizeof line, "(%lld.%06lld) can0 %s#%016llX\n",
                                    static_cast<long long>(us / 1000000),
                                    static_cast<long long>(us % 1000000), id.constData(),
                                    static_cast<unsigned long long>(data));
        log.append(line, n);
    }
    return log;
}

// Seconds talvik-decode takes over the log, its output in `outputPath`.
double runDecoder(const QString &decoder, const QStringList &arguments, const QString &outputPath)
{
    QProcess process;
    process.setStandardOutputFile(outputPath);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(decoder, arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(decoder));
        std::exit(1);
    }
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&args](const char *name, const QString &fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
    };
    if (args.contains(QLatin1String("--help"))) {
        std::puts("talvik-decode-bench [--frames N] [--decoder PATH] [--keep DIR]\n"
                  "Decodes a generated log of N frames (1000000) as text and as JSON;\n"
                  "--keep leaves the database, the log and both outputs in DIR.");
        return 0;
    }
    const int frames = option("--frames", QStringLiteral("1000000")).toInt();
    const QString decoder = option("--decoder", QStringLiteral(TALVIK_DECODE_PATH));
    QTemporaryDir temporary;
    const QString dir = option("--keep", temporary.path());

    QRandomGenerator random(23);
    const QByteArray dbc = vehicleDbc(91, random);
    const QByteArray log = candumpLog(dbc, frames, random);
    for (const auto &[name, content] :
         { std::pair{ "vehicle.dbc", &dbc }, { "vehicle.log", &log } }) {
        QFile file(dir + '/' + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(*content) != content->size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }
    std::printf("talvik-decode over %d frames of 91 messages of 10 to 20 signals (%.1f MB log)\n\n"
                "| output | time | frames/s | output size |\n|---|---|---|---|\n",
                frames, double(log.size()) / 1e6);
    for (const bool json : { false, true }) {
        const QString output = dir + (json ? "/decoded.json" : "/decoded.txt");
        QStringList arguments{ dir + "/vehicle.dbc", dir + "/vehicle.log" };
        if (json)
            arguments.prepend(QStringLiteral("--json"));
        runDecoder(decoder, arguments, output); // once to warm the caches
        double best = 1e9;
        for (int run = 0; run < 3; ++run)
            best = std::min(best, runDecoder(decoder, arguments, output));
        std::printf("| %s | %.2f s | %.0f | %.0f MB |\n", json ? "JSON" : "text", best,
                    frames / best, double(QFileInfo(output).size()) / 1e6);
        std::fflush(stdout);
    }
    return 0;
}
