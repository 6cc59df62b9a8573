#include "dbc.h"
#include "hexbytes.h"
#include "messagestatistics.h"
#include "numbertext.h"
#include "plotreduction.h"
#include "signalseries.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

// One line a message and one a signal, with every field read.
QString summary(const DbcDatabase &database)
{
    QString text;
    for (const DbcMessage &m : database.messages) {
        text += QString::asprintf("\n%x%s %s/%d %s", m.identifier, m.extended ? "x" : "",
                                  qUtf8Printable(m.name), m.length, qUtf8Printable(m.sender));
        text += (m.fd ? " FD" : "")
                + (m.cycleTimeMs < 0 ? "" : QString::asprintf(" %dms", m.cycleTimeMs))
                + (m.comment.isEmpty() ? "" : " \"" + m.comment + "\"");
        for (const DbcSignal &s : m.signalList) {
            text += QString::asprintf("\n %s %d|%d@%d%c (%g,%g) [%g|%g] \"%s\" %s",
                                      qUtf8Printable(s.name), s.startBit, s.length,
                                      int(s.littleEndian), s.isSigned ? '-' : '+', s.factor,
                                      s.offset, s.minimum, s.maximum, qUtf8Printable(s.unit),
                                      qUtf8Printable(s.receivers.join(',')));
            if (s.multiplex != DbcSignal::Multiplex::None)
                text += s.multiplex == DbcSignal::Multiplex::Multiplexor
                        ? QString(" M")
                        : QString::asprintf(" m%lld%s", s.multiplexValue,
                                            s.alsoMultiplexor ? "M" : "");
            if (s.valueType != DbcSignal::ValueType::Integer)
                text += s.valueType == DbcSignal::ValueType::Float32 ? " float" : " double";
            text += s.comment.isEmpty() ? "" : " \"" + s.comment + "\"";
            for (auto it = s.valueTexts.begin(); it != s.valueTexts.end(); ++it)
                text += QStringLiteral(" %1=%2").arg(it.key()).arg(it.value());
            text += s.multiplexorName.isEmpty() ? "" : " by " + s.multiplexorName;
            for (const auto &[low, high] : s.multiplexRanges)
                text += QStringLiteral(" %1-%2").arg(low).arg(high);
        }
    }
    return text.mid(1);
}

} // namespace

