// can-utils' frame texts and talvik-can's arguments, without a window or a port.
#include "bitrate.h"
#include "canutilstext.h"
#include "cantooloptions.h"
#include "hexbytes.h"

#include <QTest>

Q_DECLARE_METATYPE(CanFrame)

namespace {
CanFrame remote(quint32 id, int length)
{
    return canFrame(id, QByteArray(length, '\0'), false, true);
}
// What a refused text is compared as: no text stands for this identifier.
const CanFrame Refused = canFrame(0xFFFFFFFF, {});
} // namespace

class tst_CanText : public QObject
{
    Q_OBJECT

private slots:
    void cansendFrames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<CanFrame>("expected");
        QTest::newRow("standard") << "123#11223344" << canFrame(0x123, hex("11223344"));
        QTest::newRow("lower case, dots") << "7ff#aa.bb.CC" << canFrame(0x7FF, hex("aabbcc"));
        QTest::newRow("extended") << "12345678#11" << canFrame(0x12345678, hex("11"), true);
        QTest::newRow("extended short id") << "00000123#" << canFrame(0x123, {}, true);
        QTest::newRow("remote") << "123#R" << remote(0x123, 0);
        QTest::newRow("remote with length") << "123#R4" << remote(0x123, 4);
        QTest::newRow("remote of 8") << "123#R8" << remote(0x123, 8);
        // The flags digit: 1 BRS, 2 ESI.
        QTest::newRow("fd, brs") << "100##1AABB" << fdFrame(0x100, hex("aabb"), false, true);
        QTest::newRow("fd, esi") << "100##2AABB" << fdFrame(0x100, hex("aabb"), false, false, true);
        QTest::newRow("fd, both") << "100##3AABB" << fdFrame(0x100, hex("aabb"), false, true, true);
        QTest::newRow("nine bytes") << "100#010203040506070809" << Refused;
        QTest::newRow("standard id too big") << "800#" << Refused;
        QTest::newRow("extended id too big") << "20000000#" << Refused;
        QTest::newRow("four digit id") << "1234#11" << Refused;
        QTest::newRow("no hash") << "12311" << Refused;
        QTest::newRow("not hex") << "12G#11" << Refused;
        QTest::newRow("remote length 9") << "123#R9" << Refused;
        QTest::newRow("remote junk") << "123#R44" << Refused;
        QTest::newRow("fd bad flags") << "123##4AA" << Refused;
        QTest::newRow("fd bad length") << "123##0" + QString("AA").repeated(9) << Refused;
    }
    void cansendFrames()
    {
        QFETCH(QString, text);
        QFETCH(CanFrame, expected);
        QVERIFY(parseCansendFrame(text).value_or(Refused) == expected);
    }

    // A frame as candump prints it and as candump -L logs it (at 1700000000.012345 s).
    void candumpLines_data()
    {
        QTest::addColumn<CanFrame>("frame");
        QTest::addColumn<QString>("screen"); // after "  can0  "
        QTest::addColumn<QString>("log"); // after "(1700000000.012345) can0 "
        const auto row = [](const char *tag, const CanFrame &frame, const char *screen,
                            const char *log) { QTest::newRow(tag) << frame << screen << log; };
        row("standard", canFrame(0x123, hex("11223344")), "123   [4]  11 22 33 44", "123#11223344");
        row("extended", canFrame(0x18FF50E5, hex("01"), true), "18FF50E5   [1]  01", "18FF50E5#01");
        row("empty", canFrame(0x7, {}), "007   [0]", "007#");
        row("remote", remote(0x7DF, 2), "7DF   [2]  remote request", "7DF#R2");
        row("remote of 1", remote(0x7DF, 1), "7DF   [1]  remote request", "7DF#R1");
        row("extended, small identifier", canFrame(0x123, hex("AB"), true), "00000123   [1]  AB",
            "00000123#AB");
        CanFrame error = canFrame(0x040, QByteArray(8, '\0'));
        error.error = true;
        row("error frame", error, "20000040   [8]  00 00 00 00 00 00 00 00",
            "20000040#0000000000000000");
    }
    void candumpLines()
    {
        QFETCH(CanFrame, frame);
        QFETCH(QString, screen);
        QFETCH(QString, log);
        QCOMPARE(QString(candumpScreenLine(frame)), "  can0  " + screen + "\n");
        QCOMPARE(QString(candumpStdoutLine(frame, 1'700'000'000'012'345)),
                 "(1700000000.012345) can0 " + log + "\n");
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
        QTEST(QString::asprintf("%s %d %d %s %d %s %s %lld", qPrintable(o.port),
                                o.setup.presetIndex, o.setup.modeIndex,
                                o.setup.variableFraming ? "variable" : "fixed", o.baudRate,
                                o.configure ? "set" : "kept", qPrintable(log), o.count),
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
