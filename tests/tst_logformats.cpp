#include "hexbytes.h"
#include "logrecords.h"
#include "logformats.h"
#include "logline.h"

#include <QTest>

#include <ctime>

using Records = QList<CaptureRecord>;
Q_DECLARE_METATYPE(CaptureRecord)

namespace {

constexpr qint64 T0 = 1700000000012345; // Tue Nov 14 22:13:20 2023 UTC, and 12345 us

Records toList(const std::vector<CaptureRecord> &records)
{
    return Records(records.begin(), records.end());
}

// One record of each kind a log has to carry.
std::vector<CaptureRecord> sampleRecords()
{
    return { record(T0, 0x123, "01 02"),
             record(T0 + 100000, 0x1ABCDEF0, "01 02 03 04 05 06 07 08", true, true),
             remote(T0 + 987655, 0x7DF, 3),
             remote(T0 + 1487655, 0x7DF, 0),
             record(T0 + 1987655, 0x321, "", false, true),
             record(T0 + 2487655, 0x321, "11", true),
             remote(T0 + 3000000, 0x18DB33F1, 8, true),
             record(T0 + 100000000000, 0x7FF, "FF 00 FF") };
}

QByteArray tableLine(const QStringList &texts)
{
    QStringList pad;
    for (int n = 20; n >= 1; --n)
        pad << QString(n, QLatin1Char(' '));
    return logLine(texts, pad).toUtf8();
}

qint64 utcUs(int year, int month, int day, int h, int m, int s, int us = 0)
{
    return QDateTime(QDate(year, month, day), QTime(h, m, s), Qt::UTC).toMSecsSinceEpoch() * 1000
            + us;
}

} // namespace

// The log formats other tools exchange: lines written, variants read, bad lines counted.
class tst_LogFormats : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void formatForFileName_data();
    void formatForFileName();
    void candumpLine_data();
    void candumpLine();
    void readCandump_data();
    void readCandump();
    void ascHeader();
    void ascLine_data();
    void ascLine();
    void readAsc_data();
    void readAsc();
    void pcapBytes();
    void readPcap_data();
    void readPcap();
    void readTextTable_data();
    void readTextTable();
    void roundTrip_data();
    void roundTrip();
    void readLogPicksTheReaderByContent_data();
    void readLogPicksTheReaderByContent();
    void skippedSamplesAreFewAndNumbered();
};

void tst_LogFormats::initTestCase()
{
    qputenv("TZ", "UTC");
    tzset();
}

void tst_LogFormats::formatForFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<LogFormat>("format");
    QTest::newRow("log") << "/tmp/bus.LOG" << LogFormat::Candump;
    QTest::newRow("asc") << "bus.asc" << LogFormat::VectorAsc;
    QTest::newRow("pcap") << "bus.pcap" << LogFormat::Pcap;
    QTest::newRow("pcapng") << "bus.PcapNG" << LogFormat::Pcap;
    QTest::newRow("txt") << "bus.txt" << LogFormat::TextTable;
    QTest::newRow("none") << "bus" << LogFormat::TextTable;
}

void tst_LogFormats::formatForFileName()
{
    QFETCH(QString, name);
    QFETCH(LogFormat, format);
    QCOMPARE(logFormatForFileName(name, LogFormat::TextTable), format);
}

void tst_LogFormats::candumpLine_data()
{
    QTest::addColumn<CaptureRecord>("record");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("standard") << record(T0, 0x123, "01 02")
                              << QByteArray("(1700000000.012345) can0 123#0102 R\n");
    QTest::newRow("extended, 8 bytes, sent")
            << record(1700000000000001, 0x1ABCDEF0, "01 02 03 04 05 06 07 08", true, true)
            << QByteArray("(1700000000.000001) can0 1ABCDEF0#0102030405060708 T\n");
    QTest::newRow("small extended id keeps 8 digits")
            << record(T0, 0x321, "AB", true)
            << QByteArray("(1700000000.012345) can0 00000321#AB R\n");
    QTest::newRow("no data") << record(T0, 0x321, "", false, true)
                             << QByteArray("(1700000000.012345) can0 321# T\n");
    QTest::newRow("remote with length")
            << remote(T0, 0x7DF, 3) << QByteArray("(1700000000.012345) can0 7DF#R3 R\n");
    QTest::newRow("remote without length")
            << remote(T0, 0x7DF, 0) << QByteArray("(1700000000.012345) can0 7DF#R R\n");
    QTest::newRow("standard id beyond 11 bits keeps its low 11")
            << record(T0, 0x1234, "") << QByteArray("(1700000000.012345) can0 234# R\n");
}

