#include "hexbytes.h"
#include "logformats.h"
#include "logline.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using Records = std::vector<CaptureRecord>;
Q_DECLARE_METATYPE(Records)

namespace {

constexpr qint64 T0 = 1700000000012345; // Tue Nov 14 22:13:20 2023 UTC, and 12345 us

CaptureRecord record(qint64 us, quint32 id, const char *data, bool ext = false, bool sent = false)
{
    return { us, canFrame(id, hex(data), ext), sent };
}

CaptureRecord remote(qint64 us, quint32 id, int length, bool extended = false)
{
    return { us, canFrame(id, QByteArray(length, '\0'), extended, true), false };
}

// An error frame as SocketCAN reports it: by default a controller problem, error passive on
// receive.
CaptureRecord errorRecord(qint64 us, quint32 errorClass = 0x004,
                          const char *details = "00 10 00 00 00 00 00 00")
{
    CaptureRecord r{ us, canFrame(errorClass, hex(details), true), false };
    r.frame.error = true;
    return r;
}

// A data frame, then an error frame.
Records errorSample()
{
    return { record(T0, 0x123, "01"), errorRecord(T0 + 1000) };
}

// CAN FD frames of every length FD has, with each combination of BRS and ESI.
Records fdSample(qint64 start = T0)
{
    Records records;
    int k = 0;
    for (int length : { 0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 20, 24, 32, 48, 64 }) {
        QByteArray data(length, '\0');
        for (int i = 0; i < length; ++i)
            data[i] = char(k * 16 + i);
        records.push_back({ start + 1000 * k, fdFrame(0x100 + k, data, k % 3 == 0, k & 1, k & 2),
                            k % 5 == 0 });
        ++k;
    }
    return records;
}

// Every kind of frame a log carries, both directions, times with a fraction, a gap over a day.
Records sample(qint64 start = T0)
{
    return { record(start, 0x123, "01 02"),
             record(start + 100000, 0x1ABCDEF0, "01 02 03 04 05 06 07 08", true, true),
             remote(start + 987655, 0x7DF, 3),
             remote(start + 1487655, 0x7DF, 0),
             record(start + 1987655, 0x321, "", false, true),
             record(start + 2487655, 0x321, "11", true),
             remote(start + 3000001, 0x18DB33F1, 8, true),
             record(start + 100000000000, 0x7FF, "FF 00 FF") };
}

// A reader's result: its records as candump lines, then what it skipped or refused.
QString readText(const LogReadResult &result)
{
    QString text;
    for (const CaptureRecord &r : result.records)
        text += QString::fromUtf8(candumpLine(r));
    if (result.skippedLines)
        text += QStringLiteral("skipped %1 (%2)\n")
                        .arg(QString::number(result.skippedLines), result.skippedSamples.value(0));
    if (result.skippedSamples.size() > 5)
        text += "more than 5 samples kept\n";
    if (!result.error.isEmpty())
        text += "error: " + result.error;
    return text.trimmed();
}

// A text-table line from its cells, '|' between them.
QByteArray tableLine(const char *cells)
{
    QStringList pad;
    for (int n = 20; n >= 1; --n)
        pad << QString(n, QLatin1Char(' '));
    return logLine(QString::fromUtf8(cells).split('|'), pad).toUtf8();
}

// A tool's standard output.
QByteArray run(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return "did not finish";
    return process.readAllStandardOutput();
}

} // namespace

