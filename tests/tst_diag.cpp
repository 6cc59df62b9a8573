// ISO-TP and J1939 reassembly, UDS and OBD-II meanings, talvik-decode --isotp/--j1939.
#include "dbc.h"
#include "demoecu.h"
#include "diagmeaning.h"
#include "isotp.h"
#include "isotpsender.h"
#include "j1939.h"
#include "language.h"
#include "logformats.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

namespace {

// Frames in candump's form, one a line: "(0.010000) can0 7E8#1014...", "ID##1..." for FD.
std::vector<CaptureRecord> frames(QString lines)
{
    // "(0.5)" is short for "(0.500000)".
    static const QRegularExpression time(QStringLiteral("^\\((\\d+)\\.(\\d+)\\)"),
                                         QRegularExpression::MultilineOption);
    QRegularExpressionMatch match;
    for (qsizetype at = 0; (at = lines.indexOf(time, at, &match)) >= 0; ++at)
        lines.replace(match.capturedStart(2), match.capturedLength(2),
                      match.captured(2).leftJustified(6, QLatin1Char('0')));
    return readCandumpLog(lines.toLatin1()).records;
}

QString problemName(DiagMessage::Problem problem)
{
    static const char *const names[] = { "ok",         "sequence", "timeout", "interrupted",
                                         "unexpected", "overflow", "length",  "aborted" };
    return QLatin1String(names[int(problem)]);
}

// "7E8 62f190 ok": the sender, the bytes and how the message ended.
QString summary(const DiagMessage &m)
{
    return QString::number(m.identifier, 16).toUpper() + QLatin1Char(' ')
            + QString::fromLatin1(m.payload.toHex()) + QLatin1Char(' ') + problemName(m.problem);
}

QStringList isoTpMessages(const std::vector<CaptureRecord> &records,
                          std::vector<IsoTpIdRange> ids = defaultIsoTpIds())
{
    IsoTpReassembler reassembler(std::move(ids));
    std::vector<DiagMessage> out;
    for (size_t i = 0; i < records.size(); ++i)
        reassembler.feed(records[i], qint64(i), out);
    reassembler.finish(out);
    QStringList result;
    for (const DiagMessage &m : out)
        result << summary(m);
    return result;
}

QStringList j1939Messages(const std::vector<CaptureRecord> &records)
{
    J1939Reassembler reassembler;
    std::vector<DiagMessage> out;
    for (size_t i = 0; i < records.size(); ++i)
        reassembler.feed(records[i], qint64(i), out);
    reassembler.finish(out);
    QStringList result;
    for (const DiagMessage &m : out)
        result << summary(m)
                        + QStringLiteral(" pgn=%1 %2>%3")
                                  .arg(QString::number(m.pgn, 16).toUpper())
                                  .arg(m.source)
                                  .arg(m.destination)
                        + (m.abortReason ? QStringLiteral(" reason=%1").arg(m.abortReason)
                                         : QString());
    return result;
}

// A first frame and its consecutive frames for `payload`, sent on id, `step` seconds apart;
// frameBytes 8 for classic, more for FD (then the 32-bit length escape beyond 4095 bytes).
QString segmented(const QString &id, const QByteArray &payload, int frameBytes = 8)
{
    const bool fd = frameBytes > 8;
    const QString separator = fd ? QStringLiteral("##0") : QStringLiteral("#");
    QByteArray first;
    if (payload.size() > 4095)
        first = QByteArray::fromHex("1000") + QByteArray(1, char(payload.size() >> 24))
                + char(payload.size() >> 16) + char(payload.size() >> 8) + char(payload.size());
    else
        first = QByteArray(1, char(0x10 | payload.size() >> 8)) + char(payload.size());
    int at = frameBytes - int(first.size());
    first += payload.left(at);
    QString lines = QStringLiteral("(1.000000) can0 %1%2%3\n")
                            .arg(id, separator, QString::fromLatin1(first.toHex()));
    for (int sequence = 1; at < payload.size(); ++sequence, at += frameBytes - 1) {
        QByteArray cf =
                QByteArray(1, char(0x20 | (sequence & 0x0F))) + payload.mid(at, frameBytes - 1);
        if (fd)
            cf.append(QByteArray(fdLengthFor(int(cf.size())) - int(cf.size()), '\xCC'));
        lines += QStringLiteral("(1.001000) can0 %1%2%3\n")
                         .arg(id, separator, QString::fromLatin1(cf.toHex()));
    }
    return lines;
}

QByteArray counting(int size)
{
    QByteArray bytes(size, 0);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + 1);
    return bytes;
}

} // namespace