void tst_LogFormats::candumpLine()
{
    QFETCH(CaptureRecord, record);
    QFETCH(QByteArray, line);
    QCOMPARE(::candumpLine(record), line);
}

void tst_LogFormats::readCandump_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Records>("records");
    QTest::addColumn<QString>("skipped"); // the reason, when the line is skipped

    const qint64 t = 1700000000012345;
    QTest::newRow("as written")
            << QByteArray("(1700000000.012345) can0 1ABCDEF0#0102030405060708 T")
            << Records{ record(t, 0x1ABCDEF0, "01 02 03 04 05 06 07 08", true, true) } << QString();
    QTest::newRow("lower case, other interface, no direction")
            << QByteArray("(1700000000.012345) vcan1 7df#a0b1")
            << Records{ record(t, 0x7DF, "A0 B1") } << QString();
    QTest::newRow("dots between bytes") << QByteArray("(1700000000.012345) can0 123#11.22.33 R")
                                        << Records{ record(t, 0x123, "11 22 33") } << QString();
    QTest::newRow("r") << QByteArray("(1700000000.012345) can0 123#r R")
                       << Records{ remote(t, 0x123, 0) } << QString();
    QTest::newRow("R0") << QByteArray("(1700000000.012345) can0 123#R0 R")
                        << Records{ remote(t, 0x123, 0) } << QString();
    QTest::newRow("R8 extended") << QByteArray("(1700000000.012345) can0 00000123#R8 R")
                                 << Records{ remote(t, 0x123, 8, true) } << QString();
    QTest::newRow("empty") << QByteArray("(1700000000.012345) can0 123# R")
                           << Records{ record(t, 0x123, "") } << QString();
    QTest::newRow("tab separated, CR LF")
            << QByteArray("(1700000000.5)\tcan0\t123#01\tT\r\n")
            << Records{ record(1700000000500000, 0x123, "01", false, true) } << QString();
    QTest::newRow("comment") << QByteArray("# recorded on the test bench\n") << Records{}
                             << QString();
    QTest::newRow("error frame") << QByteArray("(1700000000.012345) can0 20000080#0000000000000000")
                                 << Records{} << "error frame";
    QTest::newRow("4 digit id") << QByteArray("(1700000000.012345) can0 0123#01 R") << Records{}
                                << "identifier is neither 3 nor 8 hex digits";
    QTest::newRow("standard id beyond 11 bits") << QByteArray("(1700000000.012345) can0 800#01 R")
                                                << Records{} << "identifier out of range";
    QTest::newRow("9 bytes") << QByteArray("(1700000000.012345) can0 123#010203040506070809 R")
                             << Records{} << "more than 8 data bytes";
    QTest::newRow("odd digits") << QByteArray("(1700000000.012345) can0 123#012 R") << Records{}
                                << "odd number of data digits";
    QTest::newRow("not hex") << QByteArray("(1700000000.012345) can0 123#0G R") << Records{}
                             << "data is not hexadecimal";
    QTest::newRow("remote length 9") << QByteArray("(1700000000.012345) can0 123#R9 R") << Records{}
                                     << "remote frame length is not 0 to 8";
    QTest::newRow("CAN FD") << QByteArray("(1700000000.012345) can0 123##10011 R") << Records{}
                            << "CAN FD frame";
    QTest::newRow("direction") << QByteArray("(1700000000.012345) can0 123#01 X") << Records{}
                               << "direction is neither R nor T";
    QTest::newRow("cut short") << QByteArray("(1700000000.012345) can0") << Records{}
                               << "too few fields";
    QTest::newRow("time") << QByteArray("(1700000000.0123x5) can0 123#01 R") << Records{}
                          << "time is not (seconds.micros)";
}

void tst_LogFormats::readCandump()
{
    QFETCH(QByteArray, line);
    QFETCH(Records, records);
    QFETCH(QString, skipped);

    const LogReadResult result = readCandumpLog(line);
    QCOMPARE(toList(result.records), records);
    QCOMPARE(result.skippedLines, skipped.isEmpty() ? 0 : 1);
    if (!skipped.isEmpty())
        QCOMPARE(result.skippedSamples, QStringList{ "line 1: " + skipped });
}

