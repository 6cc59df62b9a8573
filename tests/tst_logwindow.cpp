#include "capturestore.h"
#include "logformats.h"
#include "simlink.h"
#include "windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMutex>
#include <QThread>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <ctime>

namespace {
CaptureRecord frameAt(qint64 us, quint32 id, bool sent = false, quint8 length = 2)
{
    CaptureRecord r;
    r.timestampUs = us;
    r.frame.identifier = id;
    r.frame.length = length;
    for (int i = 0; i < length; ++i)
        r.frame.data[i] = quint8(id + i);
    r.sent = sent;
    return r;
}

// The converter simulator on a thread of its own: when a frame reaches it does
// not wait for the window's event loop (a repaint of the window takes a few
// milliseconds), so replay timing is measured as the converter would see it.
class SimulatorThread
{
public:
    SimulatorThread()
    {
        context.moveToThread(&thread);
        thread.start();
    }
    ~SimulatorThread()
    {
        unplug();
        thread.quit();
        thread.wait();
    }
    template<class F>
    void call(F &&work)
    {
        QMetaObject::invokeMethod(&context, std::forward<F>(work), Qt::BlockingQueuedConnection);
    }
    // Every frame the window puts on the bus is stamped on `clock`.
    bool open(const QElapsedTimer *clock)
    {
        bool opened = false;
        call([&] {
            sim = new SimulatorLink(SimOptions());
            QString error;
            opened = sim->open(&error);
            auto transmit = sim->converter().onTransmit;
            sim->converter().onTransmit = [this, clock, transmit](const CanFrame &frame) {
                QMutexLocker locker(&mutex);
                stamps << clock->nsecsElapsed() / 1000;
                transmit(frame);
            };
        });
        return opened;
    }
    void unplug()
    {
        call([this] {
            delete sim;
            sim = nullptr;
        });
    }
    QString slavePath()
    {
        QString path;
        call([&] { path = sim->slavePath(); });
        return path;
    }
    bool connected()
    {
        bool yes = false;
        call([&] { yes = sim && sim->hostConnected(); });
        return yes;
    }
    bool running()
    {
        bool yes = false;
        call([&] { yes = sim && sim->converter().running(); });
        return yes;
    }
    qint64 floodSent()
    {
        qint64 sent = 0;
        call([&] { sent = sim->floodSent(); });
        return sent;
    }
    QList<qint64> arrivals()
    {
        QMutexLocker locker(&mutex);
        return stamps;
    }
    SimulatorLink *sim = nullptr; // lives on the thread

private:
    QThread thread;
    QObject context;
    QMutex mutex;
    QList<qint64> stamps;
};

// Runs the event loop until `done` holds. QTest::qWait (and so QTRY_…) sleeps
// up to 10 ms between passes, which would make any timer late by as much.
template<class Condition>
bool runUntil(Condition done, int timeoutMs)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

QByteArray candumpFile(const std::vector<CaptureRecord> &records)
{
    QByteArray bytes;
    for (const CaptureRecord &r : records)
        bytes += candumpLine(r);
    return bytes;
}
} // namespace

// The capture's logs and replay, through the window's menu, buttons and a
// converter simulator.
class tst_LogWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openLogShowsItsLastRows_data();
    void openLogShowsItsLastRows();
    void openLogAsksBeforeReplacingTheCapture();
    void autoSaveFormatIsKept();
    void floodAutoSavedAsCandumpHoldsEveryFrameOnce();
    void saveChoosesTheFormat_data();
    void saveChoosesTheFormat();
    void replayKeepsTheLogsSpacing_data();
    void replayKeepsTheLogsSpacing();
    void replayStopsMidway_data();
    void replayStopsMidway();

private:
    void startSimulator(bool running = true);
    void openLog(const QString &name, const QByteArray &content);
    QPushButton *replayButton(const char *name) const;
    void click(const char *button)
    {
        QTest::mouseClick(f->get<QPushButton>(button), Qt::LeftButton);
    }

    WindowFixture *f = nullptr;
    SimulatorThread *sim = nullptr;
    QElapsedTimer clock;
};

void tst_LogWindow::initTestCase()
{
    qputenv("TZ", "UTC");
    tzset();
}

void tst_LogWindow::init()
{
    QTest::failOnWarning(QRegularExpression("No matching signal"));
    f = new WindowFixture;
}

