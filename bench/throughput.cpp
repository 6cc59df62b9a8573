// talvik-bench: the real window against the converter simulator flooding a
// pseudo-terminal, in each framing and display mode, and against a simulated
// node flooding Qt's virtual CAN bus. Prints one table.
#include "mainwindow.h"
#include "signalswindow.h"
#include "resident.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

namespace {

struct Scenario
{
    QString name;
    bool variable = false;
    int frameLength = 8; // seq number in the first 4 data bytes; 0: in the identifier
    int distinctIds = 1;
    bool statistics = false;
    bool autoReply = false;
    bool autoSave = false;
    bool soak = false; // mixed framings with noise, auto send too, checked files
    bool signalsWindow = false; // the demo database loaded, the signals window open
    bool diagnosticsWindow = false; // the diagnostics window open, J1939 single frames listed
    bool virtualBus = false; // the window on Qt's virtual CAN bus, the simulator a node there
    bool fd = false; // CAN FD frames (the virtual bus only)
};

struct Result
{
    qint64 sent = 0;
    qint64 shown = 0;
    qint64 lost = 0;
    qint64 doubled = 0;
    double seconds = 0;
    double cpuPercent = 0;
    qint64 worstDelayMs = 0;
    double rssMb = 0;
    QString logProblems;
};

constexpr int FloodBaseId = 0x100;
constexpr double LineBytesPerSecond = 2000000 / 10.0;
// 8-byte frames a saturated 1 Mbit/s bus carries a second (about 128 bits each).
constexpr double SaturatedBusFramesPerSecond = 7800;
// 64-byte FD frames the same bus carries with an 8 Mbit/s data phase (about 104 µs each).
constexpr double SaturatedFdBusFramesPerSecond = 9600;
const QString VirtualBus = QStringLiteral("tcp://127.0.0.1:45300/can0");

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
            + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Every auto-save file starts with the header and holds whole 8-field lines;
// together they hold every row shown, received and sent.
QString checkLogs(const QString &dir, qint64 received, qint64 sent)
{
    qint64 loggedReceived = 0, loggedSent = 0;
    const QStringList files =
            QDir(dir).entryList({ QStringLiteral("20*.txt") }, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        QFile file(QDir(dir).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read ") + name;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        if (lines.size() < 2 || !lines.first().startsWith(QStringLiteral("序号"))
            || !lines.last().isEmpty())
            return name + QStringLiteral(": no header or a cut line");
        for (const QString &line : lines.mid(1, lines.size() - 2)) {
            if (line.size() < 160)
                return name + QStringLiteral(": short line ") + line;
            const QString direction = line.mid(20, 20).trimmed();
            if (direction == QStringLiteral("接受"))
                ++loggedReceived;
            else if (direction == QStringLiteral("发送"))
                ++loggedSent;
            else
                return name + QStringLiteral(": bad line ") + line;
        }
    }
    if (loggedReceived != received || loggedSent != sent)
        return QStringLiteral("logged %1 received and %2 sent rows of %3 and %4 in %5 files")
                .arg(loggedReceived)
                .arg(loggedSent)
                .arg(received)
                .arg(sent)
                .arg(files.size());
    return {};
}

int frameBytes(const Scenario &s)
{
    return s.variable ? s.frameLength + 5 : 20;
}

// Counts each row the window writes, from the frame's sequence number.
class RowCounter : public QObject
{
public:
    RowCounter(QTableWidget *view, const Scenario &scenario) : view(view), scenario(scenario)
    {
        connect(view->model(), &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex &from) { rowWritten(from); });
    }