// Databases read and decoded, the decoding tool, the statistics and plots of signals.
class tst_Signals : public QObject
{
    Q_OBJECT

private slots:
    // What a database holds, the reasons a flawed line is skipped for, or the whole file
    // refused for.
    void read_data()
    {
        QTest::addColumn<QByteArray>("dbc");
        QTest::addColumn<QString>("expected"); // summary(), then skipped lines, then refusal
        const QByteArray header = "VERSION \"\"\n\nNS_ :\n\tCM_\n\tBA_\n\nBS_:\n\nBU_: A B\n\n";
        QTest::newRow("message and signal")
                << header
                        + "BO_ 291 EngineData: 8 A\n"
                          " SG_ EngineSpeed : 8|16@1+ (0.25,0) [0|16383.75] \"rpm\" B,A\n"
                << "123 EngineData/8 A\n EngineSpeed 8|16@1+ (0.25,0) [0|16383.8] \"rpm\" B,A";
        QTest::newRow("extended bit, Motorola, signed, exponent, negative offset, tabs, CR LF")
                << QByteArray("BO_ 2566869221 Long_Name: 64 Vector__XXX\r\n"
                              "\tSG_ T : 7|12@0- (9.53E-007,-273.15) [-40|125] \"\xC2\xB0"
                              "C\" Vector__XXX\r\n")
                << "18ff50e5x Long_Name/64 Vector__XXX\n"
                   " T 7|12@0- (9.53e-07,-273.15) [-40|125] \"°C\" Vector__XXX";
        QTest::newRow("multiplexing, simple and extended")
                << QByteArray(
                           "BO_ 16 M: 8 A\n SG_ S M : 0|8@1+ (1,0) [0|0] \"\" A\n"
                           " SG_ Y m3M : 16|4@1+ (1,0) [0|0] \"\" A\n"
                           " SG_ Z m1 : 20|4@1+ (1,0) [0|0] \"\" A\nSG_MUL_VAL_ 16 Z Y 1-1, 4-6;\n")
                << "10 M/8 A\n S 0|8@1+ (1,0) [0|0] \"\" A M\n Y 16|4@1+ (1,0) [0|0] \"\" A m3M\n"
                   " Z 20|4@1+ (1,0) [0|0] \"\" A m1 by Y 1-1 4-6";
        QTest::newRow("comments over lines with quotes, cycle time, value table, float")
                << QByteArray(
                           "BO_ 1 M: 8 A\n SG_ S : 0|32@1- (1,0) [0|0] \"\" A\n"
                           " SG_ G : 32|2@1+ (1,0) [0|0] \"\" A\nCM_ \"network\";\n"
                           "CM_ BU_ A \"n\";\nCM_ BO_ 1 \"first\n \\\"second\\\" line\";\n"
                           "CM_ SG_ 1 S \"a; b\";\nBA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 65535;\n"
                           "BA_ \"GenMsgCycleTime\" BO_ 1 100;\nBA_ \"Other\" BO_ 1 7;\n"
                           "VAL_ 1 G 0 \"Park\" 3 \"Drive\"\n 2 \"Neutral\" ;\n"
                           "SIG_VALTYPE_ 1 S : 1;\n")
                << "1 M/8 A 100ms \"first\n \"second\" line\"\n"
                   " S 0|32@1- (1,0) [0|0] \"\" A float \"a; b\"\n"
                   " G 32|2@1+ (1,0) [0|0] \"\" A 0=Park 2=Neutral 3=Drive";
        QTest::newRow("CAN FD messages by VFrameFormat, index or name")
                << QByteArray("BO_ 1 A: 64 A\nBO_ 2 B: 8 A\nBO_ 2147483651 C: 12 A\n"
                              "BA_DEF_ BO_ \"VFrameFormat\" ENUM \"StandardCAN\",\"ExtendedCAN\";\n"
                              "BA_ \"VFrameFormat\" BO_ 1 14;\nBA_ \"VFrameFormat\" BO_ 2 0;\n"
                              "BA_ \"VFrameFormat\" BO_ 2147483651 \"ExtendedCAN_FD\";\n")
                << "1 A/64 A FD\n2 B/8 A\n3x C/12 A FD";
        QTest::newRow("names beginning with a digit")
                << QByteArray("BO_ 1 2nd_Message: 8 3ECU\n"
                              " SG_ 0_COUNTER : 35|4@0+ (1,0) [0|255] \"\" XXX\n"
                              " SG_ 1e3x : 0|8@1+ (1e1,0) [0|2E2] \"\" 42\n"
                              "VAL_ 1 0_COUNTER 0 \"zero\" ;\nCM_ SG_ 1 1e3x \"c\";\n")
                << "1 2nd_Message/8 3ECU\n 0_COUNTER 35|4@0+ (1,0) [0|255] \"\" XXX 0=zero\n"
                   " 1e3x 0|8@1+ (10,0) [0|200] \"\" 42 \"c\"";
        QTest::newRow("cp1252") << QByteArray("BO_ 1 M\xE4: 8 A\n SG_ T : 0|8@1+ (1,0) [0|0] \"\xB0"
                                              "C\" A\nCM_ SG_ 1 T \"\x80 \x93q\x94\";\n")
                                << "1 Mä/8 A\n T 0|8@1+ (1,0) [0|0] \"°C\" A \"€ “q”\"";
        QTest::newRow("bad lengths and byte order")
                << QByteArray("BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n"
                              " SG_ T : 8|0@1+ (1,0) [0|0] \"\" A\n"
                              " SG_ U : 8|65@1+ (1,0) [0|0] \"\" A\n"
                              " SG_ V : 8|8@2+ (1,0) [0|0] \"\" A\nBO_ 2 N: 65 A\n")
                << "1 M/8 A\n S 0|8@1+ (1,0) [0|0] \"\" A\n"
                   "line 3: expected a signal length of 1 to 64 bits\n"
                   "line 4: expected a signal length of 1 to 64 bits\n"
                   "line 5: expected the byte order @0 or @1\n"
                   "line 6: expected a length of 0 to 64 bytes";
        QTest::newRow("not a DBC") << QByteArray("\n\n(1700000000.0) can0 123#00\n")
                                   << "refused: line 3: expected a DBC keyword such as VERSION, "
                                      "NS_, BU_ or BO_ (not a DBC file)";
    }

