// talvik-can as a user runs it: each command a process against the converter
// simulator on a pseudo-terminal.
#include "hexbytes.h"
#include "logformats.h"
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
    QByteArray out, err;
};

} // namespace

class tst_CanTool : public QObject
{
    Q_OBJECT

    std::unique_ptr<Simulator> sim;
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
    QString write(const QString &name, const QByteArray &content)
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qWarning("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

private slots:
    void init() // frames coming only for the dumps
    {
        const bool dumps = QByteArray(QTest::currentTestFunction()).startsWith("dump");
        sim = std::make_unique<Simulator>(
                dumps ? withNodes({ "123:10:11223344", "18ff50e5:25:01" }) : SimOptions{});
    }
    void cleanup() { sim.reset(); }

    // Every line as candump prints it, and the converter started as asked.
    void dump_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("lines"); // 0: more than 5, until the time given is up
        QTest::addColumn<int>("bitRate");
        QTest::addColumn<int>("mode");
        QTest::newRow("screen") << "--count 12 --bitrate 500k" << 12 << 500000
                                << int(ConverterModel::Normal);
        QTest::newRow("-L, variable framing, silent") << "-L --count 5 --framing variable --mode silent"
                                                      << 5 << 250000 << int(ConverterModel::Silent);
        QTest::newRow("--seconds") << "--seconds 0.5" << 0 << 250000 << int(ConverterModel::Normal);
    }
    void dump()
    {
        QFETCH(QString, arguments);
        QFETCH(int, lines);
        const QRegularExpression line(
                arguments.startsWith("-L")
                        ? "^\\(\\d{10}\\.\\d{6}\\) can0 (123#11223344|18FF50E5#01)$"
                        : "^  can0  (123   \\[4\\]  11 22 33 44|18FF50E5   \\[1\\]  01)$");
        QElapsedTimer clock;
        clock.start();
        const Run r = run(QStringList{ "dump", port() } + arguments.split(' '));
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.endsWith('\n'));
        const QList<QByteArray> printed = r.out.chopped(1).split('\n');
        if (lines)
            QCOMPARE(printed.size(), lines);
        else
            QVERIFY(printed.size() > 5 && clock.elapsed() >= 450);
        for (const QByteArray &l : printed)
            QVERIFY2(line.match(QString::fromLatin1(l)).hasMatch(), l);
        QVERIFY(SIM(s.converter().running()));
        QTEST(SIM(s.converter().bitRate()), "bitRate");
        QTEST(int(SIM(s.converter().mode())), "mode");
        QCOMPARE(SIM(s.converter().variableFraming()), arguments.contains("variable"));
    }

    // The log file holds each frame with its direction, and can-utils read it;
    // a file already there is appended to, never cut short. Without a name it
    // is named as candump names it.
    void dumpsToLogFiles()
    {
        const QByteArray earlier = "(1700000000.000000) can0 7FF#AA R\n";
        QFile file(write("bus.log", earlier));
        QCOMPARE(run({ "dump", port(), "-l", "bus.log", "--count", "5" }).status, 0);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray log = file.readAll();
        QVERIFY2(log.startsWith(earlier) && log.count(" R\n") == 6, log); // log2asc: received
        QProcess log2asc;
        log2asc.start("log2asc", { "-I", file.fileName(), "can0" });
        QVERIFY(log2asc.waitForFinished());
        const QByteArray asc = log2asc.readAllStandardOutput();
        QCOMPARE(log2asc.exitCode(), 0);
        QVERIFY2(asc.count(" Rx ") == 6, asc);
        QVERIFY(asc.contains("123             Rx   d 4 11 22 33 44")
                || asc.contains("18ff50e5x       Rx   d 1 01"));

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

    void endings_data()
    {
        QTest::addColumn<int>("signal"); // 0: the converter's process killed, as unplugging does
        QTest::addColumn<int>("status");
        QTest::newRow("SIGTERM") << SIGTERM << 0;
        QTest::newRow("SIGINT") << SIGINT << 0;
        QTest::newRow("lost converter") << 0 << 1;
    }
    // Signals end it cleanly, a lost converter with status 1; every line complete.
    void endings()
    {
        QFETCH(int, signal);
        const QString line = dir.filePath(QTest::currentDataTag()).replace(' ', '_');
        QProcess converter; // a process of its own: its end closes the line as unplugging does
        converter.start(TALVIK_SIM, { "--demo", "--link", line });
        QVERIFY(converter.waitForStarted());
        QTRY_VERIFY(QFileInfo::exists(line));
        QProcess p;
        startProcess(p, { "dump", line, "-l", "end.log" });
        QTRY_VERIFY(p.bytesAvailable() > 200);
        ::kill(pid_t((signal ? p : converter).processId()), signal ? signal : SIGKILL);
        QTRY_COMPARE(p.state(), QProcess::NotRunning);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QTEST(p.exitCode(), "status");
        QCOMPARE(p.readAllStandardError().contains("COM端口已断开，请检查转换器"), !signal);
        const QByteArray out = p.readAllStandardOutput();
        QVERIFY(out.endsWith('\n'));
        QFile file(dir.filePath("end.log"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count('\n'), out.count('\n'));
        QVERIFY(file.remove());
    }

    // Variable framing reaches the converter as in dump; tst_link encodes it.
    void sendsFramesInOrder()
    {
        const Run r = run({ "send", port(), "123#11223344", "12345678#R2", "7FF#" });
        QCOMPARE(r.status, 0);
        QVERIFY2(!r.err.contains("talvik-can"), r.err);
        QTRY_COMPARE(framesOnBus().size(), 3);
        QCOMPARE(framesOnBus(), (QList<CanFrame>{ canFrame(0x123, hex("11223344")),
                                                  canFrame(0x12345678, hex("0000"), true, true),
                                                  canFrame(0x7FF, {}) }));
    }

    // Frame k at the start plus t(k) / speed, on one clock.
    void playsWithTheLogsTiming()
    {
        QByteArray log;
        for (int i = 0; i < 6; ++i)
            log += candumpLine({ 1'700'000'000'000'000 + i * 100'000,
                                 canFrame(0x200 + quint32(i), QByteArray(1, char(i))), i == 2 });
        const QString file = write("play.log", log);

        QCOMPARE(run({ "play", port(), file, "--speed", "2" }).status, 0);
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

        QCOMPARE(run({ "play", port(), file, "--speed", "10", "--only-received" }).status, 0);
        QTRY_COMPARE(sim->onBus().size(), 11);
        QCOMPARE(sim->onBus().last().second.identifier, 0x205u);

        // looped: the whole log again and again, its first frame too, until stopped
        QProcess looped;
        startProcess(looped, { "play", port(), file, "--speed", "20", "--loop" });
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
        const Run r = run({ "simulate", port(), "--dbc", write("body.dbc", BodyDbc), "--node", "Body",
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
        const Run r = run({ "simulate", "virtualcan:" + bus, "--dbc", write("body.dbc", BodyDbc),
                            "--list", write("bench.json", transmitListText({ row })), "--seconds", "0.3" });
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.startsWith("Engine 18FF50E5: sent "), r.out + r.err);
        QList<CanFrame> frames;
        const auto received = [&] {
            while (peer->framesAvailable() > 0)
                frames << canFrameFromQt(peer->readFrame());
            return frames.size();
        };
        QTRY_VERIFY(received() >= 25);
        for (const CanFrame &frame : frames) {
            QVERIFY(frame.extended && frame.identifier == 0x18FF50E5);
            QCOMPARE(frame.data[0], quint8(0xEF));
        }
    }

    // Exit status 2 for what is wrong in the command (simulate refuses before the port is
    // touched), 1 for what is wrong around it; a file in the way is left whole.
    void exitStatusAndReasons_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString simulate = "simulate /dev/ttyNOSUCH --dbc DBC ";
        // clang-format off
        const struct { const char *tag; QString arguments; int status; const char *message; } rows[] = {
            { "unknown message", simulate + "--message Wheel", 2, "no message Wheel" },
            { "value beyond its range", simulate + "--node Body --set Brake.Pressure=251", 2, "[0|250]" },
            { "unknown algorithm", simulate + "--node Body --checksum Brake.Brake_CRC=crc7", 2, "unknown checksum 'crc7'" },
            { "no database", simulate + "--node Body --dbc /nonexistent.dbc", 2, "cannot read /nonexistent.dbc" },
            { "nothing with a cycle time", simulate + "--message Idle", 2, "nothing to send" },
            { "--set without a value", simulate + "--node Body --set Brake.Pressure", 2, "--set needs MESSAGE.SIGNAL=VALUE" },
            { "missing", "dump /dev/ttyNOSUCH", 1, "没有这个设备：/dev/ttyNOSUCH" },
            { "missing interface", "send socketcan:nosuch0 001#", 1, "nosuch0" },
            { "bad frame", "send p 1#1", 2, "not a frame" },
            { "unreadable log", "play p /nonexistent.log", 2, "cannot read /nonexistent.log" },
            { "link in a missing folder", "bridge SIM --slcan /nonexistent/dir/link", 1, "cannot make the link /nonexistent/dir/link" },
            // refused before the port is tried
            { "file at the link", "bridge /dev/ttyNOSUCH --slcan FILE", 1, "FILE is a file: left as it is" },
            { "help", "send --help", 0, "" },
        };
        // clang-format on
        for (const auto &row : rows)
            QTest::newRow(row.tag) << row.arguments.split(' ') << row.status << QString(row.message);
    }
    void exitStatusAndReasons()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QFile file(write("kept.log", "keep"));
        arguments.replaceInStrings("SIM", port());
        arguments.replaceInStrings("FILE", file.fileName());
        arguments.replaceInStrings("DBC", write("body.dbc", BodyDbc));
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
