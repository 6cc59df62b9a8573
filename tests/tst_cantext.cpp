// can-utils' frame texts and talvik-can's arguments, without a window or a port.
#include "bitrate.h"
#include "canutilstext.h"
#include "cantooloptions.h"

#include <QTest>

Q_DECLARE_METATYPE(CanToolCommand)
Q_DECLARE_METATYPE(CanFrame)

namespace {
CanFrame frame(quint32 id, QByteArray data, bool extended = false)
{
    CanFrame f;
    f.identifier = id;
    f.extended = extended;
    f.length = quint8(data.size());
    for (int i = 0; i < data.size(); ++i)
        f.data[size_t(i)] = quint8(data[i]);
    return f;
}
CanFrame remote(quint32 id, int length, bool extended = false)
{
    CanFrame f = frame(id, {}, extended);
    f.remote = true;
    f.length = quint8(length);
    return f;
}
} // namespace

class tst_CanText : public QObject
{
    Q_OBJECT

private slots:
    void cansendFrames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<CanFrame>("expected");
        QTest::newRow("standard") << "123#11223344" << true << frame(0x123, "\x11\x22\x33\x44");
        QTest::newRow("lower case, dots") << "7ff#aa.bb.CC" << true << frame(0x7FF, "\xaa\xbb\xcc");
        QTest::newRow("no data") << "001#" << true << frame(1, {});
        QTest::newRow("extended") << "12345678#11" << true << frame(0x12345678, "\x11", true);
        QTest::newRow("extended short id") << "00000123#" << true << frame(0x123, {}, true);
        QTest::newRow("remote") << "123#R" << true << remote(0x123, 0);
        QTest::newRow("remote with length") << "123#R4" << true << remote(0x123, 4);
        QTest::newRow("extended remote") << "1ABCDEF0#R8" << true << remote(0x1ABCDEF0, 8, true);
        QTest::newRow("eight bytes") << "100#0102030405060708" << true
                                     << frame(0x100, "\x01\x02\x03\x04\x05\x06\x07\x08");
        CanFrame fd = frame(0x100, "\xaa\xbb");
        fd.fd = true;
        fd.bitRateSwitch = true;
        QTest::newRow("fd with brs") << "100##1AABB" << true << fd;
        QTest::newRow("nine bytes") << "100#010203040506070809" << false << CanFrame();
        QTest::newRow("standard id too big") << "800#" << false << CanFrame();
        QTest::newRow("extended id too big") << "20000000#" << false << CanFrame();
        QTest::newRow("four digit id") << "1234#11" << false << CanFrame();
        QTest::newRow("no hash") << "12311" << false << CanFrame();
        QTest::newRow("odd digits") << "123#112" << false << CanFrame();
        QTest::newRow("not hex") << "12G#11" << false << CanFrame();
        QTest::newRow("bad data") << "123#1x" << false << CanFrame();
        QTest::newRow("double dot") << "123#11..22" << false << CanFrame();
        QTest::newRow("remote length 9") << "123#R9" << false << CanFrame();
        QTest::newRow("remote junk") << "123#R44" << false << CanFrame();
        QTest::newRow("fd bad flags") << "123##4AA" << false << CanFrame();
        QTest::newRow("fd bad length") << "123##0" + QString("AA").repeated(9) << false << CanFrame();
    }
    void cansendFrames()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const std::optional<CanFrame> parsed = parseCansendFrame(text);
        QCOMPARE(parsed.has_value(), valid);
        QFETCH(CanFrame, expected);
        if (valid)
            QVERIFY(*parsed == expected);
    }

    void candumpLines_data()
    {
        QTest::addColumn<CanFrame>("frame");
        QTest::addColumn<QByteArray>("screen");
        QTest::addColumn<QByteArray>("log");
        QTest::newRow("standard") << frame(0x123, "\x11\x22\x33\x44")
                                  << QByteArray("  can0  123   [4]  11 22 33 44\n")
                                  << QByteArray("(1700000000.012345) can0 123#11223344\n");
        QTest::newRow("extended") << frame(0x18FF50E5, "\x01", true)
                                  << QByteArray("  can0  18FF50E5   [1]  01\n")
                                  << QByteArray("(1700000000.012345) can0 18FF50E5#01\n");
        QTest::newRow("empty") << frame(0x7, {}) << QByteArray("  can0  007   [0]\n")
                               << QByteArray("(1700000000.012345) can0 007#\n");
        QTest::newRow("remote") << remote(0x7DF, 2)
                                << QByteArray("  can0  7DF   [2]  remote request\n")
                                << QByteArray("(1700000000.012345) can0 7DF#R2\n");
    }
    void candumpLines()
    {
        QFETCH(CanFrame, frame);
        QTEST(candumpScreenLine(frame), "screen");
        QTEST(candumpStdoutLine(frame, 1'700'000'000'012'345), "log");
    }
    void candumpFileName()
    {
        QCOMPARE(candumpLogFileName(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))),
                 "candump-2026-01-02_030405.log");
    }

    void presets_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::newRow("1M") << "1M" << 0;
        QTest::newRow("800k") << "800k" << 1;
        QTest::newRow("500K") << "500K" << 2;
        QTest::newRow("250000") << "250000" << 4;
        QTest::newRow("125k") << "125k" << 6;
        QTest::newRow("10k") << "10k" << 10;
        QTest::newRow("5k") << "5k" << 11;
        QTest::newRow("not a preset") << "333k" << -1;
        QTest::newRow("not a rate") << "fast" << -1;
    }
    void presets()
    {
        QFETCH(QString, text);
        QFETCH(int, index);
        QCOMPARE(presetIndexForRate(text).value_or(-1), index);
        if (index >= 0)
            QCOMPARE(presetRate(index), *bitRateFromText(text));
    }

    void arguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error"); // a part of it; empty: none
        QTest::addColumn<CanToolCommand>("command");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("detail"); // what else was read, as text
        using C = CanToolCommand;
        QTest::newRow("dump") << QStringList{ "dump", "/dev/ttyUSB0" } << "" << C::Dump
                              << "/dev/ttyUSB0" << "preset 4 mode 0 fixed baud 2000000 config";
        QTest::newRow("dump options")
                << QStringList{ "dump", "p", "--bitrate", "500k", "--mode=silent", "--framing",
                                "variable", "--baud", "115200", "--no-config" }
                << "" << C::Dump << "p" << "preset 2 mode 2 variable baud 115200 no-config";
        QTest::newRow("dump -L -l count seconds")
                << QStringList{ "dump", "p", "-L", "-l", "--count", "5", "--seconds", "1.5" } << ""
                << C::Dump << "p" << "stdout file '' count 5 seconds 1.5";
        QTest::newRow("dump -l FILE") << QStringList{ "dump", "p", "-l", "a.log" } << "" << C::Dump
                                      << "p" << "file 'a.log' count 0 seconds 0";
        QTest::newRow("dump --log=FILE") << QStringList{ "dump", "--log=b.log", "p" } << ""
                                         << C::Dump << "p" << "file 'b.log' count 0 seconds 0";
        QTest::newRow("send") << QStringList{ "send", "p", "123#11", "12345678#R" } << ""
                              << C::Send << "p" << "frames 2";
        QTest::newRow("play") << QStringList{ "play", "p", "x.log", "--speed", "2", "--loop",
                                              "--only-received" }
                              << "" << C::Play << "p" << "x.log speed 2 loop only-received";
        QTest::newRow("bridge") << QStringList{ "bridge", "p", "--slcan", "/tmp/l" } << ""
                                << C::Bridge << "p" << "link /tmp/l";
        QTest::newRow("nothing") << QStringList{} << "command is missing" << C::None << "" << "";
        QTest::newRow("unknown command") << QStringList{ "sniff", "p" } << "no such command"
                                         << C::None << "" << "";
        QTest::newRow("no port") << QStringList{ "dump" } << "port is missing" << C::Dump << ""
                                 << "";
        QTest::newRow("bad bitrate") << QStringList{ "dump", "p", "--bitrate", "300k" }
                                     << "no such bit rate" << C::Dump << "" << "";
        QTest::newRow("bad mode") << QStringList{ "dump", "p", "--mode", "quiet" }
                                  << "no such mode" << C::Dump << "" << "";
        QTest::newRow("bad framing") << QStringList{ "dump", "p", "--framing", "odd" }
                                     << "no such framing" << C::Dump << "" << "";
        QTest::newRow("bad baud") << QStringList{ "dump", "p", "--baud", "57600" }
                                  << "no such baud rate" << C::Dump << "" << "";
        QTest::newRow("bad count") << QStringList{ "dump", "p", "--count", "0" } << "--count"
                                   << C::Dump << "" << "";
        QTest::newRow("bad seconds") << QStringList{ "dump", "p", "--seconds", "-1" }
                                     << "--seconds" << C::Dump << "" << "";
        QTest::newRow("value missing") << QStringList{ "dump", "p", "--count" } << "needs a value"
                                       << C::Dump << "" << "";
        QTest::newRow("option of another command") << QStringList{ "send", "p", "-L", "1#" }
                                                   << "unknown option" << C::Send << "" << "";
        QTest::newRow("flag with value") << QStringList{ "play", "p", "f", "--loop=1" }
                                         << "takes no value" << C::Play << "" << "";
        QTest::newRow("send nothing") << QStringList{ "send", "p" } << "no frame" << C::Send << ""
                                      << "";
        QTest::newRow("send bad frame") << QStringList{ "send", "p", "123#1" } << "not a frame"
                                        << C::Send << "" << "";
        QTest::newRow("play no file") << QStringList{ "play", "p" } << "log file is missing"
                                      << C::Play << "" << "";
        QTest::newRow("play two files") << QStringList{ "play", "p", "a", "b" } << "one log file"
                                        << C::Play << "" << "";
        QTest::newRow("bad speed") << QStringList{ "play", "p", "a", "--speed", "0" } << "--speed"
                                   << C::Play << "" << "";
        QTest::newRow("bridge no link") << QStringList{ "bridge", "p" } << "--slcan LINK"
                                        << C::Bridge << "" << "";
        QTest::newRow("dump extra") << QStringList{ "dump", "p", "q" } << "unexpected argument"
                                    << C::Dump << "" << "";
    }
    void arguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const CanToolOptions o = parseCanToolArguments(arguments);
        QTEST(o.command, "command");
        if (!error.isEmpty()) {
            QVERIFY2(o.error.contains(error), qPrintable(o.error));
            return;
        }
        QCOMPARE(o.error, QString());
        QTEST(o.port, "port");
        QString detail;
        switch (o.command) {
        case CanToolCommand::Dump:
            if (o.logOnStdout || o.logFile || o.count || o.seconds > 0)
                detail = QStringLiteral("%1file '%2' count %3 seconds %4")
                                 .arg(o.logOnStdout ? "stdout " : "")
                                 .arg(o.logFileName)
                                 .arg(o.count)
                                 .arg(o.seconds);
            else
                detail = QStringLiteral("preset %1 mode %2 %3 baud %4 %5")
                                 .arg(o.setup.presetIndex)
                                 .arg(o.setup.modeIndex)
                                 .arg(o.setup.variableFraming ? "variable" : "fixed")
                                 .arg(o.baudRate)
                                 .arg(o.configure ? "config" : "no-config");
            break;
        case CanToolCommand::Send:
            detail = QStringLiteral("frames %1").arg(o.frames.size());
            break;
        case CanToolCommand::Play:
            detail = QStringLiteral("%1 speed %2%3%4")
                             .arg(o.file)
                             .arg(o.speed)
                             .arg(o.loop ? " loop" : "")
                             .arg(o.onlyReceived ? " only-received" : "");
            break;
        case CanToolCommand::Bridge:
            detail = "link " + o.link;
            break;
        case CanToolCommand::None:
            break;
        }
        QTEST(detail, "detail");
    }
    void helpAndVersion()
    {
        QVERIFY(parseCanToolArguments({ "--help" }).help);
        QVERIFY(parseCanToolArguments({ "--version" }).version);
        const CanToolOptions o = parseCanToolArguments({ "play", "--help" });
        QVERIFY(o.help);
        QCOMPARE(o.command, CanToolCommand::Play);
        QVERIFY(canToolUsage(CanToolCommand::Play).startsWith("Usage: talvik-can play"));
        QVERIFY(canToolUsage(CanToolCommand::None).contains("bridge PORT --slcan LINK"));
    }
};

QTEST_APPLESS_MAIN(tst_CanText)
#include "tst_cantext.moc"
