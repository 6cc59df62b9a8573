// talvik-can as a user runs it: each command a process against the converter
// simulator on a pseudo-terminal.
#include "logformats.h"
#include "checksum.h"
#include "qtframes.h"
#include "simulatorthread.h"
#include "transmitlistfile.h"
#include "virtualbus.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

const QByteArray BodyDbc = "BO_ 291 Brake: 8 Body\n"
                           " SG_ Brake_CRC : 0|8@1+ (1,0) [0|255] \"\" X\n"
                           " SG_ Brake_Counter : 8|4@1+ (1,0) [0|14] \"\" X\n"
                           " SG_ Pressure : 16|16@1+ (0.1,0) [0|250] \"bar\" X\n"
                           "BO_ 801 Door: 2 Body\n"
                           " SG_ DoorState : 0|2@1+ (1,0) [0|3] \"\" X\n"
                           "BO_ 2566869221 Engine: 8 Engine\n"
                           " SG_ Speed : 0|16@1+ (1,0) [0|0] \"\" X\n"
                           "BA_ \"GenMsgCycleTime\" BO_ 291 20;\n"
                           "BA_ \"GenMsgCycleTime\" BO_ 801 100;\n"
                           "BA_ \"GenMsgCycleTime\" BO_ 2566869221 10;\n"
                           "BO_ 1 Idle: 1 Tester\n"
                           " SG_ Flag : 0|1@1+ (1,0) [0|0] \"\" X\n"
                           "VAL_ 801 DoorState 0 \"Closed\" 1 \"Open\" ;\n";

struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

QList<CanFrame> readAll(QCanBusDevice *device)
{
    QList<CanFrame> frames;
    while (device->framesAvailable() > 0)
        frames.append(canFrameFromQt(device->readFrame()));
    return frames;
}

} // namespace

class tst_CanTool : public QObject
{
    Q_OBJECT

    Simulator *sim = nullptr;
    QTemporaryDir dir;

    QString port() { return SIM(s.slavePath()); }
    void startProcess(QProcess &p, const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "C"); // the window's own (Chinese) reasons
        env.remove("LANGUAGE");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(TALVIK_CAN, arguments);
        QVERIFY(p.waitForStarted());
    }
    // Runs to the end while the simulator's thread serves the line.
    Run run(const QStringList &arguments, int timeoutMs = 10000)
    {
        QProcess p;
        startProcess(p, arguments);
        p.waitForFinished(timeoutMs);
        return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                 p.readAllStandardError() };
    }
    QList<CanFrame> framesOnBus()
    {
        QList<CanFrame> frames;
        for (const auto &entry : sim->onBus())
            frames << entry.second;
        return frames;
    }