void tst_LogWindow::cleanup()
{
    delete f;
    f = nullptr;
    delete sim;
    sim = nullptr;
}

void tst_LogWindow::startSimulator(bool running)
{
    sim = new SimulatorThread;
    clock.start();
    QVERIFY(sim->open(&clock));
    f->start(false);
    openPort(f->window, sim->slavePath());
    QTRY_VERIFY(sim->connected());
    if (running) {
        click("btnSetStart");
        QTRY_VERIFY(sim->running());
    }
}

void tst_LogWindow::openLog(const QString &name, const QByteArray &content)
{
    f->dir.write(name, content);
    answerNextFileDialog(f->dir.filePath(name));
    f->window->findChild<QAction *>("actionOpenLog")->trigger();
}

QPushButton *tst_LogWindow::replayButton(const char *name) const
{
    return child<QPushButton>(f->window->findChild<QWidget *>("ReplayWindow"), name);
}

void tst_LogWindow::openLogShowsItsLastRows_data()
{
    QTest::addColumn<bool>("statistics");
    QTest::addColumn<QStringList>("firstRows"); // rows 0 to 3: number, direction, id
    QTest::newRow("ring of 10 rows") << false
                                     << QStringList{ "0 接受 0x00000014", "1 发送 0x00000015",
                                                     "2 接受 0x00000016", "3 接受 0x00000017" };
    QTest::newRow("statistics: one row per received identifier")
            << true
            << QStringList{ "0 接受 0x00000001", "1 接受 0x00000002", "2 接受 0x00000000",
                            "3 接受 0x00000003" };
}

// 27 frames into a 10-row ring: the last 10 stand where the ring puts them.
void tst_LogWindow::openLogShowsItsLastRows()
{
    QFETCH(bool, statistics);
    QFETCH(QStringList, firstRows);
    f->start(false);
    f->get<QLineEdit>("lineEditTotal")->setText("10");
    if (statistics) {
        f->get<QCheckBox>("checkBoxOnlyRev")->click();
        f->get<QCheckBox>("checkBoxOverlayDisplay")->click();
    }
    std::vector<CaptureRecord> log;
    const qint64 start = 1'700'000'000'000'000;
    for (quint32 i = 0; i < 27; ++i)
        log.push_back(frameAt(start + i * 1500, statistics ? i % 4 : i, i % 3 == 0));
    openLog("trace.log", candumpFile(log));
    QTRY_VERIFY(statusText(f->window).contains("27"));

    auto *view = f->get<QTableWidget>("tableWidget");
    QStringList shown;
    for (int row = 0; row < 4; ++row) {
        const QStringList cells = rowCells(view, row);
        shown << cells.at(0) + " " + cells.at(1) + " " + cells.at(5);
    }
    QCOMPARE(shown, firstRows);
    if (statistics) {
        QCOMPARE(rowCells(view, 4).at(5), QString("-"));
        // The last received frame of identifier 1: i = 25, at 37.5 ms.
        QCOMPARE(rowCells(view, 0).at(2), QString("22:13:20 037"));
    } else {
        // Frame 24, sent 36 ms into the log.
        QCOMPARE(rowCells(view, 4).mid(0, 3), QStringList({ "4", "发送", "22:13:20 036" }));
        QCOMPARE(rowCells(view, 4).at(7), QString("18 19"));
    }
    QVERIFY(statusText(f->window).contains("trace.log"));
    QCOMPARE(f->window->findChild<CaptureStore *>()->size(), qsizetype(27));
}

void tst_LogWindow::openLogAsksBeforeReplacingTheCapture()
{
    f->start();
    f->pty.write(fixedFrame(0x55, "\x01"));
    auto *capture = f->window->findChild<CaptureStore *>();
    QTRY_COMPARE(capture->size(), qsizetype(1));

    auto answer = answerNextMessageBox(QMessageBox::No);
    openLog("other.log", candumpFile({ frameAt(1000, 1), frameAt(2000, 2) }));
    QTRY_VERIFY(answer->shown);
    QCOMPARE(capture->last().frame.identifier, quint32(0x55));

    answer = answerNextMessageBox(QMessageBox::Yes);
    openLog("other.log", candumpFile({ frameAt(1000, 1), frameAt(2000, 2) }));
    QTRY_COMPARE(capture->size(), qsizetype(2));
    QVERIFY(answer->shown);

    // A file that holds no log says so and leaves the capture as it is.
    openLog("nothing.log", QByteArray("\x00\x01\x02garbage", 10));
    QTRY_VERIFY(!statusText(f->window).contains("other.log"));
    QCOMPARE(capture->size(), qsizetype(2));
}