void tst_LogFormats::ascHeader()
{
    // As log2asc writes it for a first frame at 1700000000.012345 (UTC).
    QCOMPARE(::ascHeader(T0),
             QByteArray("date Tue Nov 14 22:13:20 2023\n"
                        "base hex  timestamps absolute\n"
                        "no internal events logged\n"));
    // A one-digit day is padded with a blank.
    QCOMPARE(::ascHeader(utcUs(2023, 11, 4, 0, 0, 0, 1)).left(29),
             QByteArray("date Sat Nov  4 00:00:00 2023"));
}

void tst_LogFormats::ascLine_data()
{
    QTest::addColumn<CaptureRecord>("record");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("first frame") << record(T0, 0x123, "01 02")
                                 << QByteArray("   0.000000 1  123             Rx   d 2 01 02\n");
    QTest::newRow("extended, sent, 8 bytes")
            << record(T0 + 100000, 0x1ABCDEF0, "01 02 03 04 05 06 07 08", true, true)
            << QByteArray("   0.100000 1  1ABCDEF0x       Tx   d 8 01 02 03 04 05 06 07 08\n");
    QTest::newRow("remote") << remote(T0 + 987655, 0x7DF, 3)
                            << QByteArray("   0.987655 1  7DF             Rx   r 3\n");
    QTest::newRow("remote, no length") << remote(T0 + 1487655, 0x7DF, 0)
                                       << QByteArray("   1.487655 1  7DF             Rx   r 0\n");
    QTest::newRow("empty") << record(T0 + 1987655, 0x321, "", false, true)
                           << QByteArray("   1.987655 1  321             Tx   d 0\n");
    QTest::newRow("small extended id")
            << record(T0 + 2487655, 0x321, "11", true)
            << QByteArray("   2.487655 1  321x            Rx   d 1 11\n");
    QTest::newRow("long after") << record(T0 + 100000000004, 0xA, "")
                                << QByteArray("100000.000004 1  A               Rx   d 0\n");
}

void tst_LogFormats::ascLine()
{
    QFETCH(CaptureRecord, record);
    QFETCH(QByteArray, line);
    QCOMPARE(::ascLine(record, T0), line);
}

void tst_LogFormats::readAsc_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Records>("records");
    QTest::addColumn<int>("skipped");

    const QByteArray header = "date Tue Nov 14 22:13:20 2023\n"
                              "base hex  timestamps absolute\n"
                              "no internal events logged\n";
    const qint64 base = 1700000000000000;
    QTest::newRow("as log2asc writes")
            << header
                    + "   0.000000 1  123             Rx   d 2 01 02\n"
                      "   0.100000 1  1ABCDEF0x       Tx   d 8 01 02 03 04 05 06 07 08\n"
                      "   0.987655 1  7DF             Rx   r 3\n"
                      "   1.987655 1  321             Tx   d 0\n"
            << Records{ record(base, 0x123, "01 02"),
                        record(base + 100000, 0x1ABCDEF0, "01 02 03 04 05 06 07 08", true, true),
                        remote(base + 987655, 0x7DF, 3),
                        record(base + 1987655, 0x321, "", false, true) }
            << 0;
    QTest::newRow("what other tools write")
            << QByteArray("date Tue Nov 14 10:13:20.250 pm 2023\n"
                          "base hex  timestamps absolute\n"
                          "internal events logged\n"
                          "// version 9.0.0\n"
                          "BEGIN TRIGGERBLOCK Tue Nov 14 10:13:20.250 pm 2023\n"
                          "   0.000100 Start of measurement\n"
                          "   0.001000 2  1f3             Rx   d 1 aa  Length = 230000 BitCount "
                          "= 60 ID = 499\n"
                          "   0.002000 1  CANFD   1 Rx 123 0 1 8 8 0102030405060708\n"
                          "   0.003000 1  ErrorFrame\n"
                          "   0.004000 1  Statistic: D 0 R 0 XD 0 XR 0 E 0 O 0 B 0.00%\n"
                          "   0.005000 1  Status:chip status error active\n"
                          "   0.006000 3  7E8             Rx   r\n"
                          "end triggerblock\n")
            << Records{ record(base + 250000 + 1000, 0x1F3, "AA"),
                        remote(base + 250000 + 6000, 0x7E8, 0) }
            << 5;
    QTest::newRow("decimal, relative")
            << QByteArray("date Tue Nov 14 22:13:20 2023\n"
                          "base dec  timestamps relative\n"
                          "   1.000000 1  291             Rx   d 2 1 255\n"
                          "   0.500000 1  291x            Rx   d 0\n"
                          "   0.250000 1  ErrorFrame\n"
                          "   0.250000 1  292             Rx   d 0\n")
            << Records{ record(base + 1000000, 0x123, "01 FF"),
                        record(base + 1500000, 0x123, "", true), record(base + 2000000, 0x124, "") }
            << 1;
    QTest::newRow("a frame from before the date")
            << QByteArray("date Tue Nov 14 22:13:20 2023\n"
                          "base hex  timestamps absolute\n"
                          "  -0.012345 1  123             Rx   d 0\n")
            << Records{ record(base - 12345, 0x123, "") } << 0;
    QTest::newRow("no date: times from zero") << QByteArray("   1.5 1  123 Rx d 1 01\n")
                                              << Records{ record(1500000, 0x123, "01") } << 0;
    QTest::newRow("bad lines") << header
                    + "   0.1 1  123             Rx   d 9 01 02 03 04 05 06 07 08 09\n"
                      "   0.2 1  123             Rx   d 3 01 02\n"
                      "   0.3 1  123             Rx   d 1 01 02\n"
                      "   0.4 1  800             Rx   d 0\n"
                      "   0.5 1  123             Xx   d 0\n"
                      "   0.6 1  123             Rx   d 1 1FF\n"
                      "   0.7 1  123             Rx   d 1 01\n"
                               << Records{ record(base + 700000, 0x123, "01") } << 6;
}