    qint64 shown = 0, lost = 0, doubled = 0, sentRows = 0;
    QElapsedTimer sinceLast;

private:
    void rowWritten(const QModelIndex &index)
    {
        if (index.column() != 7 || !view->item(index.row(), 1))
            return;
        if (view->item(index.row(), 1)->text() != QStringLiteral("接受")) {
            ++sentRows;
            return;
        }
        const qint64 seq = sequenceOf(index.row());
        const qint64 expected = scenario.frameLength >= 4 ? next : next % scenario.distinctIds;
        if (seq == expected) {
            ++next;
        } else if (scenario.frameLength >= 4 && seq > expected) {
            lost += seq - expected;
            next = seq + 1;
        } else if (scenario.frameLength < 4 && seq != expected) {
            lost += (seq - expected + scenario.distinctIds) % scenario.distinctIds;
            next += (seq - expected + scenario.distinctIds) % scenario.distinctIds + 1;
        } else {
            ++doubled;
        }
        ++shown;
        sinceLast.start();
    }

    qint64 sequenceOf(int row) const
    {
        if (scenario.frameLength >= 4) {
            const QStringList bytes = view->item(row, 7)->text().split(QLatin1Char(' '));
            qint64 seq = 0;
            for (int i = 3; i >= 0; --i)
                seq = (seq << 8) | bytes.value(i).toInt(nullptr, 16);
            return seq;
        }
        return view->item(row, 5)->text().toLongLong(nullptr, 16) - FloodBaseId;
    }

    QTableWidget *view;
    Scenario scenario;
    qint64 next = 0;
};

template<class T>
T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

void tick(QWidget *window, const char *name)
{
    auto *box = child<QCheckBox>(window, name);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
}