void tst_LogWindow::autoSaveFormatIsKept()
{
    f->start(false);
    f->window->findChild<QAction *>("actionAutoSaveAsc")->trigger();
    delete f->window;
    f->window = nullptr;
    f->start(false);
    QVERIFY(f->window->findChild<QAction *>("actionAutoSaveAsc")->isChecked());
    QVERIFY(!f->window->findChild<QAction *>("actionAutoSaveText")->isChecked());
}

// A flood much larger than the capture: every frame reaches the file once, in order.
void tst_LogWindow::floodAutoSavedAsCandumpHoldsEveryFrameOnce()
{
    startSimulator();
    f->window->findChild<CaptureStore *>()->setCapacity(500);
    f->window->findChild<QAction *>("actionAutoSaveCandump")->trigger();
    f->get<QCheckBox>("checkBoxAutoSave")->click();
    QVERIFY(f->get<QCheckBox>("checkBoxAutoSave")->isChecked());

    const int frames = 5000;
    sim->call([&] { sim->sim->startFlood(frames); });
    QTRY_COMPARE_WITH_TIMEOUT(sim->floodSent(), qint64(frames), 20000);
    QTest::qWait(200); // the last frames on their way
    f->get<QCheckBox>("checkBoxAutoSave")->click();

    const QStringList logs = QDir(f->dir.path()).entryList({ "*.log" });
    QCOMPARE(logs.size(), 1);
    const LogReadResult log = readCandumpLog(f->dir.read(logs.first()));
    QCOMPARE(log.skippedLines, 0);
    QCOMPARE(int(log.records.size()), frames);
    for (int i = 0; i < frames; ++i) {
        const CanFrame &frame = log.records[size_t(i)].frame;
        const int sequence = frame.data[0] | frame.data[1] << 8 | frame.data[2] << 16;
        QCOMPARE(sequence, i);
        if (i > 0)
            QVERIFY(log.records[size_t(i)].timestampUs > log.records[size_t(i - 1)].timestampUs);
    }
}

void tst_LogWindow::saveChoosesTheFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("starts");
    QTest::newRow("candump") << "out.log" << QByteArray("(");
    QTest::newRow("asc") << "out.ASC" << QByteArray("date ");
    QTest::newRow("pcap") << "out.pcap" << QByteArray("\xd4\xc3\xb2\xa1", 4);
    QTest::newRow("text table") << "out.txt" << QByteArray("序号");
}

void tst_LogWindow::saveChoosesTheFormat()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, starts);
    f->start();
    f->pty.write(fixedFrame(0x123, "\x01\x02") + fixedFrame(0x124, ""));
    QTRY_COMPARE(f->window->findChild<CaptureStore *>()->size(), qsizetype(2));
    answerNextFileDialog(f->dir.filePath(name));
    click("btnViewSave");
    QTRY_VERIFY(f->dir.exists(name));
    const QByteArray saved = f->dir.read(name);
    QVERIFY2(saved.startsWith(starts), saved.left(40).toHex().constData());
    if (!name.endsWith(".txt")) {
        const LogReadResult back = readLog(name, saved, QDate::currentDate());
        QCOMPARE(int(back.records.size()), 2);
        QCOMPARE(back.records[0].frame.identifier, quint32(0x123));
    }
}

void tst_LogWindow::replayKeepsTheLogsSpacing_data()
{
    QTest::addColumn<int>("speedIndex");
    QTest::addColumn<double>("speed");
    QTest::newRow("1x") << 2 << 1.0;
    QTest::newRow("4x") << 4 << 4.0;
}