class tst_Diag : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(installUiLanguage(UiLanguage::English)); }

    void isoTp_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("single frame, padded")
                << "(0.0) can0 7E0#0322F190CCCCCCCC" << QStringList{ "7E0 22f190 ok" };
        QTest::newRow("first, flow control, consecutive: the VIN")
                << "(0.00) can0 7E8#101462F190574442\n(0.01) can0 7E0#3000000000000000\n"
                   "(0.02) can0 7E8#2130303030303030\n(0.03) can0 7E8#2230303030303031"
                << QStringList{ "7E8 62f1905744423030303030303030303030303031 ok" };
        QTest::newRow("the last consecutive frame unpadded")
                << "(0.00) can0 7E8#100962F190574442\n(0.01) can0 7E8#21303030"
                << QStringList{ "7E8 62f190574442303030 ok" };
        QTest::newRow("CAN FD single frame with the escape length")
                << "(0.0) can0 7E0##1001401" + QString(38, QLatin1Char('a')) + "cccc"
                << QStringList{ "7E0 01" + QString(38, QLatin1Char('a')) + " ok" };
        QTest::newRow("extended addressing: the target byte first")
                << "(0.0) can0 6F1#12100E4142434445\n(0.0) can0 612#F130000000\n"
                   "(0.0) can0 6F1#1221464748494A4B\n(0.0) can0 6F1#12224C4D4E"
                << QStringList{ "6F1 4142434445464748494a4b4c4d4e ok" };
        QTest::newRow("slow, each frame in time")
                << "(0.0) can0 7E8#1014010203040506\n(0.8) can0 7E8#2107080910111213\n"
                   "(1.6) can0 7E8#2214151617181920"
                << QStringList{ "7E8 0102030405060708091011121314151617181920 ok" };
        QTest::newRow("normal fixed 29-bit, flow control from the swapped addresses")
                << "(0.0) can0 18DAF110#100A620102030405\n(0.0) can0 18DA10F1#300000\n"
                   "(0.0) can0 18DAF110#2106070809"
                << QStringList{ "18DAF110 62010203040506070809 ok" };
        QTest::newRow("a pair learned when a flow control answers a first frame")
                << "(0.0) can0 700#1008010203040506\n(0.0) can0 708#3000000000000000\n"
                   "(0.0) can0 700#210708"
                << QStringList{ "700 0102030405060708 ok" };
        QTest::newRow("not ISO-TP: an identifier outside the ranges")
                << "(0.0) can0 123#0322F190" << QStringList{};
        QTest::newRow("consecutive frame out of sequence")
                << "(0.0) can0 7E8#1010010203040506\n(0.0) can0 7E8#2207080910111213"
                << QStringList{ "7E8 010203040506 sequence" };
        QTest::newRow("cut short: ended by a frame a second later")
                << "(0.0) can0 7E8#1010010203040506\n(1.5) can0 7E0#023E00"
                << QStringList{ "7E8 010203040506 timeout", "7E0 3e00 ok" };
        QTest::newRow("cut short at the end of the log")
                << "(0.0) can0 7E8#1010010203040506" << QStringList{ "7E8 010203040506 timeout" };
        QTest::newRow("a new message interrupts the one in progress")
                << "(0.0) can0 7E8#1010010203040506\n(0.1) can0 7E8#03410D32"
                << QStringList{ "7E8 010203040506 interrupted", "7E8 410d32 ok" };
        QTest::newRow("consecutive frame with no first frame")
                << "(0.0) can0 7E8#2101020304050607"
                << QStringList{ "7E8 01020304050607 unexpected" };
        QTest::newRow("flow control overflow")
                << "(0.0) can0 7E0#1010010203040506\n(0.0) can0 7E8#320000"
                << QStringList{ "7E0 010203040506 overflow" };
        QTest::newRow("single frame longer than its frame")
                << "(0.0) can0 7E8#07410D32" << QStringList{ "7E8 410d32 length" };
        QTest::newRow("single frame of length 0")
                << "(0.0) can0 7E8#0000000000000000" << QStringList{ "7E8  length" };
        QTest::newRow("first frame whose message fits in it")
                << "(0.0) can0 7E8#1006010203040506" << QStringList{ "7E8 010203040506 length" };
        QTest::newRow("a short consecutive frame that is not the last")
                << "(0.0) can0 7E8#1014010203040506\n(0.0) can0 7E8#210708"
                << QStringList{ "7E8 0102030405060708 length" };
    }

    void isoTp()
    {
        QFETCH(QString, log);
        QFETCH(QStringList, expected);
        std::vector<IsoTpIdRange> ids = defaultIsoTpIds();
        ids.push_back(*parseIsoTpIdRange("6F1:ext"));
        ids.push_back(*parseIsoTpIdRange("612:ext"));
        QCOMPARE(isoTpMessages(frames(log), ids), expected);
    }

    // 16 and more consecutive frames wrap from 15 to 0; FD frames carry 63 bytes each,
    // and a message over 4095 bytes announces its length in 32 bits.
    void isoTpLongMessages_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("frameBytes");
        QTest::newRow("classic, sequence wraps 15 to 0") << 7 + 20 * 7 << 8;
        QTest::newRow("classic, 4095 bytes") << 4095 << 8;
        QTest::newRow("FD 64-byte frames") << 1000 << 64;
        QTest::newRow("FD, 5000 bytes: 32-bit length") << 5000 << 64;
    }

    void isoTpLongMessages()
    {
        QFETCH(int, size);
        QFETCH(int, frameBytes);
        const QByteArray payload = counting(size);
        const std::vector<CaptureRecord> records = frames(segmented("7E8", payload, frameBytes));
        IsoTpReassembler reassembler;
        std::vector<DiagMessage> out;
        for (size_t i = 0; i < records.size(); ++i)
            reassembler.feed(records[i], qint64(i), out);
        QCOMPARE(out.size(), size_t(1));
        QCOMPARE(out[0].problem, DiagMessage::Problem::None);
        QCOMPARE(out[0].payload, payload);
        QCOMPARE(out[0].declaredLength, quint32(size));
        QCOMPARE(out[0].frames.size(), records.size());
        QCOMPARE(out[0].frames.back(), qint64(records.size() - 1));
        QCOMPARE(out[0].fd, frameBytes > 8);
    }

    // Flow control "wait" is counted; a block size asks for the next flow control.
    void isoTpFlowControl()
    {
        const auto records = frames("(0.0) can0 7E0#1010010203040506\n(0.0) can0 7E8#310000\n"
                                    "(0.5) can0 7E8#300100\n(0.6) can0 7E0#2107080910111213\n"
                                    "(0.7) can0 7E8#300100\n(0.8) can0 7E0#22141516");
        IsoTpReassembler reassembler;
        std::vector<DiagMessage> out;
        for (size_t i = 0; i < records.size(); ++i)
            reassembler.feed(records[i], qint64(i), out);
        QCOMPARE(out.size(), size_t(1));
        QCOMPARE(out[0].flowControlWaits, 1);
        QCOMPARE(out[0].frames, (std::vector<qint64>{ 0, 1, 2, 3, 4, 5 }));
        QCOMPARE(out[0].timestampUs, qint64(800000));
        QCOMPARE(out[0].firstTimestampUs, qint64(0));
        QCOMPARE(diagMessageMeaning(out[0]),
                 QStringLiteral(" (flow control wait 1 time)")
                         .prepend(diagPayloadMeaning(out[0].payload)));
    }

    void isoTpIdRanges_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("written"); // read back
        QTest::newRow("one") << "7e0" << true << "7E0";
        QTest::newRow("range") << "700-70f" << true << "700-70F";
        QTest::newRow("29-bit by size")
                << "18FF0000-18FFFFFF:fixed" << true << "18FF0000-18FFFFFF:fixed";
        QTest::newRow("29-bit by 8 digits") << "00000123" << true << "00000123";
        QTest::newRow("extended addressing") << "6F1:ext" << true << "6F1:ext";
        QTest::newRow("reversed") << "70F-700" << false << "";
        QTest::newRow("beyond 29 bits") << "20000000" << false << "";
        QTest::newRow("fixed needs 29 bits") << "7E0:fixed" << false << "";
        QTest::newRow("not hex") << "7G0" << false << "";
    }

    void isoTpIdRanges()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, written);
        const std::optional<IsoTpIdRange> range = parseIsoTpIdRange(text);
        QCOMPARE(bool(range), valid);
        if (range)
            QCOMPARE(isoTpIdRangeText(*range), written);
    }

    void j1939Ids_data()
    {
        QTest::addColumn<quint32>("identifier");
        QTest::addColumn<int>("priority");
        QTest::addColumn<quint32>("pgn");
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("destination");
        QTest::newRow("PDU2 broadcast, EEC1") << 0x0CF00400u << 3 << 0xF004u << 0x00 << 0xFF;
        QTest::newRow("PDU1 to 0x17") << 0x18EA17F9u << 6 << 0xEA00u << 0xF9 << 0x17;
        QTest::newRow("data page") << 0x19FECA3Du << 6 << 0x1FECAu << 0x3D << 0xFF;
        QTest::newRow("extended data page, PDU1") << 0x1ADA10F1u << 6 << 0x2DA00u << 0xF1 << 0x10;
    }

    void j1939Ids()
    {
        QFETCH(quint32, identifier);
        const J1939Id id = j1939Id(identifier);
        QTEST(int(id.priority), "priority");
        QTEST(id.pgn, "pgn");
        QTEST(int(id.source), "source");
        QTEST(int(id.destination), "destination");
        QCOMPARE(j1939Identifier(id), identifier);
    }

    void j1939_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("one frame") << "(0.0) can0 0CF00400#F07D7D0000FF0F7D"
                                   << QStringList{ "CF00400 f07d7d0000ff0f7d ok pgn=F004 0>255" };
        QTest::newRow("BAM")
                << "(0.0) can0 1CECFF00#200A0002FFECFE00\n(0.05) can0 1CEBFF00#0131323334353637\n"
                   "(0.10) can0 1CEBFF00#023839303132FFFF"
                << QStringList{ "1CEBFF00 31323334353637383930 ok pgn=FEEC 0>255" };
        QTest::newRow("RTS/CTS in two windows of 2 packets, then EoMA")
                << "(0.0) can0 1CEC1700#101B000402ABCD00\n(0.0) can0 1CEC0017#11020100FFABCD00\n"
                   "(0.0) can0 1CEB1700#0101020304050607\n(0.0) can0 1CEB1700#0208090A0B0C0D0E\n"
                   "(0.0) can0 1CEC0017#11020300FFABCD00\n"
                   "(0.0) can0 1CEB1700#030F101112131415\n(0.0) can0 1CEB1700#04161718191A1BFF\n"
                   "(0.0) can0 1CEC0017#131B0004FFABCD00"
                << QStringList{
                       "1CEB1700 0102030405060708090a0b0c0d0e0f101112131415161718191a1b ok "
                       "pgn=CDAB 0>23"
                   };
        QTest::newRow("an abort by the receiver")
                << "(0.0) can0 1CEC1700#101B000402ABCD00\n(0.0) can0 1CEC0017#FF03FFFFFFABCD00"
                << QStringList{ "1CEC1700  aborted pgn=CDAB 0>23 reason=3" };
        QTest::newRow("an abort with no session seen")
                << "(0.0) can0 1CEC0017#FF01FFFFFFABCD00"
                << QStringList{ "1CEC0017  aborted pgn=CDAB 23>0 reason=1" };
        QTest::newRow("data packet out of sequence")
                << "(0.0) can0 1CECFF00#200A0002FFECFE00\n(0.05) can0 1CEBFF00#0231323334353637"
                << QStringList{ "1CEBFF00  sequence pgn=FEEC 0>255" };
        QTest::newRow("data packet with no session")
                << "(0.0) can0 1CEBFF00#0131323334353637"
                << QStringList{ "1CEBFF00 31323334353637 unexpected pgn=0 0>255" };
        QTest::newRow("BAM cut short")
                << "(0.0) can0 1CECFF00#200A0002FFECFE00\n(0.05) can0 1CEBFF00#0131323334353637\n"
                   "(2.0) can0 0CF00400#F07D7D0000FF0F7D"
                << QStringList{ "1CEBFF00 31323334353637 timeout pgn=FEEC 0>255",
                                "CF00400 f07d7d0000ff0f7d ok pgn=F004 0>255" };
        QTest::newRow("a new BAM interrupts the last")
                << "(0.0) can0 1CECFF00#200A0002FFECFE00\n(0.0) can0 1CECFF00#2009000200EEFE00"
                << QStringList{ "1CECFF00  interrupted pgn=FEEC 0>255",
                                "1CECFF00  timeout pgn=FEEE 0>255" };
        QTest::newRow("11-bit frames are not J1939") << "(0.0) can0 123#0102" << QStringList{};
    }

    void j1939()
    {
        QFETCH(QString, log);
        QFETCH(QStringList, expected);
        QCOMPARE(j1939Messages(frames(log)), expected);
    }

    // ETP: more than 1785 bytes, packets numbered from each data packet offset.
    void j1939ExtendedTransport()
    {
        const QByteArray payload = counting(2000);
        const int packets = (payload.size() + 6) / 7;
        QString log = QStringLiteral("(0.0) can0 1CC81700#14D0070000ABCD00\n");
        for (int offset = 0; offset < packets; offset += 255) {
            const int count = std::min(255, packets - offset);
            log += QStringLiteral("(0.0) can0 1CC81700#16%1%2%3%4ABCD00\n")
                           .arg(count, 2, 16, QLatin1Char('0'))
                           .arg(offset & 0xFF, 2, 16, QLatin1Char('0'))
                           .arg(offset >> 8, 2, 16, QLatin1Char('0'))
                           .arg(0, 2, 16, QLatin1Char('0'));
            for (int sequence = 1; sequence <= count; ++sequence) {
                QByteArray data = payload.mid((offset + sequence - 1) * 7, 7);
                data.append(QByteArray(7 - data.size(), '\xFF'));
                log += QStringLiteral("(0.0) can0 1CC71700#%1%2\n")
                               .arg(sequence, 2, 16, QLatin1Char('0'))
                               .arg(QString::fromLatin1(data.toHex()));
            }
        }
        J1939Reassembler reassembler;
        std::vector<DiagMessage> out;
        const auto records = frames(log);
        for (size_t i = 0; i < records.size(); ++i)
            reassembler.feed(records[i], qint64(i), out);
        QCOMPARE(out.size(), size_t(1));
        QCOMPARE(out[0].problem, DiagMessage::Problem::None);
        QCOMPARE(out[0].pgn, 0xCDABu);
        QCOMPARE(out[0].payload, payload);
    }

    // A second implementation agrees: Wireshark's ISO 15765 dissector reassembles the
    // same payloads from a pcap the program wrote.
    void agreesWithTshark()
    {
        const QString tshark = QStandardPaths::findExecutable("tshark");
        if (tshark.isEmpty())
            QSKIP("tshark is not installed (make deps installs it)");
        QString log;
        QByteArray sizes = QByteArray::fromHex("01030607080d0e14152a5e7fc8ff");
        int second = 1;
        for (int round = 0; round < 3; ++round) {
            for (const char size : sizes) {
                const QByteArray request = QByteArray::fromHex("22f1") + char(round)
                        + counting(quint8(size)).left(quint8(size) / 3);
                const QByteArray answer =
                        QByteArray::fromHex("62") + counting(quint8(size) + round);
                for (const auto &[id, partner, payload] :
                     { std::tuple{ "7E0", "7E8", request }, std::tuple{ "7E8", "7E0", answer } }) {
                    const QString time = QStringLiteral("(%1.000000) ").arg(second++);
                    if (payload.size() <= 7) {
                        log += time
                                + QStringLiteral("can0 %1#%2%3\n")
                                          .arg(id)
                                          .arg(payload.size(), 2, 16, QLatin1Char('0'))
                                          .arg(QString::fromLatin1(payload.toHex()));
                        continue;
                    }
                    const QStringList lines =
                            segmented(id, payload).split('\n', Qt::SkipEmptyParts);
                    log += time + lines.first().section(' ', 1) + '\n';
                    log += time + QStringLiteral("can0 %1#300000\n").arg(partner);
                    for (const QString &line : lines.mid(1))
                        log += time + line.section(' ', 1) + '\n';
                }
            }
        }
        const std::vector<CaptureRecord> records = frames(log);
        QTemporaryDir dir;
        QFile pcap(dir.filePath("bus.pcap"));
        QVERIFY(pcap.open(QIODevice::WriteOnly));
        pcap.write(pcapFileHeader());
        for (const CaptureRecord &record : records)
            pcap.write(pcapPacket(record));
        pcap.close();

        QProcess process;
        process.start(tshark,
                      { "-r", pcap.fileName(), "-o", "iso15765.can.ids:2016-2031", "-Y",
                        "iso15765.message_type == 0 || iso15765.reassembled.length", "-T", "fields",
                        "-e", "data.data" });
        QVERIFY(process.waitForFinished(60000));
        QStringList theirs = QString::fromLatin1(process.readAllStandardOutput())
                                     .split('\n', Qt::SkipEmptyParts);
        QStringList ours;
        for (const QString &message : isoTpMessages(records))
            ours << message.section(' ', 1, 1);
        QCOMPARE(ours.size(), sizes.size() * 6);
        QCOMPARE(ours, theirs);
    }

    // A J1939 message of the database decodes its group from every sender.
    void databaseMatchesByParameterGroup_data()
    {
        QTest::addColumn<QByteArray>("attributes");
        QTest::addColumn<quint32>("identifier");
        QTest::addColumn<QString>("message"); // empty: none
        const QByteArray vframe = "BA_ \"VFrameFormat\" BO_ 2566844672 3;\n"
                                  "BA_ \"VFrameFormat\" BO_ 2565805824 \"J1939PG\";\n";
        const QByteArray network = "BA_ \"ProtocolType\" \"J1939\";\n";
        QTest::newRow("the identifier as written") << vframe << 0x18FEF100u << "CCVS";
        QTest::newRow("another source") << vframe << 0x18FEF1FEu << "CCVS";
        QTest::newRow("another priority") << vframe << 0x0CFEF100u << "CCVS";
        QTest::newRow("another group") << vframe << 0x18FEF200u << "";
        QTest::newRow("PDU1: another destination and source") << vframe << 0x18EF2A05u << "Prop";
        QTest::newRow("by name") << network << 0x0CFEF133u << "CCVS";
        QTest::newRow("not J1939: only the exact identifier") << QByteArray() << 0x18FEF1FEu << "";
        QTest::newRow("not J1939: exact") << QByteArray() << 0x18FEF100u << "CCVS";
    }

    void databaseMatchesByParameterGroup()
    {
        QFETCH(QByteArray, attributes);
        QFETCH(quint32, identifier);
        QFETCH(QString, message);
        const DbcReadResult read =
                readDbc("VERSION \"\"\nBO_ 2566844672 CCVS: 8 Engine\n"
                        " SG_ Speed : 8|16@1+ (0.00390625,0) [0|250] \"km/h\" X\n"
                        "BO_ 2565805824 Prop: 8 Engine\n"
                        " SG_ Value : 0|8@1+ (1,0) [0|255] \"\" X\n"
                        + attributes);
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        const DbcMessage *found = read.database.find(identifier, true);
        QCOMPARE(found ? found->name : QString(), message);
        QVERIFY(!read.database.find(identifier & 0x7FF, false));
    }

    // The simulator's demo engine answers over ISO-TP, its long answers in blocks
    // of the tester's block size once the flow control comes.
    void demoEngine_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("blockSize"); // of the tester's flow control, 0: all
        QTest::newRow("VIN") << QByteArray("22f190")
                             << "ReadDataByIdentifier (0x22) positive response: F190 VIN, "
                                "\"TALVIKDEMO0000042\""
                             << 2;
        QTest::newRow("DTCs") << QByteArray("1902ff")
                              << "ReadDTCInformation (0x19) positive response: 2 DTCs, P0123-00 "
                                 "(confirmedDTC), U0100-00 (pendingDTC)"
                              << 0;
        QTest::newRow("OBD-II") << QByteArray("01000c0d05")
                                << "OBD current data (0x01) positive response: PIDs supported "
                                   "01-20 01 03 04 05 06 07 0B 0C 0D 0E 0F 10 11 13 15 1C 1F 20, "
                                   "engine speed 1000 rpm, vehicle speed 1 km/h, engine coolant "
                                   "temperature 90 °C"
                                << 0;
        QTest::newRow("unknown identifier") << QByteArray("22f18c")
                                            << "ReadDataByIdentifier (0x22) negative response: "
                                               "requestOutOfRange (0x31)"
                                            << 0;
        QTest::newRow("unknown service") << QByteArray("2e0102")
                                         << "WriteDataByIdentifier (0x2E) negative response: "
                                            "serviceNotSupported (0x11)"
                                         << 0;
        QTest::newRow("tester present, answer suppressed") << QByteArray("3e80") << QString() << 0;
    }

    void demoEngine()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, answer);
        QFETCH(int, blockSize);
        DemoEcu ecu;
        IsoTpReassembler reassembler;
        std::vector<DiagMessage> out;
        const QByteArray bytes = QByteArray::fromHex(request);
        CanFrame frame;
        frame.identifier = DemoEcu::RequestId;
        frame.length = 8;
        frame.data[0] = quint8(bytes.size());
        std::copy(bytes.begin(), bytes.end(), frame.data.begin() + 1);
        std::vector<CanFrame> answers = ecu.receive(frame, 10);
        qint64 index = 0;
        for (int blocks = 0; !answers.empty() && blocks < 5; ++blocks) {
            for (const CanFrame &a : answers)
                reassembler.feed({ 0, a, false }, index++, out);
            answers.clear();
            if (out.empty()) { // a first frame: the flow control
                CanFrame flowControl;
                flowControl.identifier = DemoEcu::RequestId;
                flowControl.length = 3;
                flowControl.data = { 0x30, quint8(blockSize), 0 };
                reassembler.feed({ 0, flowControl, true }, index++, out);
                answers = ecu.receive(flowControl, 10);
                QVERIFY(blockSize == 0 || answers.size() <= size_t(blockSize));
            }
        }
        QCOMPARE(out.empty() ? QString() : diagMessageMeaning(out[0]), answer);
    }

    void demoBroadcast()
    {
        J1939Reassembler reassembler;
        std::vector<DiagMessage> out;
        qint64 index = 0;
        for (const CanFrame &frame : DemoEcu::broadcast())
            reassembler.feed({ index * 50'000, frame, false }, index++, out);
        QCOMPARE(out.size(), size_t(1));
        QCOMPARE(out[0].pgn, 0xFEECu);
        QCOMPARE(out[0].payload, QByteArray("TALVIKDEMO0000042*\xFF\xFF"));
        QCOMPARE(diagMessageMeaning(out[0]), "Vehicle identification (VI) \"TALVIKDEMO0000042\"");
    }

    // The tester's side: a request in one frame up to 7 bytes, else a first frame
    // that waits for the flow control; the separation time as the receiver asks.
    void sender_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("flowControl"); // empty: none
        QTest::addColumn<QList<QByteArray>>("frames"); // hex, as due() gives them at once
        QTest::addColumn<int>("state");
        const QByteArray seven = "01020304050607";
        QTest::newRow("7 bytes: one frame")
                << 7 << QByteArray() << QList<QByteArray>{ "07" + seven }
                << int(IsoTpSender::State::Sent);
        QTest::newRow("8 bytes: first frame, then all")
                << 8 << QByteArray("300000")
                << QList<QByteArray>{ "1008010203040506", "210701aaaaaaaaaa" }
                << int(IsoTpSender::State::Sent);
        QTest::newRow("block of 1: waits again")
                << 20 << QByteArray("300100")
                << QList<QByteArray>{ "1014010203040506", "2107010203040506" }
                << int(IsoTpSender::State::AwaitingFlowControl);
        QTest::newRow("separation time: one now")
                << 20 << QByteArray("300014")
                << QList<QByteArray>{ "1014010203040506", "2107010203040506" }
                << int(IsoTpSender::State::Sending);
        QTest::newRow("wait") << 20 << QByteArray("310000")
                              << QList<QByteArray>{ "1014010203040506" }
                              << int(IsoTpSender::State::AwaitingFlowControl);
        QTest::newRow("overflow") << 20 << QByteArray("320000")
                                  << QList<QByteArray>{ "1014010203040506" }
                                  << int(IsoTpSender::State::Failed);
    }

    void sender()
    {
        QFETCH(int, size);
        QFETCH(QByteArray, flowControl);
        QByteArray payload;
        for (int i = 0; i < size; ++i)
            payload += char(i % 7 + 1);
        IsoTpSender sender(0x7E0, 0x7E8, false);
        QList<QByteArray> sent;
        for (const CanFrame &f : sender.send(payload, 0))
            sent << QByteArray(reinterpret_cast<const char *>(f.data.data()), f.length).toHex();
        if (!flowControl.isEmpty()) {
            CanFrame fc;
            fc.identifier = 0x7E8;
            const QByteArray bytes = QByteArray::fromHex(flowControl);
            fc.length = quint8(bytes.size());
            std::copy(bytes.begin(), bytes.end(), fc.data.begin());
            sender.receive(fc, 10);
            for (const CanFrame &f : sender.due(10))
                sent << QByteArray(reinterpret_cast<const char *>(f.data.data()), f.length).toHex();
        }
        QTEST(sent, "frames");
        QTEST(int(sender.state()), "state");
    }

    void senderTimes()
    {
        QCOMPARE(IsoTpSender::separationUs(0x00), 0);
        QCOMPARE(IsoTpSender::separationUs(0x14), 20'000);
        QCOMPARE(IsoTpSender::separationUs(0x7F), 127'000);
        QCOMPARE(IsoTpSender::separationUs(0xF1), 100);
        QCOMPARE(IsoTpSender::separationUs(0xF9), 900);
        QCOMPARE(IsoTpSender::separationUs(0x80), 127'000);
        QCOMPARE(IsoTpSender::separationUs(0xFA), 127'000);
        // The flow control is awaited 1 s, then the request fails.
        IsoTpSender sender(0x7E0, 0x7E8, false);
        sender.send(QByteArray(20, 'x'), 0);
        QVERIFY(sender.due(999'999).empty());
        QCOMPARE(sender.state(), IsoTpSender::State::AwaitingFlowControl);
        sender.due(1'000'000);
        QCOMPARE(sender.failure(), IsoTpSender::Failure::NoFlowControl);
    }

    void meaning_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("meaning");
        QTest::newRow("session request, suppress positive response")
                << QByteArray("1083")
                << "DiagnosticSessionControl (0x10) request: extended session, "
                   "suppress positive response";
        QTest::newRow("session answer") << QByteArray("5003003201f4")
                                        << "DiagnosticSessionControl (0x10) positive response: "
                                           "extended session";
        QTest::newRow("read VIN") << QByteArray("22f190")
                                  << "ReadDataByIdentifier (0x22) request: F190 VIN";
        QTest::newRow("two identifiers") << QByteArray("22f187f18c")
                                         << "ReadDataByIdentifier (0x22) request: F187 spare part "
                                            "number, F18C ECU serial number";
        QTest::newRow("VIN answer")
                << QByteArray("62f190") + QByteArray("WDB1234567F123456").toHex()
                << "ReadDataByIdentifier (0x22) positive response: F190 VIN, \"WDB1234567F123456\"";
        QTest::newRow("binary answer")
                << QByteArray("620100ff01")
                << "ReadDataByIdentifier (0x22) positive response: 0100, FF 01";
        QTest::newRow("pending") << QByteArray("7f2278")
                                 << "ReadDataByIdentifier (0x22) negative response: response "
                                    "pending (0x78)";
        QTest::newRow("refused") << QByteArray(
                "7f2731") << "SecurityAccess (0x27) negative response: requestOutOfRange (0x31)";
        QTest::newRow("unknown code") << QByteArray("7f22fe")
                                      << "ReadDataByIdentifier (0x22) negative response: negative "
                                         "response code (0xFE)";
        QTest::newRow("seed") << QByteArray("6703a1b2")
                              << "SecurityAccess (0x27) positive response: seed A1 B2";
        QTest::newRow("key") << QByteArray("2704c3d4")
                             << "SecurityAccess (0x27) request: sendKey, level 2";
        QTest::newRow("DTCs by status")
                << QByteArray("5902ff0123002fc0034408")
                << "ReadDTCInformation (0x19) positive response: 2 DTCs, P0123-00 (testFailed, "
                   "testFailedThisOperationCycle, pendingDTC, confirmedDTC, "
                   "testFailedSinceLastClear), U0003-44 (confirmedDTC)";
        QTest::newRow("routine") << QByteArray("3101ff00")
                                 << "RoutineControl (0x31) request: startRoutine, routine FF00";
        QTest::newRow("clear all")
                << QByteArray("14ffffff") << "ClearDiagnosticInformation (0x14) request: all DTCs";
        QTest::newRow("tester present")
                << QByteArray("3e80")
                << "TesterPresent (0x3E) request: sub-function 00, suppress "
                   "positive response";
        QTest::newRow("OBD engine speed, speed and coolant in one answer")
                << QByteArray("410c1af80d32057b")
                << "OBD current data (0x01) positive response: engine speed 1726 rpm, vehicle "
                   "speed 50 km/h, engine coolant temperature 83 °C";
        QTest::newRow("OBD supported PIDs") << QByteArray("4100be1fa813")
                                            << "OBD current data (0x01) positive response: PIDs "
                                               "supported 01-20 01 03 04 05 06 07 0C 0D 0E 0F 10 "
                                               "11 13 15 1C 1F 20";
        QTest::newRow("OBD unknown PID")
                << QByteArray("41fe0102")
                << "OBD current data (0x01) positive response: PID FE: 01 02";
        QTest::newRow("OBD request")
                << QByteArray("010c") << "OBD current data (0x01) request: PID 0C engine speed";
        QTest::newRow("OBD stored DTCs") << QByteArray("43020133c100")
                                         << "OBD stored DTCs (0x03) positive response: 2 DTCs, "
                                            "P0133, U0100";
        QTest::newRow("OBD VIN") << QByteArray("490201") + QByteArray("1G1JC5444R7252367").toHex()
                                 << "OBD vehicle information (0x09) positive response: VIN "
                                    "\"1G1JC5444R7252367\"";
        QTest::newRow("OBD freeze frame") << QByteArray("420500"
                                                        "5a")
                                          << "OBD freeze frame data (0x02) positive response: "
                                             "engine coolant temperature 50 °C";
    }

    void meaning()
    {
        QFETCH(QByteArray, payload);
        QTEST(diagPayloadMeaning(QByteArray::fromHex(payload)), "meaning");
    }

    void troubleCodes_data()
    {
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::addColumn<QString>("text");
        QTest::newRow("P") << 0x01 << 0x23 << "P0123";
        QTest::newRow("C") << 0x43 << 0x00 << "C0300";
        QTest::newRow("B") << 0x9A << 0xBC << "B1ABC";
        QTest::newRow("U") << 0xC1 << 0x00 << "U0100";
        QTest::newRow("P3") << 0x3F << 0xFF << "P3FFF";
    }

    void troubleCodes()
    {
        QFETCH(int, high);
        QFETCH(int, low);
        QTEST(troubleCodeText(quint8(high), quint8(low)), "text");
    }

    void pairing_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<bool>("pending");
        QTest::newRow("positive") << QByteArray("22f190") << QByteArray("62f190") << true << false;
        QTest::newRow("negative") << QByteArray("22f190") << QByteArray("7f2231") << true << false;
        QTest::newRow("pending") << QByteArray("22f190") << QByteArray("7f2278") << true << true;
        QTest::newRow("other service")
                << QByteArray("22f190") << QByteArray("7f1978") << false << true;
        QTest::newRow("OBD") << QByteArray("010c") << QByteArray("410c1af8") << true << false;
        QTest::newRow("an answer is no request")
                << QByteArray("62f190") << QByteArray("a2") << false << false;
    }

    void pairing()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QCOMPARE(isDiagRequest(QByteArray::fromHex(request)), request != "62f190");
        QTEST(answersRequest(QByteArray::fromHex(request), QByteArray::fromHex(answer)), "answers");
        QTEST(isResponsePending(QByteArray::fromHex(answer)), "pending");
    }

    // talvik-decode --isotp --j1939: one line a message, in the order they ended.
    void decodeTool()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath("bus.log");
        QFile file(log);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("(1700000000.000000) can0 7E0#0322F190\n"
                   "(1700000000.010000) can0 7E8#101462F190574442\n"
                   "(1700000000.011000) can0 7E0#3000000000000000\n"
                   "(1700000000.012000) can0 1CECFF00#200A0002FFECFE00\n"
                   "(1700000000.013000) can0 7E8#2130303030303030\n"
                   "(1700000000.014000) can0 7E8#2230303030303031\n"
                   "(1700000000.015000) can0 1CEBFF00#0131323334353637\n"
                   "(1700000000.016000) can0 6F1#03023E00\n"
                   "(1700000000.020000) can0 7E8#1010010203040506\n");
        file.close();
        QProcess tool;
        tool.start(TALVIK_DECODE, { "--isotp", "--j1939", "--json", "-i", "6F1:ext", log });
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
        const QList<QByteArray> lines = tool.readAllStandardOutput().split('\n');
        const QList<QByteArray> expected{
            "{\"time\": 1700000000.000000, \"protocol\": \"isotp\", \"id\": 2016, \"extended\": "
            "false, \"length\": 3, \"data\": \"22f190\", \"meaning\": \"ReadDataByIdentifier "
            "(0x22) request: F190 VIN\"}",
            "{\"time\": 1700000000.014000, \"protocol\": \"isotp\", \"id\": 2024, \"extended\": "
            "false, \"length\": 20, \"data\": \"62f1905744423030303030303030303030303031\", "
            "\"meaning\": \"ReadDataByIdentifier (0x22) positive response: F190 VIN, "
            "\\\"WDB00000000000001\\\"\"}",
            "{\"time\": 1700000000.016000, \"protocol\": \"isotp\", \"id\": 1777, \"extended\": "
            "false, \"address\": 3, \"length\": 2, \"data\": \"3e00\", \"meaning\": "
            "\"TesterPresent (0x3E) request: sub-function 00\"}",
            "{\"time\": 1700000000.015000, \"protocol\": \"j1939\", \"id\": 485228288, "
            "\"extended\": true, \"length\": 7, \"data\": \"31323334353637\", \"pgn\": 65260, "
            "\"source\": 0, \"destination\": 255, \"error\": \"timed out, message incomplete\"}",
            "{\"time\": 1700000000.020000, \"protocol\": \"isotp\", \"id\": 2024, \"extended\": "
            "false, \"length\": 6, \"data\": \"010203040506\", \"error\": \"timed out, message "
            "incomplete\"}",
            ""
        };
        QCOMPARE(lines, expected);

        // With a database, a J1939 group's signals, whoever sent it.
        QFile dbc(dir.filePath("j1939.dbc"));
        QVERIFY(dbc.open(QIODevice::WriteOnly));
        dbc.write("VERSION \"\"\nBO_ 2566844672 CCVS: 8 Engine\n"
                  " SG_ Speed : 8|16@1+ (0.00390625,0) [0|250] \"km/h\" X\n"
                  "BA_ \"ProtocolType\" \"J1939\";\n");
        dbc.close();
        tool.start(TALVIK_DECODE, { "--j1939", "-d", dbc.fileName(), "-" });
        tool.write("(1.000000) can0 0CFEF1FE#0000320000000000\n");
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.readAllStandardOutput(),
                 "1.000000 0CFEF1FE j1939 pgn=0FEF1 sa=FE da=FF [8] 00 00 32 00 00 00 00 00  "
                 "CCVS Speed=50 km/h\n");
    }

    void decodeToolUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("a range that is none") << QStringList{ "--isotp", "-i", "7E0-70" }
                                              << QByteArray("not an identifier or range: 7E0-70");
        QTest::newRow("--ids alone")
                << QStringList{ "--j1939", "-i", "7A0" } << QByteArray("--ids needs --isotp");
        QTest::newRow("a database too")
                << QStringList{ "--isotp", "a.dbc", "b.log" } << QByteArray("Usage:");
    }

    void decodeToolUsage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, message);
        QProcess tool;
        tool.start(TALVIK_DECODE, arguments);
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 2);
        QVERIFY(tool.readAllStandardError().contains(message));
    }
};

QTEST_GUILESS_MAIN(tst_Diag)
#include "tst_diag.moc"