    void read()
    {
        QFETCH(QByteArray, dbc);
        const DbcReadResult result = readDbc(dbc);
        QCOMPARE(result.skippedLines, result.skipped.size());
        QStringList lines = QStringList(summary(result.database)) + result.skipped;
        if (!result.error.isEmpty())
            lines << "refused: " + result.error;
        lines.removeAll(QString());
        QTEST(lines.join('\n'), "expected");
        // Every message but the placeholder is found by its identifier and type.
        for (const DbcMessage &m : result.database.messages) {
            QCOMPARE(result.database.find(m.identifier, m.extended),
                     m.name.startsWith("VECTOR__") ? nullptr : &m);
            QCOMPARE(result.database.find(m.identifier, !m.extended), nullptr);
        }
    }

    // A signal's raw and physical value from the frame's bytes, if its multiplexor selects it.
    void decode_data()
    {
        QTest::addColumn<QString>("definition"); // after "SG_ S", lines after the message
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("value"); // "raw physical", or "absent"
        QTest::newRow("Intel 64 bits, unsigned")
                << ": 0|64@1+ (1,0)" << hex("ffffffffffffffff") << "-1 1.84467e+19";
        QTest::newRow("Motorola 12 bits at 7") << ": 7|12@0+ (1,0)" << hex("1234") << "291 291";
        QTest::newRow("Motorola 64 bits, signed") << ": 7|64@0- (1,0)" << hex("8000000000000001")
                                                  << "-9223372036854775807 -9.22337e+18";
        QTest::newRow("signed Intel, factor and offset")
                << ": 0|12@1- (0.5,10)" << hex("ff0f") << "-1 9.5";
        QTest::newRow("float, factor and offset")
                << ": 0|32@1- (2,1);SIG_VALTYPE_ 1 S : 1;" << hex("0000c03f") << "1069547520 4";
        QTest::newRow("double, Motorola") << ": 7|64@0- (1,0);SIG_VALTYPE_ 1 S : 2;"
                                          << hex("c004000000000000") << "-4610560118520545280 -2.5";
        QTest::newRow("Intel beyond a short frame")
                << ": 12|12@1+ (1,0)" << hex("ffff") << "absent";
        // CAN FD frames of 12 and 16 bytes: signals past byte 8, and 64 bits over 9 bytes.
        QTest::newRow("FD: Intel in bytes 10 and 11")
                << ": 80|16@1+ (1,0)" << hex("000000000000000000003412") << "4660 4660";
        QTest::newRow("FD: Motorola across bytes 8 and 9")
                << ": 71|12@0+ (1,0)" << hex("000000000000000012340000") << "291 291";
        QTest::newRow("FD: Intel 64 bits over 9 bytes")
                << ": 4|64@1+ (1,0)" << hex("f0debc9a785634120f00000000000000")
                << "-1070935975390360081 1.73758e+19";
        QTest::newRow("FD: Motorola 64 bits over 9 bytes")
                << ": 4|64@0+ (1,0)" << hex("002468acf13579bde0000000")
                << "81985529216486895 8.19855e+16";
        QTest::newRow("FD: beyond the frame's 12 bytes")
                << ": 96|8@1+ (1,0)" << hex("000000000000000000000000") << "absent";
        // Extended multiplexing: S selected by multiplexor X's ranges, both bounds included.
        const QString byX =
                " : 8|8@1+ (1,0); SG_ X M : 0|8@1+ (1,0) [0|0] \"\" A\nSG_MUL_VAL_ 1 S X ";
        QTest::newRow("3-3 at 3") << "m3" + byX + "3-3;" << hex("0311") << "17 17";
        QTest::newRow("3-3 at 2") << "m3" + byX + "3-3;" << hex("0211") << "absent";
        QTest::newRow("3-3 at 4") << "m3" + byX + "3-3;" << hex("0411") << "absent";
        QTest::newRow("5-7 at its upper bound") << "m5" + byX + "5-7;" << hex("0711") << "17 17";
        QTest::newRow("5-7 at 8") << "m5" + byX + "5-7;" << hex("0811") << "absent";
    }

    void decode()
    {
        QFETCH(QString, definition);
        QFETCH(QByteArray, data);
        QFETCH(QString, value);
        const DbcReadResult result =
                readDbc("BO_ 1 M: 64 A\n SG_ S " + definition.section(';', 0, 0).toUtf8()
                        + " [0|0] \"\" A\n" + definition.section(';', 1).toUtf8() + "\n");
        QCOMPARE(result.skipped, QStringList());
        const DbcSignal &signal = result.database.messages.at(0).signalList.at(0);
        DecodedSignal d; // absent unless the frame holds S and its multiplexor selects it
        for (const DecodedSignal &shown :
             decodeMessage(result.database.messages[0],
                           data.size() > 8 ? fdFrame(1, data) : canFrame(1, data)))
            d = shown.signal == &signal ? shown : d;
        QCOMPARE(d.present ? QStringLiteral("%1 %2").arg(d.raw).arg(d.physical) : "absent", value);
        if (d.present)
            QCOMPARE(d.rawUnsigned, quint64(d.raw) & (~quint64(0) >> (64 - signal.length)));
    }