Result run(const Scenario &s, const QString &simPath, qint64 frames, bool paced)
{
    Result result;
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());

    QProcess sim;
    auto *window = new MainWindow;
    window->show();
    if (s.virtualBus) {
        // The simulator serves the bus, as it does for make demo; the window
        // joins before the flood starts (the bus keeps nothing for latecomers).
        QStringList virtualArgs{ "--virtualcan",   VirtualBus,
                                 "--flood",        QString::number(frames),
                                 "--flood-length", QString::number(s.frameLength),
                                 "--flood-delay",  "1000" };
        if (s.fd)
            virtualArgs << "--flood-fd";
        sim.start(simPath, virtualArgs);
        sim.waitForReadyRead(5000);
        child<QComboBox>(window, "cbBoxPort")->setEditText("virtualcan:" + VirtualBus);
        QTest::mouseClick(child<QPushButton>(window, "btnOpenClose"), Qt::LeftButton);
    }
    QStringList args{ "--started",
                      "--flood",
                      QString::number(frames),
                      "--flood-length",
                      QString::number(s.frameLength),
                      "--flood-ids",
                      QString::number(s.distinctIds),
                      "--framing",
                      s.variable ? "variable" : "fixed" };
    if (!paced)
        args << "--no-pace";
    if (s.soak)
        args << "--flood-mixed"
             << "--flood-noise";
    QString port;
    if (!s.virtualBus) {
        sim.start(simPath, args);
        sim.waitForReadyRead(5000);
        const QString line = QString::fromLocal8Bit(sim.readLine());
        port = line.section(QLatin1String(" on "), 1).section(QLatin1Char(' '), 0, 0);
    }
    if (s.statistics) {
        tick(window, "checkBoxOnlyRev");
        tick(window, "checkBoxOverlayDisplay");
    }
    if (s.autoReply) {
        auto *replies = child<QTableWidget>(window, "tableWidget_4");
        replies->item(0, 0)->setText(QString::number(FloodBaseId, 16));
        tick(window, "checkBoxReplyAuto");
    }
    if (s.autoSave)
        tick(window, "checkBoxAutoSave");
    if (s.signalsWindow) {
        window->findChild<QAction *>(QStringLiteral("actionSignals"))->trigger();
        auto *signalsWindow = window->findChild<SignalsWindow *>();
        if (!signalsWindow->loadDbc(QStringLiteral(TALVIK_SOURCE_DIR "/docs/demo.dbc")))
            qFatal("cannot load the demo database");
    }
    if (s.diagnosticsWindow) {
        window->findChild<QAction *>(QStringLiteral("actionDiagnostics"))->trigger();
        window->findChild<QCheckBox *>(QStringLiteral("singleFramesBox"))->setChecked(true);
    }
    if (s.soak) {
        // Three rows every 10 ms, cycling, while the flood runs.
        auto *autoRows = child<QTableWidget>(window, "tableWidget_3");
        autoRows->setRowCount(3);
        for (int row = 0; row < 3; ++row)
            autoRows->item(row, 2)->setText(QStringLiteral("10"));
        tick(window, "checkBoxAutoCycle");
    }
    RowCounter counter(child<QTableWidget>(window, "tableWidget"), s);

    QElapsedTimer loopClock;
    QTimer loopProbe;
    loopProbe.setInterval(5);
    QObject::connect(&loopProbe, &QTimer::timeout, [&] {
        result.worstDelayMs = qMax(result.worstDelayMs, loopClock.elapsed() - 5);
        loopClock.start();
    });

    if (!s.virtualBus)
        child<QComboBox>(window, "cbBoxPort")->setEditText(port);
    else // the flood starts a second after the simulator joined the bus: time it from its first frame
        [[maybe_unused]] const bool started = QTest::qWaitFor([&] { return counter.shown > 0; }, 10000);
    QElapsedTimer wall;
    const double cpuBefore = cpuSeconds();
    wall.start();
    counter.sinceLast.start();
    loopClock.start();
    loopProbe.start();
    if (!s.virtualBus)
        QTest::mouseClick(child<QPushButton>(window, "btnOpenClose"), Qt::LeftButton);
    if (s.soak)
        QTest::mouseClick(child<QPushButton>(window, "btnSendSeq"), Qt::LeftButton);

    if (window->findChild<QStatusBar *>()->currentMessage() != QStringLiteral("端口正常打开"))
        QTextStream(stderr) << "  cannot open the port: "
                            << window->findChild<QStatusBar *>()->currentMessage() << "\n";
    double rssAt5 = 0;
    while (counter.shown + counter.lost < frames && counter.sinceLast.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (rssAt5 == 0 && wall.elapsed() > 5000)
            rssAt5 = residentMb();
    }
    result.seconds = (wall.elapsed() - (counter.shown + counter.lost < frames ? 3000 : 0)) / 1000.0;
    result.cpuPercent = 100 * (cpuSeconds() - cpuBefore) / (wall.elapsed() / 1000.0);
    loopProbe.stop();
    result.sent = frames;
    result.shown = counter.shown;
    result.lost = counter.lost;
    result.doubled = counter.doubled;
    result.rssMb = residentMb();
    if (rssAt5 > 0)
        QTextStream(stderr) << "  " << s.name << ": resident " << rssAt5 << " MB at 5 s, "
                            << result.rssMb << " MB after " << result.seconds << " s\n";
    const qint64 sentRows = counter.sentRows;
    delete window; // appends the last auto-save rows
    if (s.autoSave)
        result.logProblems = checkLogs(dir.path(), counter.shown, sentRows);
    sim.terminate();
    sim.waitForFinished(2000);
    QDir::setCurrent(previous);
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption sim("sim", "The talvik-sim program.", "PATH");
    const QCommandLineOption seconds(
            "seconds", "Roughly how long each scenario floods at the line's rate.", "S", "5");
    const QCommandLineOption only("only", "Run only the scenarios whose name contains TEXT.",
                                  "TEXT");
    const QCommandLineOption soak("soak",
                                  "Instead: mixed traffic with noise, auto reply, auto send and "
                                  "auto-save for MINUTES at the line's rate.",
                                  "MINUTES");
    const QCommandLineOption paced("paced",
                                   "Flood at the line's rate for the whole time (memory over time) "
                                   "instead of as fast as the window takes it.");
    const QCommandLineOption signalsOption(
            "signals", "Every scenario with the demo database loaded and the signals window open.");
    const QCommandLineOption diagnosticsOption(
            "diagnostics", "Every scenario with the diagnostics window open.");
    parser.addOptions({ sim, seconds, only, paced, soak, signalsOption, diagnosticsOption });
    parser.process(app);
    const QString simPath = parser.isSet(sim)
            ? parser.value(sim)
            : QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/sim/talvik-sim");

    QList<Scenario> scenarios;
    for (bool variable : { true, false }) {
        Scenario plain;
        plain.variable = variable;
        plain.frameLength = variable ? 0 : 8;
        plain.distinctIds = variable ? 1792 : 1;
        plain.name = QStringLiteral("plain");
        Scenario eight = plain;
        eight.frameLength = 8;
        eight.distinctIds = 1;
        eight.name = QStringLiteral("plain, 8 bytes");
        Scenario statistics = eight;
        statistics.name = QStringLiteral("statistics, 999 ids");
        statistics.statistics = true;
        statistics.distinctIds = 999;
        Scenario reply = eight;
        reply.name = QStringLiteral("auto reply");
        reply.autoReply = true;
        Scenario save = plain;
        save.name = QStringLiteral("auto-save");
        save.autoSave = true;
        for (const Scenario &s : { plain, eight, statistics, reply, save }) {
            if (variable || s.name != QLatin1String("plain, 8 bytes"))
                scenarios << s;
        }
    }

    Scenario virtualBus;
    virtualBus.name = QStringLiteral("virtual bus, 8 bytes");
    virtualBus.virtualBus = true;
    Scenario virtualFd = virtualBus;
    virtualFd.name = QStringLiteral("virtual bus, FD 64 bytes");
    virtualFd.frameLength = 64;
    virtualFd.fd = true;
    scenarios << virtualBus << virtualFd;

    if (parser.isSet(signalsOption)) {
        for (Scenario &s : scenarios) {
            s.signalsWindow = true;
            s.name += QStringLiteral(", signals window");
        }
    }

    if (parser.isSet(diagnosticsOption)) {
        for (Scenario &s : scenarios) {
            s.diagnosticsWindow = true;
            s.name += QStringLiteral(", diagnostics window");
        }
    }

    if (parser.isSet(soak)) {
        Scenario s;
        s.name = QStringLiteral("soak");
        s.soak = s.autoReply = s.autoSave = true;
        scenarios = { s };
    }

    QTextStream out(stdout);
    out << "| framing | scenario | frames sent | frames shown | lost | doubled | frames/s | ratio "
           "to "
           "line | CPU % | worst loop delay | resident |\n";
    out << "|---|---|---|---|---|---|---|---|---|---|---|\n";
    for (const Scenario &s : scenarios) {
        if (parser.isSet(only) && !s.name.contains(parser.value(only)))
            continue;
        const double lineFps =
                s.fd           ? SaturatedFdBusFramesPerSecond
                : s.virtualBus ? SaturatedBusFramesPerSecond
                               : LineBytesPerSecond / frameBytes(s);
        const double duration =
                s.soak ? parser.value(soak).toDouble() * 60 : parser.value(seconds).toDouble();
        // The virtual bus is flooded four times over: as fast as it goes, not at its rate.
        const qint64 frames = qint64(lineFps * duration * (s.virtualBus ? 4 : 1));
        const Result r = run(s, simPath, frames, parser.isSet(paced) || s.soak);
        const double fps = r.shown / qMax(0.001, r.seconds);
        out << "| " << (s.virtualBus ? "virtual CAN bus" : s.variable ? "variable" : "fixed")
            << " | " << s.name << " (" << (s.virtualBus ? s.frameLength : frameBytes(s)) << " B) | " << r.sent << " | " << r.shown << " | " << r.lost << " | "
            << r.doubled << " | " << qRound(fps) << " | " << QString::number(fps / lineFps, 'f', 2)
            << " | " << qRound(r.cpuPercent) << " | " << r.worstDelayMs << " ms | "
            << QString::number(r.rssMb, 'f', 0) << " MB |" << Qt::endl;
        if (s.virtualBus)
            QTextStream(stderr) << "  " << s.name << ": "
                                << QString::number(fps * s.frameLength / 1e6, 'f', 2)
                                << " MB/s of data\n";
        if (!r.logProblems.isEmpty())
            QTextStream(stderr) << "  auto-save files: " << r.logProblems << "\n";
        else if (s.autoSave)
            QTextStream(stderr) << "  auto-save files: every row once, well formed\n";
    }
    return 0;
}
