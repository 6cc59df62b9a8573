// The SLCAN bridge in front of the converter simulator, with the test as the
// SLCAN client on the bridge's pseudo-terminal.
#include "canbus.h"
#include "canlink.h"
#include "hexbytes.h"
#include "slcanbridge.h"
#include "simulatorthread.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

// The client's end: the symlink opened as a program would open it.
struct Client
{
    const int fd;
    explicit Client(const QString &path)
        : fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
    }
    ~Client() { ::close(fd); }
    void write(QByteArray bytes)
    {
        while (!bytes.isEmpty()) {
            const ssize_t done = ::write(fd, bytes.constData(), size_t(bytes.size()));
            if (done > 0)
                bytes.remove(0, done);
            else
                QTest::qWait(1); // the bridge is holding back: let it run
        }
    }
    QByteArray readSome()
    {
        char chunk[65536];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        return got > 0 ? QByteArray(chunk, int(got)) : QByteArray();
    }
    // Everything until `count` CRs or BELs arrived, or the time is up.
    QByteArray readAnswers(int count)
    {
        QByteArray got;
        (void)QTest::qWaitFor([&] {
            got += readSome();
            return got.count('\r') + got.count('\a') >= count;
        }, 3000);
        return got;
    }
};

} // namespace

class tst_SlcanBridge : public QObject
{
    Q_OBJECT

    std::unique_ptr<Simulator> sim;
    std::unique_ptr<CanBus> bus;
    std::unique_ptr<SlcanBridge> bridge;
    std::unique_ptr<Client> client;
    QTemporaryDir dir;
    QString link() const { return dir.filePath("slcan"); }

    // With the client's channel open (O) or not yet.
    void startAll(bool open = false, const SimOptions &options = {}, bool variable = false)
    {
        sim = std::make_unique<Simulator>(options);
        bus = std::make_unique<CanBus>();
        QVERIFY(bus->open(SIM(s.slavePath()), 2000000));
        QTRY_VERIFY(SIM(s.hostConnected()));
        bridge = std::make_unique<SlcanBridge>(bus.get());
        CanSetup setup;
        setup.presetIndex = 4;
        setup.variableFraming = variable;
        bridge->setConverterSetup(setup);
        QString error;
        QVERIFY2(bridge->start(link(), &error), qPrintable(error));
        QCOMPARE(QFile::symLinkTarget(link()), bridge->terminalPath());
        client = std::make_unique<Client>(link());
        if (open) {
            client->write("O\r");
            QCOMPARE(client->readAnswers(1), "\r");
            QTRY_VERIFY(SIM(s.converter().running()));
        }
    }

private slots:
    void cleanup() { client.reset(); bridge.reset(); bus.reset(); sim.reset(); }

    // A conversation as an adapter has it, each command answered in turn, and
    // each bit rate and mode reaching the converter.
    void commandsAndAnswers()
    {
        startAll();
        const QList<std::pair<QByteArray, QByteArray>> table = {
            { "V\r\n", "V1013\r" },   { "v\r\n", "v1013\r" }, { "N\r", "NTLVK\r" },
            { "t1230\r", "\a" },      { "S9\r", "\a" },       { "S6\r", "\r" },
            { "Z1\r", "\r" },         { "M00000000\r", "\r" }, { "mFFFFFFFF\r", "\r" },
            { "O\r", "\r" },          { "S4\r", "\a" },       { "O\r", "\a" },
            { "F\r", "F00\r" },       { "t1231\r", "\a" },    { "t1231AA\r", "\r" },
            { "C\r", "\r" },          { "L\r", "\r" },        { "t1230\r", "\a" },
            { "C\r", "\r" },          { "?\r", "\a" },
        };
        for (const auto &[command, answer] : table) {
            client->write(command);
            QCOMPARE(client->readAnswers(1), answer);
        }
        QCOMPARE(bridge->state().bitRateIndex, 6);
        QVERIFY(bridge->state().timestamps);

        // Sn then O: set-and-start at that rate in normal mode; L: silent mode.
        const int rates[] = { 10000, 20000, 50000, 100000, 125000, 250000, 500000, 800000, 1000000 };
        for (int n = 0; n < 9; ++n) {
            const bool silent = n == 8;
            client->write("S" + QByteArray::number(n) + (silent ? "\rL\r" : "\rO\r"));
            QCOMPARE(client->readAnswers(2), "\r\r");
            QTRY_COMPARE(SIM(s.converter().bitRate()), rates[n]);
            QTRY_COMPARE(SIM(s.converter().mode()), silent ? ConverterModel::Silent : ConverterModel::Normal);
            client->write("C\r");
            QVERIFY(client->readAnswers(1).endsWith("\r"));
        }
    }

