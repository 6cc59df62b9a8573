// can-utils' frame texts and talvik-can's arguments, without a window or a port.
#include "bitrate.h"
#include "canutilstext.h"
#include "cantooloptions.h"

#include <QTest>

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
        QTest::newRow("extended") << "12345678#11" << true << frame(0x12345678, "\x11", true);
        QTest::newRow("extended short id") << "00000123#" << true << frame(0x123, {}, true);
        QTest::newRow("remote") << "123#R" << true << remote(0x123, 0);
        QTest::newRow("remote with length") << "123#R4" << true << remote(0x123, 4);
        CanFrame fd = frame(0x100, "\xaa\xbb");
        fd.fd = true;
        fd.bitRateSwitch = true;
        QTest::newRow("fd with brs") << "100##1AABB" << true << fd;
        fd.bitRateSwitch = false;
        fd.errorStateIndicator = true;
        QTest::newRow("fd with esi") << "100##2AABB" << true << fd;
        fd.bitRateSwitch = true;
        QTest::newRow("fd with both") << "100##3AABB" << true << fd;
        QTest::newRow("remote of 8") << "123#R8" << true << remote(0x123, 8);
        QTest::newRow("nine bytes") << "100#010203040506070809" << false << CanFrame();
        QTest::newRow("standard id too big") << "800#" << false << CanFrame();
        QTest::newRow("extended id too big") << "20000000#" << false << CanFrame();
        QTest::newRow("four digit id") << "1234#11" << false << CanFrame();
        QTest::newRow("no hash") << "12311" << false << CanFrame();
        QTest::newRow("not hex") << "12G#11" << false << CanFrame();
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
        QTest::newRow("remote of 1") << remote(0x7DF, 1)
                                     << QByteArray("  can0  7DF   [1]  remote request\n")
                                     << QByteArray("(1700000000.012345) can0 7DF#R1\n");
        QTest::newRow("extended, small identifier")
                << frame(0x123, "\xAB", true) << QByteArray("  can0  00000123   [1]  AB\n")
                << QByteArray("(1700000000.012345) can0 00000123#AB\n");
        CanFrame error = frame(0x040, QByteArray(8, '\0'));
        error.error = true;
        QTest::newRow("error frame")
                << error << QByteArray("  can0  20000040   [8]  00 00 00 00 00 00 00 00\n")
                << QByteArray("(1700000000.012345) can0 20000040#0000000000000000\n");
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
        QTest::newRow("500K") << "500K" << 2;
        QTest::newRow("250000") << "250000" << 4;
        QTest::newRow("5k") << "5k" << 11;
        QTest::newRow("not a preset") << "333k" << -1;
    }
    void presets()
    {
        QFETCH(QString, text);
        QFETCH(int, index);
        QCOMPARE(presetIndexForRate(text).value_or(-1), index);
        if (index >= 0)
            QCOMPARE(presetRate(index), *bitRateFromText(text));
    }

    // Options in any position, with their defaults; what tst_cantool's runs do not pass.
    void optionsRead_data()
    {
        QTest::addColumn<QStringList>("arguments");
        // port, preset, mode, framing, baud, set-and-start, log file (and its name), count
        QTest::addColumn<QString>("expected");
        QTest::newRow("defaults") << QStringList{ "dump", "p" } << "p 4 0 fixed 2000000 set - 0";
        QTest::newRow("every option")
                << QStringList{ "dump", "p", "--bitrate", "500k", "--mode=silent", "--framing",
                                "variable", "--baud", "115200", "--no-config", "--log=b.log" }
                << "p 2 2 variable 115200 kept b.log 0";
        QTest::newRow("before the port") << QStringList{ "dump", "-l", "--count", "3", "p" }
                                         << "p 4 0 fixed 2000000 set log 3";
        QTest::newRow("log named after the port") << QStringList{ "dump", "p", "-l", "x.log" }
                                                  << "p 4 0 fixed 2000000 set x.log 0";
        QTest::newRow("-l then the port") << QStringList{ "dump", "-l", "p" }
                                          << "p 4 0 fixed 2000000 set log 0";
    }
    void optionsRead()
    {
        QFETCH(QStringList, arguments);
        const CanToolOptions o = parseCanToolArguments(arguments);
        QCOMPARE(o.error, QString());
        QCOMPARE(o.command, CanToolCommand::Dump);
        const QString log = !o.logFile ? "-" : o.logFileName.isEmpty() ? "log" : o.logFileName;
        QTEST(QString("%1 %2 %3 %4 %5 %6 %7 %8")
                      .arg(o.port)
                      .arg(o.setup.presetIndex)
                      .arg(o.setup.modeIndex)
                      .arg(o.setup.variableFraming ? "variable" : "fixed")
                      .arg(o.baudRate)
                      .arg(o.configure ? "set" : "kept", log)
                      .arg(o.count),
              "expected");
    }

    void otherCommandsOptions()
    {
        QVERIFY(parseCanToolArguments({ "play", "p", "x.log", "--loop" }).loop);
        QCOMPARE(parseCanToolArguments({ "play", "--help" }).command, CanToolCommand::Play);
        QVERIFY(parseCanToolArguments({ "--version" }).version);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error"); // a part of it
        QTest::newRow("nothing") << QStringList{} << "command is missing";
        QTest::newRow("unknown command") << QStringList{ "sniff", "p" } << "no such command";
        QTest::newRow("no port") << QStringList{ "dump" } << "port is missing";
        QTest::newRow("bad bitrate") << QStringList{ "dump", "p", "--bitrate", "300k" } << "no such bit rate";
        QTest::newRow("bad mode") << QStringList{ "dump", "p", "--mode", "quiet" } << "no such mode";
        QTest::newRow("bad framing") << QStringList{ "dump", "p", "--framing", "odd" } << "no such framing";
        QTest::newRow("bad baud") << QStringList{ "dump", "p", "--baud", "57600" } << "no such baud rate";
        QTest::newRow("bad count") << QStringList{ "dump", "p", "--count", "0" } << "--count";
        QTest::newRow("value missing") << QStringList{ "dump", "p", "--count" } << "needs a value";
        QTest::newRow("option of another command") << QStringList{ "send", "p", "-L", "1#" } << "unknown option";
        QTest::newRow("flag with value") << QStringList{ "play", "p", "f", "--loop=1" } << "takes no value";
        QTest::newRow("send nothing") << QStringList{ "send", "p" } << "no frame";
        QTest::newRow("play no file") << QStringList{ "play", "p" } << "log file is missing";
        QTest::newRow("bad speed") << QStringList{ "play", "p", "a", "--speed", "0" } << "--speed";
        QTest::newRow("bridge no link") << QStringList{ "bridge", "p" } << "--slcan LINK";
        QTest::newRow("dump extra") << QStringList{ "dump", "p", "q" } << "unexpected argument";
    }
    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const QString got = parseCanToolArguments(arguments).error;
        QVERIFY2(got.contains(error), qPrintable(got));
    }
};

QTEST_APPLESS_MAIN(tst_CanText)
#include "tst_cantext.moc"