void tst_LogFormats::readAsc()
{
    QFETCH(QByteArray, content);
    QFETCH(Records, records);
    QFETCH(int, skipped);

    const LogReadResult result = readAscLog(content);
    QCOMPARE(toList(result.records), records);
    QCOMPARE(result.skippedLines, skipped);
    QVERIFY(result.error.isEmpty());
}

void tst_LogFormats::pcapBytes()
{
    QCOMPARE(pcapFileHeader().toHex(' '),
             QByteArray("d4 c3 b2 a1 02 00 04 00 00 00 00 00 00 00 00 00 ff ff 00 00 e3 00 00 00"));
    QCOMPARE(pcapPacket(record(T0, 0x1ABCDEF0, "01 02 03", true)).toHex(' '),
             QByteArray("00 f1 53 65 39 30 00 00 10 00 00 00 10 00 00 00 "
                        "9a bc de f0 03 00 00 00 01 02 03 00 00 00 00 00"));
    QCOMPARE(pcapPacket(remote(T0, 0x7DF, 2)).mid(16).toHex(' '),
             QByteArray("40 00 07 df 02 00 00 00 00 00 00 00 00 00 00 00"));
}

void tst_LogFormats::readPcap_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Records>("records");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<bool>("error");

    const QByteArray header = pcapFileHeader();
    const auto packet = [](const char *can) {
        const QByteArray bytes = hex(can);
        QByteArray p = hex("01 00 00 00 02 00 00 00");
        const char size[4] = { char(bytes.size()), 0, 0, 0 };
        return p + QByteArray(size, 4) + QByteArray(size, 4) + bytes;
    };
    QTest::newRow("frames") << header + packet("80 00 03 21 01 00 00 00 aa 00 00 00 00 00 00 00")
                    + packet("40 00 01 23 05 00 00 00 00 00 00 00 00 00 00 00")
                            << Records{ record(1000002, 0x321, "AA", true),
                                        remote(1000002, 0x123, 5) }
                            << 0 << false;
    QTest::newRow("bytes past the length are not data")
            << header + packet("00 00 01 23 01 00 00 00 aa bb cc dd ee ff 11 22")
            << Records{ record(1000002, 0x123, "AA") } << 0 << false;
    QTest::newRow("big-endian, nanoseconds")
            << hex("a1 b2 3c 4d 00 02 00 04 00 00 00 00 00 00 00 00 00 00 ff ff 00 00 00 e3"
                   "00 00 00 01 00 00 07 d0 00 00 00 10 00 00 00 10"
                   "00 00 01 23 00 00 00 00 00 00 00 00 00 00 00 00")
            << Records{ record(1000002, 0x123, "") } << 0 << false;
    QTest::newRow("bad packets") << header
                    + packet("20 00 00 04 08 00 00 00 00 00 00 00 00 00 00 00")
                    + packet("00 00 01 23 09 00 00 00 00 00 00 00 00 00 00 00")
                    + packet("00 00 08 00 00 00 00 00 00 00 00 00 00 00 00 00")
                    + packet("00 00 01 23 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")
                    + packet("00 00 01 23 00 00 00 00 00 00 00 00 00 00 00 00").chopped(1)
                                 << Records{} << 5 << false;
    QTest::newRow("other link type")
            << header.left(20) + hex("01 00 00 00") << Records{} << 0 << true;
    QTest::newRow("not pcap") << QByteArray("(1700000000.012345) can0 123#01 R\n") << Records{} << 0
                              << true;
}