    // The decoding tool reads a candump log through a database; one frame of each kind.
    void decodeTool_data()
    {
        QTest::addColumn<QString>("argument"); // after the database
        QTest::addColumn<QString>("output");
        QTest::newRow("text") << "-"
                              << "1700000000.012345 123 EngineData EngineSpeed=5000.25 rpm "
                                 "GearState=3 \"Drive \"D\"\"\n"
                                 "1700000000.500000 7DF\n"
                                 "1700000001.000000 18FF50E5 Pack Page=1 Current=-2.5 A\n"
                                 "1700000001.500000 18FF50E5 Pack Page=0 Voltage=10 V\n";
        QTest::newRow("json")
                << "--json"
                << "{\"time\": 1700000000.012345, \"id\": 291, \"extended\": false, \"message\": "
                   "\"EngineData\", \"signals\": {\"EngineSpeed\": {\"raw\": 20001, \"value\": "
                   "5000.25, \"unit\": \"rpm\"}, \"GearState\": {\"raw\": 3, \"value\": 3, "
                   "\"unit\": \"\", \"text\": \"Drive \\\"D\\\"\"}}}\n"
                   "{\"time\": 1700000000.500000, \"id\": 2015, \"extended\": false, \"message\": "
                   "null, \"signals\": {}}\n"
                   "{\"time\": 1700000001.000000, \"id\": 419385573, \"extended\": true, "
                   "\"message\": \"Pack\", \"signals\": {\"Page\": {\"raw\": 1, \"value\": 1, "
                   "\"unit\": \"\"}, \"Current\": {\"raw\": -50, \"value\": -2.5, \"unit\": "
                   "\"A\"}}}\n"
                   "{\"time\": 1700000001.500000, \"id\": 419385573, \"extended\": true, "
                   "\"message\": \"Pack\", \"signals\": {\"Page\": {\"raw\": 0, \"value\": 0, "
                   "\"unit\": \"\"}, \"Voltage\": {\"raw\": 1000, \"value\": 10, \"unit\": "
                   "\"V\"}}}\n";
    }

