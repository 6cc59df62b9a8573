// The SLCAN bridge in front of the converter simulator, with the test as the
// SLCAN client on the bridge's pseudo-terminal.
#include "canbus.h"
#include "canlink.h"
#include "slcanbridge.h"
#include "simulatorthread.h"

#include <QProcess>
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
    int fd = -1;
    explicit Client(const QString &path)
    {
        fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~Client()
    {
        if (fd >= 0)
            ::close(fd);
    }
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
    QByteArray readAnswers(int count, int timeoutMs = 3000)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (got.count('\r') + got.count('\a') < count && clock.elapsed() < timeoutMs) {
            const QByteArray more = readSome();
            if (more.isEmpty())
                QTest::qWait(1);
            got += more;
        }
        return got;
    }
};

} // namespace

class tst_SlcanBridge : public QObject
{
    Q_OBJECT

    Simulator *sim = nullptr;
    CanBus *bus = nullptr;
    SlcanBridge *bridge = nullptr;
    QTemporaryDir dir;
    QString link() const { return dir.filePath("slcan"); }

    void startAll(const SimOptions &options = {}, bool variable = false)
    {
        sim = new Simulator(options);
        bus = new CanBus;
        QVERIFY(bus->open(SIM(s.slavePath()), 2000000));
        QTRY_VERIFY(SIM(s.hostConnected()));
        bridge = new SlcanBridge(bus);
        CanSetup setup;
        setup.presetIndex = 4;
        setup.variableFraming = variable;
        bridge->setConverterSetup(setup);
        QString error;
        QVERIFY2(bridge->start(link(), &error), qPrintable(error));
        QCOMPARE(QFile::symLinkTarget(link()), bridge->terminalPath());
    }
    Client *connectClient() { return new Client(link()); }

private slots:
    void cleanup()
    {
        delete bridge;
        delete bus;
        delete sim;
        bridge = nullptr;
        bus = nullptr;
        sim = nullptr;
    }

    // A conversation as an adapter has it, each command answered in turn.
    void commandsAndAnswers()
    {
        startAll();
        std::unique_ptr<Client> client(connectClient());
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
    }