void tst_LogFormats::readPcap()
{
    QFETCH(QByteArray, content);
    QFETCH(Records, records);
    QFETCH(int, skipped);
    QFETCH(bool, error);

    const LogReadResult result = ::readPcap(content);
    QCOMPARE(toList(result.records), records);
    QCOMPARE(result.skippedLines, skipped);
    QCOMPARE(!result.error.isEmpty(), error);
}

void tst_LogFormats::readTextTable_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Records>("records");
    QTest::addColumn<int>("skipped");

    const QByteArray header = tableLine({ "序号", "传输方向", "时间标识", "帧格式", "帧类型",
                                          "帧ID", "数据长度", "数据(16进制)" });
    const auto at = [](int h, int m, int s, int ms) {
        return utcUs(2024, 3, 9, h, m, s, ms * 1000);
    };
    QTest::newRow("received and sent")
            << header
                    + tableLine({ "0", "接受", "10:00:00 001", "数据帧", "标准帧", "0x00000123",
                                  "3", "01 02 0a             " })
                    + tableLine({ "1", "发送", "10:00:00 020", "数据帧", "扩展帧", "1abc", "8",
                                  "1 2 3 4 5 6 7 8" })
                    + tableLine({ "2", "接受", "10:00:01 500", "远程帧", "扩展帧", "0x18db33f1",
                                  "8", "00 00 00 00 00 00 00 00" })
            << Records{ record(at(10, 0, 0, 1), 0x123, "01 02 0A"),
                        record(at(10, 0, 0, 20), 0x1ABC, "01 02 03 04 05 06 07 08", true, true),
                        remote(at(10, 0, 1, 500), 0x18DB33F1, 8, true) }
            << 0;
    QTest::newRow("empty frame type cell")
            << tableLine({ "7", "接受", "23:59:59 999", "数据帧", "", "0x00000123", "0", " " })
                    + tableLine(
                            { "8", "接受", "00:00:00 001", "数据帧", "", "0x00012345", "1", "ff" })
            << Records{ record(utcUs(2024, 3, 8, 23, 59, 59, 999000), 0x123, ""),
                        record(at(0, 0, 0, 1), 0x12345, "FF", true) }
            << 0;
    QTest::newRow("English, empty and spaced sent data")
            << tableLine({ "0", "Tx", "10:00:00 001", "Data", "Standard", "7df", "1", "" })
                    + tableLine(
                            { "1", "Tx", "10:00:00 002", "Data", "Standard", "7df", "3", "00  11" })
                    + tableLine({ "2", "Rx", "10:00:00 003", "Remote", "Extended", "0x00000001",
                                  "0", " " })
            << Records{ record(at(10, 0, 0, 1), 0x7DF, "00", false, true),
                        record(at(10, 0, 0, 2), 0x7DF, "00 00 11", false, true),
                        remote(at(10, 0, 0, 3), 1, 0, true) }
            << 0;
    QTest::newRow("bad rows") << header
                    + tableLine({ "0", "接受", "10:00:00 001", "数据帧", "标准帧", "0x00000123",
                                  "3", "01 02" })
                    + tableLine({ "1", "接受", "10:00:00 001", "数据帧", "标准帧", "0x00000123",
                                  "9", "1 2 3 4 5 6 7 8 9" })
                    + tableLine({ "2", "接受", "10:00:00 001", "数据帧", "标准帧", "0x00000800",
                                  "0", "" })
                    + tableLine({ "3", "接受", "25:00:00 001", "数据帧", "标准帧", "0x00000123",
                                  "0", "" })
                    + tableLine({ "4", "收到", "10:00:00 001", "数据帧", "标准帧", "0x00000123",
                                  "0", "" })
                    + tableLine({ "5", "接受", "10:00:00 001", "数据帧", "标准帧", "0xZZ", "0",
                                  "" })
                    + tableLine({ "6", "接受", "10:00:00 001", "数据帧", "标准帧", "0x00000123",
                                  "1", "GG" })
                    + "0 接受 10:00:00\n"
                              << Records{} << 8;
}