    void decodeTool()
    {
        QFETCH(QString, argument);
        QFETCH(QString, output);
        QTemporaryDir dir;
        QFile dbc(dir.filePath("bus.dbc"));
        QVERIFY(dbc.open(QIODevice::WriteOnly));
        dbc.write("VERSION \"\"\nBO_ 291 EngineData: 8 A\n"
                  " SG_ EngineSpeed : 0|16@1+ (0.25,0) [0|0] \"rpm\" B\n"
                  " SG_ GearState : 16|3@1+ (1,0) [0|0] \"\" B\n"
                  "VAL_ 291 GearState 3 \"Drive \\\"D\\\"\" ;\n"
                  "BO_ 2566869221 Pack: 8 A\n SG_ Page M : 0|8@1+ (1,0) [0|0] \"\" B\n"
                  " SG_ Voltage m0 : 8|16@1+ (0.01,0) [0|0] \"V\" B\n"
                  " SG_ Current m1 : 8|16@1- (0.05,0) [0|0] \"A\" B\n");
        dbc.close();
        QProcess tool;
        tool.start(TALVIK_DECODE, { dbc.fileName(), argument });
        tool.write("(1700000000.012345) can0 123#214E03 R\nnot a frame\n"
                   "(1700000000.500000) can0 7DF#0201 T\n(1700000001.000000) can0 18FF50E5#01CEFF\n"
                   "(1700000001.500000) can0 18FF50E5##100E8030000000000000000\n");
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished());
        QCOMPARE(QString(tool.readAll()), output);
    }

    // Numbers as the decoding tool prints them: as QByteArray::number(value, 'g', 15).
    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("tie at the 16th digit rounds away from zero")
                << 189645018118502.5 << "189645018118503";
        QTest::newRow("tie that carries into 1e15") << 999999999999999.5 << "1e+15";
        QTest::newRow("15-digit integer") << -999999999999999.0 << "-999999999999999";
        QTest::newRow("0.1 * 3 has 17 digits") << 0.1 * 3 << "0.3";
        QTest::newRow("two thirds") << 2.0 / 3 << "0.666666666666667";
        QTest::newRow("quarter below zero") << -40.25 << "-40.25";
        QTest::newRow("0.0001 fixed") << 0.0001 << "0.0001";
        QTest::newRow("below 0.0001 with an exponent") << 2.5e-5 << "2.5e-05";
        QTest::newRow("three-digit exponent") << 1.5e300 << "1.5e+300";
        QTest::newRow("subnormal") << 5e-324 << "4.94065645841247e-324";
        QTest::newRow("infinity") << qInf() << "null";
    }

    void numberText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        std::string out;
        appendNumber(out, value);
        QCOMPARE(QString::fromStdString(out), text);
    }

    // Decoded values (raw times factor plus offset) and any bit pattern, against Qt itself.
    void numberTextAgreesWithQt()
    {
        QRandomGenerator random(15);
        const double factors[] = { 1, 0.1, 0.25, 0.01, 0.001, 0.0625, 9.53e-7, 0.05 };
        const double offsets[] = { 0, -40, 0.5, -273.15, -1e12 };
        for (int i = 0; i < 200000; ++i) {
            double value;
            if (i % 2) {
                const quint64 bits = random.generate64();
                std::memcpy(&value, &bits, sizeof value);
            } else {
                value = double(qint64(random.generate64()) >> random.bounded(64))
                                * factors[random.bounded(8)]
                        + offsets[random.bounded(5)];
            }
            std::string out;
            appendNumber(out, value);
            const QByteArray qt =
                    std::isfinite(value) ? QByteArray::number(value, 'g', 15) : "null";
            QVERIFY2(out == qt.toStdString(), qPrintable(QString::number(value, 'g', 17)));
        }
    }

    // Per identifier: frames counted, the average period of the last second before
    // its newest frame, the bytes changed in the second before the newest record.
    void statistics_data()
    {
        QTest::addColumn<QStringList>("frames"); // "time in ms:data" of identifier 0x100
        QTest::addColumn<QString>("expected"); // "count period changed-bits length"
        QTest::newRow("steady 10 ms")
                << QStringList{ "0:01", "10:01", "20:01", "30:01", "40:01" } << "5 10 0 1";
        QTest::newRow("byte 1 changed") << QStringList{ "0:010203", "10:010703" } << "2 10 2 3";
        QTest::newRow("FD: byte 10 changed")
                << QStringList{ "0:000000000000000000000000", "10:000000000000000000000100" }
                << "2 10 1024 12";
    }

    void statistics()
    {
        QFETCH(QStringList, frames);
        QFETCH(QString, expected);
        MessageStatistics statistics;
        QByteArray last;
        for (const QString &frame : frames) {
            const qint64 us = frame.section(':', 0, 0).toLongLong() * 1000;
            last = QByteArray::fromHex(frame.section(':', 1).toLatin1());
            statistics.add({ us, last.size() > 8 ? fdFrame(0x100, last) : canFrame(0x100, last), false });
            statistics.add({ us + 1, canFrame(0x100, {}, true), false }); // another identifier
        }
        const int row = statistics.rowOf(0x100, false);
        QCOMPARE(row, 0);
        const MessageStatistics::Entry &entry = statistics.at(row);
        QCOMPARE(QString::asprintf("%llu %g %llu %d", quint64(entry.count),
                                   statistics.averagePeriodMs(row), statistics.changedBytes(row),
                                   int(entry.length)),
                 expected);
        QCOMPARE(QByteArray((const char *)entry.data.data(), entry.length), last);
        QCOMPARE(statistics.at(statistics.rowOf(0x100, true)).count, quint64(frames.size()));
        QCOMPARE(statistics.rowOf(0x101, false), -1);
    }

    void plotSteps()
    {
        QCOMPARE(stepPoints({ { 0, 1 }, { 2, 3 }, { 5, 0 } }),
                 (std::vector<QPointF>{ { 0, 1 }, { 2, 1 }, { 2, 3 }, { 5, 3 }, { 5, 0 } }));
    }

    void csv()
    {
        QCOMPARE(
                signalsCsv({ { "Engine", "Speed", "rpm", false, { 0.0, 0.2 }, { 1000.5, -0.0625 } },
                             { "Body", "Door, left", "", false, { 0.1, 0.2 }, { 0.0, 1.0 } } }),
                "time [s],Engine.Speed [rpm],\"Body.Door, left\"\n"
                "0.000000,1000.5,\n0.100000,,0\n0.200000,-0.0625,1\n");
    }
};

QTEST_APPLESS_MAIN(tst_Signals)
#include "tst_signals.moc"