    // In variable framing: the floods below run in fixed framing.
    void framesBothWays()
    {
        startAll(true, withNodes({ "18FF50E5:20:0102" }), true);
        QVERIFY(SIM(s.converter().variableFraming()));
        const QByteArray got = client->readAnswers(3);
        QVERIFY2(got.startsWith("T18FF50E520102\r"), got);

        client->write("t7FF2ABCD\rR000001233\r");
        QTRY_COMPARE(sim->onBus().size(), 2);
        QCOMPARE(sim->onBus().at(0).second, canFrame(0x7FF, hex("AB CD")));
        QCOMPARE(sim->onBus().at(1).second, canFrame(0x123, hex("00 00 00"), true, true));
        QCOMPARE(bridge->framesFromClient(), 2);

        client->write("Z1\r");
        QByteArray stamped;
        QTRY_VERIFY((stamped += client->readSome()).count('\r') > 8);
        const QList<QByteArray> lines = stamped.split('\r');
        const QString last = lines[lines.size() - 2]; // a timestamp of 0 to 59999 ms
        QVERIFY2(QRegularExpression("^T18FF50E520102[0-9A-Fa-f]{4}$").match(last).hasMatch()
                         && last.right(4).toInt(nullptr, 16) < 60000,
                 qPrintable(last));

        // closed, the client hears nothing more while the bus goes on
        client->write("C\r");
        QTest::qWait(100);
        client->readSome(); // the frames before C and its answer
        QTest::qWait(100);
        QCOMPARE(client->readSome(), QByteArray());
        QVERIFY(SIM(s.converter().running()));
    }

    // The converter's flood to a client reading as fast as it can, and the
    // client's flood to the bus: every frame, in order.
    void floods()
    {
        constexpr int Frames = 20000;
        startAll(true);

        // to the bus: written as fast as the bridge takes them
        QByteArray lines;
        for (int i = 0; i < Frames; ++i)
            lines += "t" + QByteArray::number(i % 0x800, 16).rightJustified(3, '0') + "200"
                    + QByteArray::number(i & 0xFF, 16).rightJustified(2, '0') + "\r";
        client->write(lines);
        QByteArray answers;
        QTRY_VERIFY_WITH_TIMEOUT((answers += client->readSome()).size() >= Frames, 20000);
        QCOMPARE(answers, QByteArray(Frames, '\r'));
        QTRY_COMPARE_WITH_TIMEOUT(sim->onBus().size(), Frames, 20000);
        const auto onBus = sim->onBus();
        for (int i = 0; i < Frames; ++i) {
            QCOMPARE(onBus[i].second.identifier, quint32(i % 0x800));
            QCOMPARE(onBus[i].second.data[1], quint8(i));
        }

        // to the client
        sim->call([&] { sim->link->startFlood(Frames); });
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT((received += client->readSome()).count('\r') >= Frames, 20000);
        const QList<QByteArray> got = received.split('\r');
        QCOMPARE(got.size(), Frames + 1);
        for (int i = 0; i < Frames; ++i) {
            const quint32 sequence = got[i].mid(5, 2).toUInt(nullptr, 16)
                    | got[i].mid(7, 2).toUInt(nullptr, 16) << 8;
            QCOMPARE(sequence, quint32(i));
        }
        QCOMPARE(bridge->droppedFrames(), 0);

        // A client that stops reading: the bridge keeps at most its limit, drops
        // the rest and counts it; the converter's side keeps flowing.
        constexpr int More = 30000;
        bridge->setBufferLimit(4096);
        QSignalSpy drops(bridge.get(), &SlcanBridge::framesDropped);
        qint64 fromConverter = 0;
        connect(bus.get(), &CanBus::framesReceived, this,
                [&](const QVector<LinkFrame> &frames) { fromConverter += frames.size(); });
        sim->call([&] { sim->link->startFlood(More); });
        QTRY_COMPARE_WITH_TIMEOUT(fromConverter, More, 20000);
        QVERIFY(bridge->pendingBytes() <= 4096);
        QVERIFY(bridge->droppedFrames() > 0);
        QVERIFY(!drops.isEmpty());
        // what reached the client or waits for it, and what was dropped, is everything
        QByteArray read;
        (void)QTest::qWaitFor([&] {
            read += client->readSome();
            return read.count('\r') + bridge->droppedFrames() >= More;
        });
        QCOMPARE(read.count('\r') + bridge->droppedFrames(), More);
        client->write("F\r");
        QVERIFY(client->readAnswers(1).endsWith("F08\r"));
    }