// The log formats other tools exchange: lines written, variants read, bad lines counted,
// and the logs handed to can-utils' log2asc and asc2log and to Wireshark's tshark.
class tst_LogFormats : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size()
                ? file.fileName()
                : QString();
    }

    QString tool(const char *name)
    {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (path.isEmpty())
            qWarning("%s is not installed (make deps installs it)", name);
        return path;
    }

    // tshark's fields of the pcap of `records`, a line a frame, True and False as 1 and 0.
    QString tshark(const Records &records, const QStringList &fields)
    {
        const QString file = writeFile("capture.pcap", writeLog(LogFormat::Pcap, records));
        QStringList arguments{ "-r", file, "-T", "fields", "-E", "separator=/s" };
        for (const QString &field : fields)
            arguments << "-e" << field;
        return QString(run(tool("tshark"), arguments)).replace("True", "1").replace("False", "0");
    }

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    // Writers, the format a file name asks for, logs written and read back (actual, expected).
    void write_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        const auto pcap = [](const QByteArray &bytes) { return QString(bytes.toHex(' ')); };
        QTest::newRow("candump standard id keeps its low 11 bits")
                << QString(candumpLine(record(T0, 0x1234, "")))
                << "(1700000000.012345) can0 234# R\n";
        QTest::newRow("pcap header")
                << pcap(pcapFileHeader())
                << "d4 c3 b2 a1 02 00 04 00 00 00 00 00 00 00 00 00 ff ff 00 00 e3 00 00 00";
        QTest::newRow("pcap extended") << pcap(pcapPacket(record(T0, 0x1ABCDEF0, "01 02 03", true)))
                                       << "00 f1 53 65 39 30 00 00 10 00 00 00 10 00 00 00 "
                                          "9a bc de f0 03 00 00 00 01 02 03 00 00 00 00 00";
        QTest::newRow("candump error frame")
                << QString(candumpLine(errorRecord(T0)))
                << "(1700000000.012345) can0 20000004#0010000000000000 R\n";
        QTest::newRow("ASC error frame")
                << QString(ascLine(errorRecord(T0 + 250000), T0)) << "   0.250000 1  ErrorFrame\n";
        QTest::newRow("pcap error frame") << pcap(pcapPacket(errorRecord(T0)).mid(16))
                                          << "20 00 00 04 08 00 00 00 00 10 00 00 00 00 00 00";
        const CaptureRecord fd{ T0, fdFrame(0x123, hex("112233445566778899AABBCC"), false, true),
                                false };
        QTest::newRow("candump FD")
                << QString(candumpLine(fd))
                << "(1700000000.012345) can0 123##1112233445566778899AABBCC R\n";
        QTest::newRow("ASC FD as log2asc writes it")
                << QString(ascLine(fd, T0))
                << "   0.000000 CANFD   1 Rx        123                                   1 0 9 12 "
                   "11 22 33 44 55 66 77 88 99 AA BB CC   130000  130     3000 0 0 0 0 0\n";
        QTest::newRow("pcap FD: 72 bytes, FD flag with BRS")
                << pcap(pcapPacket(fd).left(32))
                << "00 f1 53 65 39 30 00 00 48 00 00 00 48 00 00 00 "
                   "00 00 01 23 0c 05 00 00 11 22 33 44 55 66 77 88";
        QString formats;
        for (const char *name : { "/tmp/bus.LOG", "bus.asc", "bus.pcap", "bus.PcapNG", "bus" })
            formats += logFormatExtension(logFormatForFileName(name, LogFormat::TextTable));
        QTest::newRow("formats named by extension") << formats << ".log.asc.pcap.pcap.txt";
        // Read back by content; ASC holds whole seconds in its header (times shift by the
        // first frame's fraction), pcap no direction.
        const auto roundTrip = [](const char *tag, LogFormat format, const char *name, auto made) {
            Records expected = made(T0 - (format == LogFormat::VectorAsc ? T0 % 1000000 : 0));
            for (CaptureRecord &r : expected)
                r.sent = r.sent && format != LogFormat::Pcap;
            QTest::newRow(tag) << readText(readLog(name, writeLog(format, made(T0)), {}))
                               << readText({ expected });
        };
        roundTrip("candump named .txt", LogFormat::Candump, "a.txt", sample);
        roundTrip("ASC named .log", LogFormat::VectorAsc, "a.log", sample);
        roundTrip("pcap named .asc", LogFormat::Pcap, "a.asc", sample);
        // FD frames of every length and flag combination.
        roundTrip("FD candump", LogFormat::Candump, "fd", fdSample);
        roundTrip("FD ASC", LogFormat::VectorAsc, "fd", fdSample);
        roundTrip("FD pcap", LogFormat::Pcap, "fd", fdSample);
    }

    void write()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    // Readers: what they read, skipped or refused (actual, expected).
    void read_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        const auto candumpRow = [](const char *line, const char *expected) {
            QTest::newRow(line) << readText(readCandumpLog(line)) << QString(expected);
        };
        const auto asc = [](const char *content) { return readText(readAscLog(content)); };
        // The last row's time of day is on 2024-03-09; times running back cross midnight.
        const auto table = [](const QByteArray &content) {
            return readText(readTextTable(content, QDate(2024, 3, 9)));
        };
        // Any format by its content, whatever the name says.
        const auto namedLog = [](const QByteArray &content) {
            return readText(readLog("a.log", content, QDate(2024, 3, 9)));
        };
        candumpRow("(1.5) vcan1 7df#a0b1", "(1.500000) can0 7DF#A0B1 R");
        candumpRow("(1.5) can0 123#11.22.33 T", "(1.500000) can0 123#112233 T");
        candumpRow("(1700000000.012345)\tcan0\t123#\tT\r\n", "(1700000000.012345) can0 123# T");
        candumpRow("# recorded on the test bench", "error: no candump lines");
        candumpRow("(1.5) can0 20000080#0000000000000000",
                   "(1.500000) can0 20000080#0000000000000000 R");
        candumpRow("(1.5) can0 20000040#R", "skipped 1 (line 1: error frame with a remote flag)");
        candumpRow("(1.5) can0 123##10011 R", "(1.500000) can0 123##10011 R");
        // FD lengths FD has not are padded with zeros; the FD flag (4) is read past.
        candumpRow("(1.5) can0 1ABCDEF0##7010203040506070809 T",
                   "(1.500000) can0 1ABCDEF0##3010203040506070809000000 T");
        candumpRow("(1.5) can0 123##", "skipped 1 (line 1: no flags digit after ##)");
        candumpRow((QByteArray("(1.5) can0 123##0") + QByteArray(130, 'A')).constData(),
                   "skipped 1 (line 1: more than 64 data bytes)");

        QTest::newRow("ASC as other tools write")
                << asc("date Tue Nov 14 10:13:20.250 pm 2023\n"
                       "base hex  timestamps absolute\ninternal events logged\n"
                       "// version 9.0.0\n"
                       "BEGIN TRIGGERBLOCK Tue Nov 14 10:13:20.250 pm 2023\n"
                       "   0.000100 Start of measurement\n"
                       "   0.001000 2  1f3             Rx   d 1 aa  Length = 230000 "
                       "BitCount = 60 ID = 499\n"
                       "   0.002000 1  CANFD   1 Rx 123 0 1 8 8 0102030405060708\n"
                       "   0.003000 1  ErrorFrame\n"
                       "   0.004000 1  Statistic: D 0 R 0 XD 0 XR 0 E 0 O 0 B 0.00%\n"
                       "   0.005000 1  Status:chip status error active\n"
                       "   0.006000 3  7E8             Rx   r\nend triggerblock\n")
                << "(1700000000.251000) can0 1F3#AA R\n"
                   "(1700000000.253000) can0 20000080#0000000000000000 R\n"
                   "(1700000000.256000) can0 7E8#R R\nskipped 4 (line 6: not a frame)";
        QTest::newRow("ASC FD: log2asc's, a symbolic name, a classic frame in FD form")
                << asc("date Tue Nov 14 22:13:20 2023\nbase hex  timestamps absolute\n"
                       "   0.000000 CANFD   1 Rx        123                                   "
                       "1 0 9 12 11 22 33 44 55 66 77 88 99 AA BB CC   130000  130     3000 0 "
                       "0 0 0 0\n"
                       "   0.100000 CANFD   1 Tx   1ABCDEF0x  EngineData  0 1 0  0   130000  "
                       "130     5000 0 0 0 0 0\n"
                       "   0.200000 CANFD 1 Rx 7FF 0 0 8 8 00 01 02 03 04 05 06 07 130000 130 0 "
                       "0 0 0 0 0\n"
                       "   0.300000 CANFD 1 Rx 7FF 0 0 f 64 00 01 02\n")
                << "(1700000000.000000) can0 123##1112233445566778899AABBCC R\n"
                   "(1700000000.100000) can0 1ABCDEF0##2 T\n"
                   "(1700000000.200000) can0 7FF#0001020304050607 R\n"
                   "skipped 1 (line 6: fewer data bytes than the length)";
        QTest::newRow("ASC decimal, relative times run on over skipped lines")
                << asc("date Tue Nov 14 22:13:20 2023\nbase dec  timestamps relative\n"
                       "   1.000000 1  291             Rx   d 2 1 255\n"
                       "   0.500000 1  291x            Rx   d 0\n"
                       "   0.250000 1  ErrorFrame\n"
                       "   0.250000 1  292             Rx   d 0\n")
                << "(1700000001.000000) can0 123#01FF R\n(1700000001.500000) can0 00000123# R\n"
                   "(1700000001.750000) can0 20000080#0000000000000000 R\n"
                   "(1700000002.000000) can0 124# R";
        const QByteArray tableHeader =
                tableLine("序号|传输方向|时间标识|帧格式|帧类型|帧ID|数据长度|数据(16进制)");
        QTest::newRow("text table received and sent, same millisecond")
                << table(tableHeader
                         + tableLine("0|接受|10:00:00 001|数据帧|标准帧|0x00000123|3|01 02 0a ")
                         + tableLine("1|发送|10:00:00 001|数据帧|扩展帧|1abc|8|1 2 3 4 5 6 7 8")
                         + tableLine("2|接受|10:00:01 500|远程帧|扩展帧|0x18db33f1|8|00 00 00 00 "
                                     "00 00 00 00"))
                << "(1709978400.001000) can0 123#01020A R\n"
                   "(1709978400.001000) can0 00001ABC#0102030405060708 T\n"
                   "(1709978401.500000) can0 18DB33F1#R8 R";
        QTest::newRow("text table over midnight, empty frame type cell")
                << table(tableLine("7|接受|23:59:59 999|数据帧||0x00000123|0| ")
                         + tableLine("8|接受|00:00:00 001|数据帧||0x00012345|1|ff"))
                << "(1709942399.999000) can0 123# R\n(1709942400.001000) can0 00012345#FF R";
        QTest::newRow("text table FD and error rows, both languages")
                << table(tableLine("1|接受|10:00:00 001|数据帧|扩展帧 FD BRS|0x18ff50e5|12|"
                                   "01 02 03 04 05 06 07 08 09 0a 0b 0c")
                         + tableLine("2|Tx|10:00:00 002|Data|Standard FD ESI|0x00000123|0| ")
                         + tableLine("3|接受|10:00:00 003|总线关闭|扩展帧|0x00000040|8|"
                                     "00 00 00 00 00 00 00 00")
                         + tableLine("4|Rx|10:00:00 004|error passive, no acknowledgement|"
                                     "Extended|0x00000024|8|00 10 00 00 00 00 00 00"))
                << "(1709978400.001000) can0 18FF50E5##10102030405060708090A0B0C R\n"
                   "(1709978400.002000) can0 123##2 T\n"
                   "(1709978400.003000) can0 20000040#0000000000000000 R\n"
                   "(1709978400.004000) can0 20000024#0010000000000000 R";
        QTest::newRow("text table bad rows") << table(
                tableHeader + tableLine("1|接受|10:00:00 001|数据帧|标准帧|0x00000123|9|1 2 3")
                + tableLine("2|接受|10:00:00 001|数据帧|标准帧|0x00000800|0|")
                + tableLine("6|接受|10:00:00 001|数据帧|标准帧|0x00000123|1|GG")
                + "0 接受 10:00:00\n") << "skipped 4 (line 2: length is not 0 to 8)";
        QTest::newRow("text table named .log")
                << namedLog(tableLine("0|接受|10:00:00 001|数据帧|标准帧|0x00000123|0| "))
                << "(1709978400.001000) can0 123# R";
        QTest::newRow("pcapng named .log")
                << namedLog(hex("0a 0d 0d 0a 1c 00 00 00"))
                << "error: pcapng files are not read; save the capture as classic pcap";
        // A 72-byte packet of an error frame is a classic frame: 48 bytes are too many.
        QByteArray fdSized = pcapPacket({ T0, fdFrame(0x1, QByteArray(48, '\x01')), false });
        fdSized[16] = '\x20'; // the error flag
        QTest::newRow("pcap error frame in an FD-sized packet")
                << readText(readPcap(pcapFileHeader() + fdSized))
                << "skipped 1 (packet 1: length is not 0 to 8)";
    }

    void read()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void canUtils_data()
    {
        QTest::addColumn<Records>("records");
        QTest::newRow("every kind of frame") << sample();
        QTest::newRow("FD") << fdSample();
        QTest::newRow("error frame") << errorSample();
    }

    // log2asc writes what the program writes, byte for byte; asc2log reads the frames back.
    void canUtils()
    {
        QFETCH(Records, records);
        if (tool("log2asc").isEmpty() || tool("asc2log").isEmpty())
            QSKIP("can-utils is not installed");
        const QByteArray asc = writeLog(LogFormat::VectorAsc, records);
        const QString log = writeFile("capture.log", writeLog(LogFormat::Candump, records));
        QCOMPARE(run(tool("log2asc"), { "-I", log, "can0" }), asc);
        const LogReadResult back =
                readCandumpLog(run(tool("asc2log"), { "-I", writeFile("capture.asc", asc) }));
        // Debian 12's asc2log leaves the daylight saving flag of the date it reads unset:
        // its times may be an hour off; the frames and their spacing must not be.
        const qint64 start = T0 - T0 % 1000000,
                     shift = back.records.empty() ? 0 : back.records.front().timestampUs - start;
        QVERIFY2(shift == 0 || qAbs(shift) == 3600000000, qPrintable(QString::number(shift)));
        // ASC holds times from its header's whole second, an error frame without details.
        Records expected = records;
        for (CaptureRecord &r : expected) {
            r.timestampUs += shift - T0 % 1000000;
            if (r.frame.error)
                r = errorRecord(r.timestampUs, 0x080, "00 00 00 00 00 00 00 00");
        }
        QCOMPARE(readText(back), readText({ expected }));
    }

    // tshark shows every frame as written: a remote frame's length in zero bytes, an FD frame's
    // BRS and ESI, a classic frame without FD flags, an error frame's class and details (and
    // no identifier).
    void tsharkShowsEveryFrame()
    {
        if (tool("tshark").isEmpty())
            QSKIP("tshark is not installed");
        Records records = sample();
        for (const CaptureRecord &r : fdSample(T0 + 200000000000))
            records.push_back(r);
        const auto bit = [](bool set) { return set ? "1" : "0"; };
        QString expected;
        for (const CaptureRecord &r : records) {
            const CanFrame &f = r.frame;
            const QByteArray data = f.remote ? QByteArray(f.length, 0)
                                             : QByteArray((const char *)f.data.data(), f.length);
            expected += QString::asprintf(
                    "%lld.%06lld000 %u %s %s %d %s %s %s\n", r.timestampUs / 1000000,
                    r.timestampUs % 1000000, f.identifier, bit(f.extended),
                    f.fd ? "" : bit(f.remote), f.length, f.fd ? bit(f.bitRateSwitch) : "",
                    f.fd ? bit(f.errorStateIndicator) : "", data.toHex().constData());
        }
        QCOMPARE(tshark(records,
                        { "frame.time_epoch", "can.id", "can.flags.xtd", "can.flags.rtr", "can.len",
                          "canfd.flags.brs", "canfd.flags.esi", "data" }),
                 expected);
        QCOMPARE(tshark(errorSample(),
                        { "can.flags.err", "can.id", "can.err.ctrl", "can.err.ctrl.rx_passive" }),
                 "0 291  \n1  1 1\n");
    }
};

QTEST_APPLESS_MAIN(tst_LogFormats)
#include "tst_logformats.moc"