private slots:
    void init() { sim = new Simulator(withNodes({ "123:10:11223344", "18ff50e5:25:01" })); }
    void cleanup()
    {
        delete sim;
        sim = nullptr;
    }

    void dumpsAsCandumpPrints()
    {
        const Run r = run({ "dump", port(), "--count", "12", "--bitrate", "500k" });
        QCOMPARE(r.status, 0);
        const QList<QByteArray> lines = r.out.split('\n');
        QCOMPARE(lines.size(), 13);
        QVERIFY(lines.last().isEmpty());
        for (int i = 0; i < 12; ++i)
            QVERIFY2(lines[i] == "  can0  123   [4]  11 22 33 44"
                             || lines[i] == "  can0  18FF50E5   [1]  01",
                     lines[i]);
        QVERIFY(SIM(s.converter().running()));
        QCOMPARE(SIM(s.converter().bitRate()), 500000);
        QCOMPARE(SIM(s.converter().mode()), ConverterModel::Normal);
    }

    void dumpsLogLines()
    {
        const Run r = run({ "dump", port(), "-L", "--count", "5", "--framing", "variable",
                            "--mode", "silent" });
        QCOMPARE(r.status, 0);
        const QRegularExpression line(
                R"(^\(\d{10}\.\d{6}\) can0 (123#11223344|18FF50E5#01)$)");
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 5);
        for (const QByteArray &l : lines)
            QVERIFY2(line.match(QString::fromLatin1(l)).hasMatch(), l);
        QVERIFY(SIM(s.converter().variableFraming()));
        QCOMPARE(SIM(s.converter().mode()), ConverterModel::Silent);
    }

    // The log file holds each frame with its direction, and can-utils read it;
    // a file already there is appended to, never cut short.
    void logFileForLog2asc()
    {
        QFile file(dir.filePath("bus.log"));
        const QByteArray earlier = "(1700000000.000000) can0 7FF#AA R\n";
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
        file.close();
        const Run r = run({ "dump", port(), "-l", "bus.log", "--count", "5" });
        QCOMPARE(r.status, 0);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray log = file.readAll();
        QVERIFY2(log.startsWith(earlier) && log.count(" R\n") == 6, log); // log2asc: received

        QProcess log2asc;
        log2asc.start("log2asc", { "-I", dir.filePath("bus.log"), "can0" });
        QVERIFY(log2asc.waitForFinished());
        const QByteArray asc = log2asc.readAllStandardOutput();
        QCOMPARE(log2asc.exitCode(), 0);
        QVERIFY2(asc.count(" Rx ") == 6, asc);
        QVERIFY(asc.contains("123             Rx   d 4 11 22 33 44")
                || asc.contains("18ff50e5x       Rx   d 1 01"));
    }

    void logFileNamedAsCandumpNamesIt()
    {
        const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
        const Run r = run({ "dump", port(), "-l", "--count", "2", "-L" });
        QCOMPARE(r.status, 0);
        const QStringList logs = QDir(dir.path()).entryList({ "candump-*.log" });
        QCOMPARE(logs.size(), 1);
        const QDateTime named = QDateTime::fromString(logs[0], "'candump-'yyyy-MM-dd_HHmmss'.log'");
        QVERIFY2(named >= started && named <= QDateTime::currentDateTime(), qPrintable(logs[0]));
        QVERIFY(r.err.contains(logs[0].toUtf8()));
        QCOMPARE(r.out.count('\n'), 2);
        QFile::remove(dir.filePath(logs[0]));
    }

    void secondsEndIt()
    {
        QElapsedTimer clock;
        clock.start();
        const Run r = run({ "dump", port(), "--seconds", "0.5" });
        QCOMPARE(r.status, 0);
        QVERIFY(clock.elapsed() >= 450);
        QVERIFY(r.out.count('\n') > 5);
    }

    // SIGTERM and SIGINT end it cleanly: every line complete, status 0.
    void signalsEndItCleanly_data()
    {
        QTest::addColumn<bool>("interrupt");
        QTest::newRow("SIGTERM") << false;
        QTest::newRow("SIGINT") << true;
    }
    void signalsEndItCleanly()
    {
        QFETCH(bool, interrupt);
        QProcess p;
        const QString logName = interrupt ? "sigint.log" : "sigterm.log";
        startProcess(p, { "dump", port(), "-l", logName });
        QTRY_VERIFY(p.bytesAvailable() > 200);
        if (interrupt)
            ::kill(pid_t(p.processId()), SIGINT);
        else
            p.terminate();
        QTRY_COMPARE(p.state(), QProcess::NotRunning);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QByteArray out = p.readAllStandardOutput();
        QVERIFY(out.endsWith('\n'));
        QFile file(dir.filePath(logName));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count('\n'), out.count('\n'));
    }

    void lostConverterEndsWithStatus1()
    {
        QProcess converter; // a process of its own: its end closes the line as unplugging does
        converter.start(TALVIK_SIM, { "--demo", "--link", dir.filePath("lost") });
        QVERIFY(converter.waitForStarted());
        QTRY_VERIFY(QFileInfo::exists(dir.filePath("lost")));
        QProcess p;
        startProcess(p, { "dump", dir.filePath("lost") });
        QTRY_VERIFY(p.bytesAvailable() > 100);
        converter.kill();
        QTRY_COMPARE(p.state(), QProcess::NotRunning);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardError().contains("COM端口已断开，请检查转换器"));
        QVERIFY(p.readAllStandardOutput().endsWith('\n'));
    }

    // Variable framing reaches the converter as in dumpsLogLines; tst_link encodes it.
    void sendsFramesInOrder()
    {
        delete sim;
        sim = new Simulator({});
        const Run r = run({ "send", port(), "123#11223344", "12345678#R2", "7FF#" });
        QCOMPARE(r.status, 0);
        QVERIFY2(!r.err.contains("talvik-can"), r.err);
        QTRY_COMPARE(framesOnBus().size(), 3);
        const QList<CanFrame> frames = framesOnBus();
        QCOMPARE(frames[0].identifier, 0x123u);
        QCOMPARE(frames[0].length, 4);
        QCOMPARE(frames[0].data[3], 0x44);
        QVERIFY(frames[1].extended && frames[1].remote);
        QCOMPARE(frames[1].identifier, 0x12345678u);
        QCOMPARE(frames[1].length, 2);
        QCOMPARE(frames[2].identifier, 0x7FFu);
        QCOMPARE(frames[2].length, 0);
    }

    // Frame k at the start plus t(k) / speed, on one clock.
    void playsWithTheLogsTiming()
    {
        delete sim;
        sim = new Simulator({});
        QByteArray log;
        for (int i = 0; i < 6; ++i) {
            CaptureRecord r{ 1'700'000'000'000'000 + i * 100'000, {}, i == 2 };
            r.frame.identifier = 0x200 + quint32(i);
            r.frame.length = 1;
            r.frame.data[0] = quint8(i);
            log += candumpLine(r);
        }
        QFile file(dir.filePath("play.log"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(log);
        file.close();

        const Run r = run({ "play", port(), file.fileName(), "--speed", "2" });
        QCOMPARE(r.status, 0);
        QTRY_COMPARE(sim->onBus().size(), 6);
        const auto bus = sim->onBus();
        // the first frame waits for the simulator to notice the line: times from the second
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(bus[i].second.identifier, 0x200u + quint32(i));
            const qint64 offsetUs = bus[i].first - bus[1].first;
            if (i >= 1)
                QVERIFY2(qAbs(offsetUs - (i - 1) * 50'000) < 8'000,
                         qPrintable(QString::number(offsetUs)));
        }

        const Run received = run({ "play", port(), file.fileName(), "--speed", "10",
                                   "--only-received" });
        QCOMPARE(received.status, 0);
        QTRY_COMPARE(sim->onBus().size(), 11);
        QCOMPARE(sim->onBus().last().second.identifier, 0x205u);

        // looped: the whole log again and again, its first frame too, until stopped
        QProcess looped;
        startProcess(looped, { "play", port(), file.fileName(), "--speed", "20", "--loop" });
        QTRY_VERIFY_WITH_TIMEOUT(sim->onBus().size() >= 11 + 14, 5000);
        looped.terminate();
        QVERIFY(looped.waitForFinished());
        QCOMPARE(looped.exitCode(), 0);
        const auto again = sim->onBus().mid(11, 14);
        for (int i = 0; i < 14; ++i)
            QCOMPARE(again[i].second.identifier, 0x200u + quint32(i % 6));
    }

    // A node simulated from a script: each message on its cycle time, the
    // values and checksum given, a line per message at the end.
    void simulatesANode()
    {
        delete sim;
        sim = new Simulator({});
        QFile dbc(dir.filePath("body.dbc"));
        QVERIFY(dbc.open(QIODevice::WriteOnly) && dbc.write(BodyDbc) > 0);
        dbc.close();
        const Run r = run({ "simulate", port(), "--dbc", dbc.fileName(), "--node", "Body",
                            "--set", "Brake.Pressure=12.5", "--set=Door.DoorState=Open",
                            "--checksum", "Brake=xor8", "--seconds", "0.5" });
        QCOMPARE(r.status, 0);
        const QRegularExpression line("^Brake 123: sent (\\d+), late 0, skipped 0\nDoor 321: sent "
                                      "(\\d+), late 0, skipped 0\n$");
        const QRegularExpressionMatch m = line.match(QString::fromUtf8(r.out));
        QVERIFY2(m.hasMatch(), r.out + r.err);
        QVERIFY(m.captured(1).toInt() >= 22 && m.captured(1).toInt() <= 27);
        QVERIFY(m.captured(2).toInt() >= 5 && m.captured(2).toInt() <= 6);
        QTRY_COMPARE(framesOnBus().size(), m.captured(1).toInt() + m.captured(2).toInt());
        int counter = 0;
        for (const CanFrame &frame : framesOnBus()) {
            if (frame.identifier == 0x321) {
                QCOMPARE(frame.data[0], quint8(1));
                continue;
            }
            QCOMPARE(frame.data[1], quint8(counter++ % 15));
            QCOMPARE(frame.data[2], quint8(0x7D));
            QCOMPARE(frame.data[0], quint8(frame.data[1] ^ frame.data[2]));
        }
    }

    // A list saved by the window, on Qt's virtual bus, with a peer listening.
    void simulatesAListOnTheVirtualBus()
    {
        const QString bus = freeVirtualBus();
        std::unique_ptr<QCanBusDevice> peer(QCanBus::instance()->createDevice("virtualcan", bus));
        QVERIFY(peer && peer->connectDevice());
        QTRY_COMPARE(peer->state(), QCanBusDevice::ConnectedState);
        DbcReadResult read = readDbc(BodyDbc);
        read.database.index();
        const DbcMessage &engine = read.database.messages[2];
        TransmitRow row = rowForMessage(read.database, engine);
        row.signalBits[0] = 0xBEEF;
        row.frame = buildFrame(row, &engine);
        QFile list(dir.filePath("bench.json"));
        QVERIFY(list.open(QIODevice::WriteOnly) && list.write(transmitListText({ row })) > 0);
        list.close();
        QFile dbc(dir.filePath("body.dbc"));
        QVERIFY(dbc.open(QIODevice::WriteOnly) && dbc.write(BodyDbc) > 0);
        dbc.close();
        const Run r = run({ "simulate", "virtualcan:" + bus, "--dbc", dbc.fileName(), "--list",
                            list.fileName(), "--seconds", "0.3" });
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.startsWith("Engine 18FF50E5: sent "), r.out + r.err);
        QList<CanFrame> frames;
        QTRY_VERIFY((frames.append(readAll(peer.get())), frames.size() >= 25));
        for (const CanFrame &frame : frames) {
            QVERIFY(frame.extended && frame.identifier == 0x18FF50E5);
            QCOMPARE(frame.data[0], quint8(0xEF));
        }
    }

    void simulateRefuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown message") << QStringList{ "--message", "Wheel" }
                                         << "no message Wheel";
        QTest::newRow("value beyond its range") << QStringList{ "--node", "Body", "--set",
                                                                "Brake.Pressure=251" }
                                                << "[0|250]";
        QTest::newRow("unknown algorithm") << QStringList{ "--node", "Body", "--checksum",
                                                           "Brake.Brake_CRC=crc7" }
                                           << "unknown checksum 'crc7'";
        QTest::newRow("no database") << QStringList{ "--node", "Body", "--dbc",
                                                     "/nonexistent.dbc" }
                                     << "cannot read /nonexistent.dbc";
        QTest::newRow("nothing with a cycle time") << QStringList{ "--message", "Idle" }
                                                   << "nothing to send";
        QTest::newRow("--set without a value") << QStringList{ "--node", "Body", "--set",
                                                               "Brake.Pressure" }
                                               << "--set needs MESSAGE.SIGNAL=VALUE";
    }
    // Refused before the port is touched, with exit status 2, naming what is wrong.
    void simulateRefuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QFile dbc(dir.filePath("body.dbc"));
        QVERIFY(dbc.open(QIODevice::WriteOnly) && dbc.write(BodyDbc) > 0);
        dbc.close();
        const Run r = run(QStringList{ "simulate", "/dev/ttyNOSUCH", "--dbc", dbc.fileName() }
                          + arguments);
        QCOMPARE(r.status, 2);
        QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err);
    }

    void exitStatusAndReasons_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QStringList{ "dump", "/dev/ttyNOSUCH" } << 1
                                 << "没有这个设备：/dev/ttyNOSUCH";
        QTest::newRow("missing interface") << QStringList{ "send", "socketcan:nosuch0", "001#" }
                                           << 1 << "nosuch0";
        QTest::newRow("bad frame") << QStringList{ "send", "p", "1#1" } << 2 << "not a frame";
        QTest::newRow("unreadable log") << QStringList{ "play", "p", "/nonexistent.log" } << 2
                                        << "cannot read /nonexistent.log";
        QTest::newRow("link in a missing folder")
                << QStringList{ "bridge", "SIM", "--slcan", "/nonexistent/dir/link" } << 1
                << "cannot make the link /nonexistent/dir/link";
        // refused before the port is tried, the file left whole
        QTest::newRow("file at the link")
                << QStringList{ "bridge", "/dev/ttyNOSUCH", "--slcan", "FILE" } << 1
                << "FILE is a file: left as it is";
        QTest::newRow("help") << QStringList{ "send", "--help" } << 0 << "";
    }
    void exitStatusAndReasons()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QTemporaryDir files;
        QFile file(files.filePath("bus.log"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep") == 4);
        file.close();
        arguments.replaceInStrings("SIM", port());
        arguments.replaceInStrings("FILE", file.fileName());
        message.replace("FILE", file.fileName());
        const Run r = run(arguments);
        QTEST(r.status, "status");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep"));
        QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err);
        if (message.isEmpty())
            QVERIFY(r.out.startsWith("Usage: talvik-can send"));
    }
};

QTEST_GUILESS_MAIN(tst_CanTool)
#include "tst_cantool.moc"
