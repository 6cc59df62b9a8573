// talvik-log-bench: what a million frames cost in the capture, and how long
// the window takes to save them in each format and to open them again.
#include "capturestore.h"
#include "logfiles.h"
#include "logmenu.h"
#include "mainwindow.h"
#include "resident.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTextStream>

#include <malloc.h>

namespace {

constexpr int Frames = 1'000'000;

// A bus of a few dozen identifiers, mixed lengths and both frame types.
CaptureRecord benchRecord(int i)
{
    CaptureRecord record;
    record.timestampUs = 1'700'000'000'000'000 + qint64(i) * 250;
    record.frame.identifier = i % 3 == 0 ? 0x18FF0000u + quint32(i % 40) : 0x100u + quint32(i % 40);
    record.frame.extended = i % 3 == 0;
    record.frame.length = quint8(i % 9);
    for (int b = 0; b < record.frame.length; ++b)
        record.frame.data[b] = quint8(i >> (b % 4 * 8));
    record.sent = i % 10 == 0;
    return record;
}

// A CAN FD frame of `length` bytes with bit-rate switch.
CaptureRecord fdRecord(int i, int length)
{
    CaptureRecord record = benchRecord(i);
    record.frame.fd = record.frame.bitRateSwitch = true;
    record.frame.length = quint8(length);
    for (int b = 0; b < length; ++b)
        record.frame.data[b] = quint8(i + b);
    return record;
}

// Bytes the heap gives out now.
double heapBytes()
{
    return double(mallinfo2().uordblks);
}

// What a million frames of one kind cost in a capture of their own.
void captureCost(QTextStream &out, const char *kind, CaptureRecord (*make)(int))
{
    const double before = heapBytes();
    {
        CaptureStore capture;
        for (int i = 0; i < Frames; ++i)
            capture.append(make(i));
        out << "| " << kind << " | "
            << QString::number((heapBytes() - before) / Frames, 'f', 1) << " |\n";
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QTextStream out(stdout);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    MainWindow window;
    window.show();
    auto *capture = window.findChild<CaptureStore *>();
    auto *logMenu = window.findChild<LogMenu *>();

    const double before = residentMb();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Frames; ++i)
        capture->append(benchRecord(i));
    const double appendNs = double(timer.nsecsElapsed()) / Frames;
    const double after = residentMb();
    out << "Capture of " << Frames
        << " frames: " << QString::number((after - before) * 1e6 / Frames, 'f', 1)
        << " bytes a frame (resident " << QString::number(before, 'f', 1) << " MB -> "
        << QString::number(after, 'f', 1) << " MB), " << QString::number(appendNs, 'f', 1)
        << " ns an append\n\n";

    out << "| frames (1,000,000 each) | bytes a frame in the capture |\n|---|---|\n";
    captureCost(out, "classic, 0 to 8 bytes", benchRecord);
    captureCost(out, "CAN FD, 8 bytes", [](int i) { return fdRecord(i, 8); });
    captureCost(out, "CAN FD, 12 bytes", [](int i) { return fdRecord(i, 12); });
    captureCost(out, "CAN FD, 64 bytes", [](int i) { return fdRecord(i, 64); });
    out << "\n";

    out << "| format | file size | save | open (read, capture, view) |\n|---|---|---|---|\n";
    const struct
    {
        LogFormat format;
        const char *name;
    } formats[] = { { LogFormat::Candump, "bench.log" },
                    { LogFormat::VectorAsc, "bench.asc" },
                    { LogFormat::Pcap, "bench.pcap" } };
    for (const auto &f : formats) {
        const QString name = QLatin1String(f.name);
        timer.restart();
        const bool saved = saveCaptureLog(name, f.format, *capture);
        const double saveSeconds = timer.nsecsElapsed() / 1e9;

        // The steps behind "打开日志…" after the file dialog.
        timer.restart();
        LogReadResult log = readLogFile(name);
        const size_t read = log.records.size();
        const QString summary = logSummaryText(name, log);
        capture->replace(std::move(log.records));
        emit logMenu->logOpened(summary);
        const double openSeconds = timer.nsecsElapsed() / 1e9;
        out << "| " << name.section('.', 1) << " | "
            << QString::number(QFile(name).size() / 1e6, 'f', 1) << " MB | "
            << (saved ? QString::number(saveSeconds, 'f', 2) + " s" : QStringLiteral("failed"))
            << " | " << QString::number(openSeconds, 'f', 2) << " s (" << read << " frames) |\n";
        out.flush();
    }
    return 0;
}