    // Sn then O: set-and-start at that rate in normal mode; L: silent mode.
    void bitRateAndModeReachTheConverter()
    {
        startAll();
        std::unique_ptr<Client> client(connectClient());
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
        const bool variable = true;
        SimOptions options;
        parseNodeOption("18FF50E5:20:0102", &options.nodes.emplace_back());
        startAll(options, variable);
        std::unique_ptr<Client> client(connectClient());
        client->write("O\r");
        QCOMPARE(client->readAnswers(1), "\r");
        QTRY_COMPARE(SIM(s.converter().variableFraming()), variable);
        const QByteArray got = client->readAnswers(3);
        QVERIFY2(got.startsWith("T18FF50E520102\r"), got);

        client->write("t7FF2ABCD\rR000001233\r");
        QTRY_COMPARE(sim->onBus().size(), 2);
        const auto onBus = sim->onBus();
        QCOMPARE(onBus[0].second.identifier, 0x7FFu);
        QCOMPARE(onBus[0].second.data[1], 0xCD);
        QVERIFY(onBus[1].second.remote && onBus[1].second.extended);
        QCOMPARE(onBus[1].second.length, 3);
        QCOMPARE(bridge->framesFromClient(), 2);

        client->write("Z1\r");
        QByteArray stamped;
        QTRY_VERIFY((stamped += client->readSome()).count('\r') > 8);
        const QList<QByteArray> lines = stamped.split('\r');
        const QByteArray last = lines[lines.size() - 2];
        QCOMPARE(last.size(), QByteArray("T18FF50E520102").size() + 4);
        QVERIFY(last.startsWith("T18FF50E520102"));
        bool ok = false;
        QVERIFY(last.mid(14).toInt(&ok, 16) < 60000 && ok);

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
    void floodsLoseNothing()
    {
        constexpr int Frames = 20000;
        SimOptions options;
        startAll(options);
        std::unique_ptr<Client> client(connectClient());
        client->write("O\r");
        QCOMPARE(client->readAnswers(1), "\r");
        QTRY_VERIFY(SIM(s.converter().running()));

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
    }

    // A client that stops reading: the bridge keeps at most its limit, drops
    // the rest and counts it; the converter's side keeps flowing.
    void clientThatStopsReading()
    {
        constexpr int Frames = 30000;
        startAll();
        bridge->setBufferLimit(4096);
        std::unique_ptr<Client> client(connectClient());
        QSignalSpy drops(bridge, &SlcanBridge::framesDropped);
        client->write("O\r");
        QCOMPARE(client->readAnswers(1), "\r");
        QTRY_VERIFY(SIM(s.converter().running()));
        qint64 received = 0;
        connect(bus, &CanBus::framesReceived, this,
                [&](const QVector<LinkFrame> &frames) { received += frames.size(); });
        sim->call([&] { sim->link->startFlood(Frames); });
        QTRY_COMPARE_WITH_TIMEOUT(received, Frames, 20000);
        QVERIFY(bridge->pendingBytes() <= 4096);
        QVERIFY(bridge->droppedFrames() > 0);
        QVERIFY(!drops.isEmpty());
        // what reached the client or waits for it, and what was dropped, is everything
        QByteArray read;
        (void)QTest::qWaitFor([&] {
            read += client->readSome();
            return read.count('\r') + bridge->droppedFrames() >= Frames;
        });
        QCOMPARE(read.count('\r') + bridge->droppedFrames(), Frames);
        client->write("F\r");
        QVERIFY(client->readAnswers(1).endsWith("F08\r"));
    }

    // slcand's start-up commands reach the bridge and are answered as an
    // adapter answers them (attaching the line discipline then fails here).
    void slcandStartUp()
    {
        startAll();
        QList<std::pair<QByteArray, QByteArray>> handled;
        connect(bridge, &SlcanBridge::commandHandled, this,
                [&](const QByteArray &command, const QByteArray &answer) { handled.append({ command, answer }); });
        QProcess slcand;
        // slcand opens "/dev/" + its argument unless that begins with /dev/ (as README writes it)
        slcand.start("slcand", { "-o", "-c", "-s6", "-F", "/dev/.." + link() });
        QVERIFY(slcand.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(handled.size() >= 3, 5000);
        slcand.waitForFinished(3000);
        QCOMPARE(handled.value(0), (std::pair<QByteArray, QByteArray>("C", "\r")));
        QCOMPARE(handled.value(1), (std::pair<QByteArray, QByteArray>("S6", "\r")));
        QCOMPARE(handled.value(2), (std::pair<QByteArray, QByteArray>("O", "\r")));
        QTRY_COMPARE(SIM(s.converter().bitRate()), 500000);
    }

    // What is at LINK decides: the bridge makes its link only where nothing is
    // or where a bridge that has ended left its link (the terminal gone, or its
    // number taken since by another program); anything else, a running
    // bridge's link too, is refused before a terminal is made and left as it was.
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
        QFile log(dir.filePath("bus.log"));
        QVERIFY(log.open(QIODevice::WriteOnly) && log.write("keep me") == 7);
        log.close();
        int master = -1, slave = -1;
        char live[256] = {};
        QVERIFY(::openpty(&master, &slave, live, nullptr, nullptr) == 0);
        QString target = kind.section(' ', 1);
        target = target == "live" ? QString::fromLocal8Bit(live) : QDir(dir.path()).filePath(target);
        CanBus unopened;
        SlcanBridge running(&unopened);
        QString error;
        QVERIFY(kind.isEmpty() || (kind == "file" && log.copy(link()))
                || (kind == "folder" && QDir().mkdir(link()))
                || (kind.startsWith("bridge") && running.start(link(), &error)
                    && (kind == "bridge" || QFile::remove(link())))
                || (kind == "elsewhere" && QDir(dir.path()).mkpath("elsewhere")
                    && running.start(dir.filePath("elsewhere/slcan"), &error) && !QFile::exists(link()))
                || QFile::link(target, link()));
        const QString before = at(link());

        SlcanBridge slcan(&unopened);
        QCOMPARE(slcan.start(link(), &error), made);
        if (made) {
            QCOMPARE(at(link()), "link " + slcan.terminalPath());
            slcan.stop();
            QCOMPARE(at(link()), QString());
        } else {
            QVERIFY2(error.startsWith(link()) && error.contains("left as it is"), qPrintable(error));
            QVERIFY(!slcan.isRunning());
            QCOMPARE(at(link()), before);
        }
        QCOMPARE(at(log.fileName()), QString("file keep me"));
        ::close(master);
        ::close(slave);
    }

    // The simulator's state file and link never cost a file named by mistake;
    // the link it made goes with it.
    void simulatorFiles_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("there"); // what is at the path before
        QTest::newRow("--state holding something else") << "state" << "file";
        QTest::newRow("--link at a file") << "link" << "file";
        QTest::newRow("--link at a running bridge's") << "link" << "bridge";
        QTest::newRow("--link where nothing is") << "link" << "";
    }
    void simulatorFiles()
    {
        QFETCH(QString, option);
        QFETCH(QString, there);
        QFile notes(dir.filePath(QTest::currentDataTag()));
        CanBus unopened;
        SlcanBridge running(&unopened);
        QString error;
        QVERIFY(there != "file"
                || (notes.open(QIODevice::WriteOnly) && notes.write("baud=7\nmy notes\n") == 16));
        QVERIFY(there != "bridge" || running.start(notes.fileName(), &error));
        notes.close();
        SimOptions options;
        (option == "state" ? options.statePath : options.linkPath) = notes.fileName();
        {
            SimulatorLink sim(options);
            QCOMPARE(sim.open(&error), there.isEmpty());
            if (!there.isEmpty())
                QVERIFY2(error.startsWith(notes.fileName()) && error.contains("left as it is"),
                         qPrintable(error));
            else
                QCOMPARE(QFile::symLinkTarget(notes.fileName()), sim.slavePath());
        }
        if (there == "file") {
            QVERIFY(notes.open(QIODevice::ReadOnly));
            QCOMPARE(notes.readAll(), QByteArray("baud=7\nmy notes\n"));
        } else if (there == "bridge") {
            QCOMPARE(QFile::symLinkTarget(notes.fileName()), running.terminalPath());
        } else {
            QVERIFY(!QFileInfo(notes.fileName()).isSymLink() && !notes.exists());
        }
    }

    // A link put in the bridge's place while it ran is someone else's: kept.
    void foreignLinkKeptOnStop()
    {
        CanBus unopened;
        SlcanBridge slcan(&unopened);
        QString error;
        QFile::remove(link()) || QDir().rmdir(link());
        QVERIFY2(slcan.start(link(), &error), qPrintable(error));
        QVERIFY(QFile::remove(link()) && QFile::link(dir.filePath("other"), link()));
        slcan.stop();
        QCOMPARE(QFile::symLinkTarget(link()), dir.filePath("other"));
    }
};

QTEST_GUILESS_MAIN(tst_SlcanBridge)
#include "tst_slcanbridge.moc"