    // slcand's start-up commands reach the bridge and are answered as an
    // adapter answers them (attaching the line discipline then fails here).
    void slcandStartUp()
    {
        startAll();
        client.reset(); // slcand's line
        QList<QByteArray> handled; // each command and its answer
        connect(bridge.get(), &SlcanBridge::commandHandled, this,
                [&](const QByteArray &command, const QByteArray &answer) { handled << command + answer; });
        QProcess slcand;
        // slcand opens "/dev/" + its argument unless that begins with /dev/ (as README writes it)
        slcand.start("slcand", { "-o", "-c", "-s6", "-F", "/dev/.." + link() });
        QVERIFY(slcand.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(handled.size() >= 3, 5000);
        slcand.waitForFinished(3000);
        QCOMPARE(handled.mid(0, 3), QList<QByteArray>({ "C\r", "S6\r", "O\r" }));
        QTRY_COMPARE(SIM(s.converter().bitRate()), 500000);
    }

    // What is at LINK decides: the bridge makes its link only where nothing is
    // or where a bridge that has ended left its link (the terminal gone, or its
    // number taken since by another program); anything else, a running
    // bridge's link too, is refused before a terminal is made and left as it was.
    // A link put in the bridge's place while it ran is someone else's: kept.
    // The simulator's state file and link (the rows named by its option) never
    // cost a file named by mistake either; the link it made goes with it.
    void linkPlace_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("made");
        QTest::newRow("nothing") << "" << true;
        QTest::newRow("stale link to a terminal") << "link /dev/pts/999999" << true;
        QTest::newRow("file") << "file" << false;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("link to a file") << "link bus.log" << false;
        QTest::newRow("link to nothing else") << "link gone" << false;
        QTest::newRow("link to a device") << "link /dev/null" << false;
        QTest::newRow("left by a bridge, its terminal's number taken since") << "link live" << true;
        QTest::newRow("a running bridge's") << "bridge" << false;
        QTest::newRow("a running bridge's, its link deleted") << "bridge unlinked" << false;
        QTest::newRow("a running bridge's name in another folder") << "elsewhere" << true;
        QTest::newRow("nothing, another link there when it stops") << "later other" << true;
        QTest::newRow("--state holding something else") << "file" << false;
        QTest::newRow("--link at a file") << "file" << false;
        QTest::newRow("--link at a running bridge's") << "bridge" << false;
        QTest::newRow("--link where nothing is") << "" << true;
    }
    void linkPlace()
    {
        QFETCH(QString, kind);
        QFETCH(bool, made);
        QFile::remove(link()) || QDir().rmdir(link()); // the row before's
        // What is at a path, and what a file there holds.
        const auto at = [](const QString &path) {
            const QFileInfo info(path);
            QFile file(path);
            return info.isSymLink() ? "link " + info.symLinkTarget()
                    : info.isDir()  ? QString("folder")
                    : file.open(QIODevice::ReadOnly) ? "file " + file.readAll()
                                                     : QString();
        };
        const QByteArray notes = "baud=7\nmy notes\n";
        QFile log(dir.filePath("bus.log"));
        QVERIFY(log.open(QIODevice::WriteOnly) && log.write(notes) == notes.size());
        log.close();
        int master = -1, slave = -1;
        char live[256] = {};
        QVERIFY(::openpty(&master, &slave, live, nullptr, nullptr) == 0);
        QString target = kind.section(' ', 1);
        target = target == "live" ? QString::fromLocal8Bit(live) : QDir(dir.path()).filePath(target);
        CanBus unopened;
        SlcanBridge running(&unopened);
        QString error;
        QVERIFY(kind.isEmpty() || kind.startsWith("later") || (kind == "file" && log.copy(link()))
                || (kind == "folder" && QDir().mkdir(link()))
                || (kind.startsWith("bridge") && running.start(link(), &error)
                    && (kind == "bridge" || QFile::remove(link())))
                || (kind == "elsewhere" && QDir(dir.path()).mkpath("elsewhere")
                    && running.start(dir.filePath("elsewhere/slcan"), &error) && !QFile::exists(link()))
                || QFile::link(target, link()));
        const QString before = at(link());

        const QString option = QString(QTest::currentDataTag()).section(' ', 0, 0);
        SimOptions options;
        (option == "--state" ? options.statePath : options.linkPath) = link();
        std::unique_ptr<SimulatorLink> simulator;
        SlcanBridge slcan(&unopened);
        if (option.startsWith("--")) {
            simulator = std::make_unique<SimulatorLink>(options);
            QCOMPARE(simulator->open(&error), made);
        } else {
            QCOMPARE(slcan.start(link(), &error), made);
        }
        if (made) {
            QCOMPARE(at(link()), "link " + (simulator ? simulator->slavePath() : slcan.terminalPath()));
            if (kind.startsWith("later"))
                QVERIFY(QFile::remove(link()) && QFile::link(target, link()));
            slcan.stop();
            simulator.reset();
            QCOMPARE(at(link()), kind.startsWith("later") ? "link " + target : QString());
        } else {
            QVERIFY2(error.startsWith(link()) && error.contains("left as it is"), qPrintable(error));
            QVERIFY(!slcan.isRunning());
            simulator.reset();
            QCOMPARE(at(link()), before);
        }
        QCOMPARE(at(log.fileName()), "file " + notes);
        ::close(master);
        ::close(slave);
    }
};

QTEST_GUILESS_MAIN(tst_SlcanBridge)
#include "tst_slcanbridge.moc"