void tst_LogFormats::readTextTable()
{
    QFETCH(QByteArray, content);
    QFETCH(Records, records);
    QFETCH(int, skipped);

    const LogReadResult result = ::readTextTable(content, QDate(2024, 3, 9));
    QCOMPARE(toList(result.records), records);
    QCOMPARE(result.skippedLines, skipped);
}

void tst_LogFormats::roundTrip_data()
{
    QTest::addColumn<LogFormat>("format");
    QTest::newRow("candump") << LogFormat::Candump;
    QTest::newRow("ASC") << LogFormat::VectorAsc;
    QTest::newRow("pcap") << LogFormat::Pcap;
}

void tst_LogFormats::roundTrip()
{
    QFETCH(LogFormat, format);
    const std::vector<CaptureRecord> written = sampleRecords();
    const LogReadResult result = readLog(QStringLiteral("any.name"), writeLog(format, written), {});
    QCOMPARE(result.skippedLines, 0);
    QVERIFY(result.error.isEmpty());
    QCOMPARE(result.records.size(), written.size());
    // ASC holds whole seconds in its header: its times are off by the first
    // frame's fraction, and spaced exactly. pcap holds no direction.
    const qint64 shift = format == LogFormat::VectorAsc ? T0 % 1000000 : 0;
    for (size_t i = 0; i < written.size(); ++i) {
        CaptureRecord expected = written[i];
        expected.timestampUs -= shift;
        if (format == LogFormat::Pcap)
            expected.sent = false;
        QCOMPARE(result.records[i], expected);
    }
}

void tst_LogFormats::readLogPicksTheReaderByContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("error");

    const std::vector<CaptureRecord> records = sampleRecords();
    QTest::newRow("candump named .txt")
            << "a.txt" << writeLog(LogFormat::Candump, records) << 8 << false;
    QTest::newRow("ASC named .log")
            << "a.log" << writeLog(LogFormat::VectorAsc, records) << 8 << false;
    QTest::newRow("pcap named .asc") << "a.asc" << writeLog(LogFormat::Pcap, records) << 8 << false;
    QTest::newRow("text table named .log")
            << "a.log"
            << tableLine({ "序号", "传输方向", "时间标识", "帧格式", "帧类型", "帧ID", "数据长度",
                           "数据(16进制)" })
                    + tableLine({ "0", "接受", "10:00:00 001", "数据帧", "标准帧", "0x00000123",
                                  "0", " " })
            << 1 << false;
    QTest::newRow("empty") << "a.log" << QByteArray() << 0 << false;
    QTest::newRow("pcapng") << "a.pcapng" << hex("0a 0d 0d 0a 1c 00 00 00") << 0 << true;
    QTest::newRow("something else") << "a.log" << QByteArray("hello\nworld\n") << 0 << true;
}

void tst_LogFormats::readLogPicksTheReaderByContent()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, frames);
    QFETCH(bool, error);

    const LogReadResult result = readLog(name, content, QDate(2024, 3, 9));
    QCOMPARE(int(result.records.size()), frames);
    QCOMPARE(!result.error.isEmpty(), error);
}

void tst_LogFormats::skippedSamplesAreFewAndNumbered()
{
    QByteArray content;
    for (int i = 0; i < 20; ++i)
        content += "(1.0) can0 12#01\n";
    const LogReadResult result = readCandumpLog("# header\n" + content);
    QCOMPARE(result.skippedLines, 20);
    QCOMPARE(result.skippedSamples.size(), 5);
    QCOMPARE(result.skippedSamples.first(), "line 2: identifier is neither 3 nor 8 hex digits");
    QCOMPARE(result.skippedSamples.last(), "line 6: identifier is neither 3 nor 8 hex digits");
}

QTEST_APPLESS_MAIN(tst_LogFormats)
#include "tst_logformats.moc"