// Frame k reaches the bus at t(k) / speed after the first, within 2 ms (the
// sanitizers' build runs several times slower: more there); and each shows as
// a sent row.
void tst_LogWindow::replayKeepsTheLogsSpacing()
{
    QFETCH(int, speedIndex);
    QFETCH(double, speed);
#if defined(__SANITIZE_ADDRESS__)
    constexpr qint64 ToleranceUs = 10000;
#else
    constexpr qint64 ToleranceUs = 2000;
#endif
    startSimulator();
    std::vector<CaptureRecord> log;
    qint64 t = 1'700'000'000'000'000;
    const int gapsMs[] = { 13, 40, 7, 25, 60, 3, 31, 18, 44, 9, 20, 33 };
    for (int i = 0; i < 12; ++i) {
        log.push_back(frameAt(t, 0x200 + i, false, 8));
        t += gapsMs[i] * 1000 * int(speed);
    }
    openLog("spaced.log", candumpFile(log));
    QTRY_VERIFY(statusText(f->window).contains("spaced.log"));
    f->window->findChild<QAction *>("actionReplay")->trigger();
    auto *replay = f->window->findChild<QWidget *>("ReplayWindow");
    QVERIFY(replay->isVisible());
    child<QComboBox>(replay, "comboSpeed")->setCurrentIndex(speedIndex);
    // The scheduler of a shared 2-core machine can hold the program back for
    // a few milliseconds now and then: the replay is tried up to three times,
    // and one run must keep every frame within the tolerance.
    QString worst;
    for (int attempt = 0; attempt < 3; ++attempt) {
        f->get<QPushButton>("btnViewClear")->click();
        const int before = int(sim->arrivals().size());
        QTest::mouseClick(replayButton("btnReplayStart"), Qt::LeftButton);
        QVERIFY(runUntil([&] { return sim->arrivals().size() == before + 12; }, 5000));
        const QList<qint64> arrivalsUs = sim->arrivals().mid(before);
        worst.clear();
        for (int k = 1; k < 12 && worst.isEmpty(); ++k) {
            const qint64 expected =
                    qint64((log[size_t(k)].timestampUs - log[0].timestampUs) / speed);
            const qint64 actual = arrivalsUs[k] - arrivalsUs[0];
            if (qAbs(actual - expected) > ToleranceUs)
                worst = QString("frame %1: %2 us, expected %3 us").arg(k).arg(actual).arg(expected);
        }
        QTRY_VERIFY(replayButton("btnReplayStart")->isEnabled());
        if (worst.isEmpty())
            break;
        qInfo("attempt %d: %s", attempt + 1, qPrintable(worst));
    }
    QVERIFY2(worst.isEmpty(), qPrintable(worst));
    auto *view = f->get<QTableWidget>("tableWidget");
    QCOMPARE(rowCells(view, 11).mid(1, 1), QStringList({ "发送" }));
    QCOMPARE(rowCells(view, 11).at(5), QString("0x0000020b"));
}

void tst_LogWindow::replayStopsMidway_data()
{
    QTest::addColumn<bool>("portLost");
    QTest::newRow("stop button") << false;
    QTest::newRow("port lost") << true;
}

void tst_LogWindow::replayStopsMidway()
{
    QFETCH(bool, portLost);
    startSimulator();
    std::vector<CaptureRecord> log;
    for (int i = 0; i < 200; ++i)
        log.push_back(frameAt(1'000'000 + i * 10'000, 0x300 + i));
    openLog("long.log", candumpFile(log));
    QTRY_VERIFY(statusText(f->window).contains("long.log"));
    f->window->findChild<QAction *>("actionReplay")->trigger();
    QTest::mouseClick(replayButton("btnReplayStart"), Qt::LeftButton);
    QTRY_VERIFY(sim->arrivals().size() >= 5);
    if (portLost) {
        sim->unplug();
    } else {
        QTest::mouseClick(replayButton("btnReplayStop"), Qt::LeftButton);
    }
    QTRY_VERIFY(replayButton("btnReplayStart")->isEnabled());
    QTest::qWait(50); // what was on its way when replay stopped
    const int arrived = int(sim->arrivals().size());
    QTest::qWait(100);
    QCOMPARE(int(sim->arrivals().size()), arrived);
    QVERIFY(arrived < 200);
    auto *replay = f->window->findChild<QWidget *>("ReplayWindow");
    const QString progress = child<QLabel>(replay, "labelProgress")->text();
    QVERIFY2(progress.contains(portLost ? "端口已关闭" : "回放已停止"), qPrintable(progress));
    QVERIFY2(progress.contains("已发送"), qPrintable(progress));
}

QTEST_MAIN(tst_LogWindow)
#include "tst_logwindow.moc"
