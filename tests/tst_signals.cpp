#include "dbc.h"
#include "hexbytes.h"
#include "messagestatistics.h"
#include "plotreduction.h"
#include "signalseries.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <map>

namespace {

// One line a message and one a signal, with every field read.
QString summary(const DbcDatabase &database)
{
    QString text;
    for (const DbcMessage &m : database.messages) {
        text += QString::asprintf("\n%x%s %s/%d %s", m.identifier, m.extended ? "x" : "",
                                  qUtf8Printable(m.name), m.length, qUtf8Printable(m.sender));
        text += (m.cycleTimeMs < 0 ? "" : QString::asprintf(" %dms", m.cycleTimeMs))
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

// The signals shown for a frame, "name=raw", sorted.
QString decodedText(const DbcMessage &message, quint32 id, const QByteArray &data)
{
    QStringList names;
    for (const DecodedSignal &d : decodeMessage(message, canFrame(id, data)))
        names << QStringLiteral("%1=%2").arg(d.signal->name).arg(d.raw);
    names.sort();
    return names.join(' ');
}

} // namespace

// Databases read and decoded, the decoding tool, the statistics and plots of signals.
class tst_Signals : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("dbc");
        QTest::addColumn<QString>("expected");
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
        QTest::newRow("identifier over 11 bits without the extended bit")
                << QByteArray("BO_ 419385573 M: 8 A\n") << "18ff50e5x M/8 A";
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
                           " SG_ G : 32|2@1+ (1,0) [0|0] \"\" A\nCM_ \"network\";\nCM_ BU_ A "
                           "\"n\";\n"
                           "CM_ BO_ 1 \"first\n \\\"second\\\" line\";\nCM_ SG_ 1 S \"a; b\";\n"
                           "BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 65535;\n"
                           "BA_ \"GenMsgCycleTime\" BO_ 1 100;\nBA_ \"Other\" BO_ 1 7;\n"
                           "VAL_ 1 G 0 \"Park\" 3 \"Drive\"\n 2 \"Neutral\" ;\nSIG_VALTYPE_ 1 S : "
                           "1;\n")
                << "1 M/8 A 100ms \"first\n \"second\" line\"\n"
                   " S 0|32@1- (1,0) [0|0] \"\" A float \"a; b\"\n"
                   " G 32|2@1+ (1,0) [0|0] \"\" A 0=Park 2=Neutral 3=Drive";
        QTest::newRow("references before the message, unknown sections read past") << QByteArray(
                "VAL_TABLE_ T 1 \"x\" ;\nCM_ BO_ 5 \"early\";\nEV_ E: 0 [0|1] \"\" 0 1 "
                "DUMMY_NODE_VECTOR0 Vector__XXX;\nBO_TX_BU_ 5 : A,B;\n"
                "SIG_GROUP_ 5 G 1 : S;\nBO_ 5 M: 1 A\n SG_ S : 0|1@1+ (1,0) [0|0] \"\""
                " A\nVAL_ E 0 \"env\" ;\n") << "5 M/1 A \"early\"\n S 0|1@1+ (1,0) [0|0] \"\" A";
        QTest::newRow("the placeholder message")
                << QByteArray("BO_ 3221225472 VECTOR__INDEPENDENT_SIG_MSG: 0 Vector__XXX\n")
                << "40000000x VECTOR__INDEPENDENT_SIG_MSG/0 Vector__XXX";
        QTest::newRow("cp1252") << QByteArray("BO_ 1 M\xE4: 8 A\n SG_ T : 0|8@1+ (1,0) [0|0] \"\xB0"
                                              "C\" A\nCM_ SG_ 1 T \"\x80 \x93q\x94\";\n")
                                << "1 Mä/8 A\n T 0|8@1+ (1,0) [0|0] \"°C\" A \"€ “q”\"";
        QTest::newRow("UTF-8 with a byte order mark")
                << "\xEF\xBB\xBF" + QString("BO_ 1 Mä: 8 A\n").toUtf8() << "1 Mä/8 A";
    }

    void read()
    {
        QFETCH(QByteArray, dbc);
        QFETCH(QString, expected);
        const DbcReadResult result = readDbc(dbc);
        QCOMPARE(result.error + result.skipped.join('\n'), QString());
        QCOMPARE(summary(result.database), expected);
        // Every message but the placeholder is found by its identifier and type.
        for (const DbcMessage &m : result.database.messages) {
            QCOMPARE(result.database.find(m.identifier, m.extended),
                     m.name.startsWith("VECTOR__") ? nullptr : &m);
            QCOMPARE(result.database.find(m.identifier, !m.extended), nullptr);
        }
    }

    // The reasons a flawed line is skipped for, or the whole file refused for.
    void flaws_data()
    {
        QTest::addColumn<QByteArray>("dbc");
        QTest::addColumn<QString>("reasons");
        const QByteArray good = "BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n";
        QTest::newRow("signal cut short")
                << good + " SG_ T : 8|8@1+ (1,0) [0|0]\n SG_ U : 16|8@1+ (1,0\n"
                << "line 3: expected the unit in quotes\nline 4: expected ')'";
        QTest::newRow("m without a number") << good + " SG_ T m : 8|8@1+ (1,0) [0|0] \"\" A\n"
                                            << "line 3: expected a multiplexor value after 'm'";
        QTest::newRow("bad lengths and byte order")
                << good
                        + " SG_ T : 8|0@1+ (1,0) [0|0] \"\" A\n SG_ U : 8|65@1+ (1,0) [0|0] \"\" "
                          "A\n"
                          " SG_ V : 8|8@2+ (1,0) [0|0] \"\" A\nBO_ 2 N: 65 A\n"
                << "line 3: expected a signal length of 1 to 64 bits\n"
                   "line 4: expected a signal length of 1 to 64 bits\n"
                   "line 5: expected the byte order @0 or @1\n"
                   "line 6: expected a length of 0 to 64 bytes";
        QTest::newRow("identifiers that are no CAN identifier, and their signals")
                << "BO_ 536870912 Big: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n"
                   "BO_ 3221225473 Bit30: 8 A\n"
                        + good + "BO_ 1 Again: 8 A\n"
                << "line 1: identifier is not a CAN identifier\n"
                   "line 3: identifier is not a CAN identifier\nline 6: message 1 defined again";
        QTest::newRow("references that do not parse, quote left open")
                << good
                        + "CM_ SG_ 1 \"no name\";\nVAL_ 1 S 0 \"a\" 1 ;\nBA_ GenMsgCycleTime;\n"
                          "SIG_VALTYPE_ 1 S : 1;\nCM_ \"open\n"
                << "line 3: expected the signal's name\n"
                   "line 4: expected the value's text in quotes\n"
                   "line 5: expected the attribute's name in quotes\n"
                   "line 6: expected a 32-bit float or a 64-bit double signal\n"
                   "line 7: expected the closing '\"' of a text";
        QTest::newRow("signal before any message") << " SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n" + good
                                                   << "line 1: signal outside a message";
        QTest::newRow("not a DBC") << QByteArray("\n\n(1700000000.0) can0 123#00\n")
                                   << "refused: line 3: expected a DBC keyword such as VERSION, "
                                      "NS_, BU_ or BO_ (not a DBC file)";
        QTest::newRow("binary") << QByteArray("BO_ \0\1\2", 7)
                                << "refused: line 1: expected text (not a DBC file)";
        QTest::newRow("no message") << QByteArray("VERSION \"\"\nNS_ :\n\tBO_\nBU_: A\n")
                                    << "refused: line 5: expected a message (BO_)";
        QTest::newRow("only flawed messages") << QByteArray("VERSION \"\"\nBO_ x M: 8 A\n")
                                              << "refused: line 3: expected a message (BO_)";
        QTest::newRow("empty") << QByteArray() << "refused: line 1: expected a message (BO_)";
    }

    void flaws()
    {
        QFETCH(QByteArray, dbc);
        QFETCH(QString, reasons);
        const DbcReadResult result = readDbc(dbc);
        QCOMPARE(result.error.isEmpty() ? result.skipped.join('\n') : "refused: " + result.error,
                 reasons);
        QCOMPARE(result.skippedLines, result.skipped.size());
        QCOMPARE(result.database.messages.size(), size_t(result.error.isEmpty()));
    }

    // A signal's raw and physical value from the frame's bytes.
    void decode_data()
    {
        QTest::addColumn<QString>("definition"); // after "SG_ S : ", lines after the message
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("value"); // "raw physical", or "absent"
        QTest::newRow("Intel 1 bit at 13") << "13|1@1+ (1,0)" << hex("0020") << "1 1";
        QTest::newRow("Intel 7 bits at 3") << "3|7@1+ (1,0)" << hex("a802") << "85 85";
        QTest::newRow("Intel 12 bits at 4") << "4|12@1+ (1,0)" << hex("f0ab") << "2751 2751";
        QTest::newRow("Intel 33 bits at 5")
                << "5|33@1+ (1,0)" << hex("2000000020") << "4294967297 4.29497e+09";
        QTest::newRow("Intel 64 bits, unsigned")
                << "0|64@1+ (1,0)" << hex("ffffffffffffffff") << "-1 1.84467e+19";
        QTest::newRow("Motorola 12 bits at 7") << "7|12@0+ (1,0)" << hex("1234") << "291 291";
        QTest::newRow("Motorola 7 bits at 5") << "5|7@0+ (1,0)" << hex("2a80") << "85 85";
        QTest::newRow("Motorola 1 bit at 0") << "0|1@0+ (1,0)" << hex("01") << "1 1";
        QTest::newRow("Motorola 33 bits at 3")
                << "3|33@0+ (1,0)" << hex("0900000008") << "4831838209 4.83184e+09";
        QTest::newRow("Motorola 64 bits, signed") << "7|64@0- (1,0)" << hex("8000000000000001")
                                                  << "-9223372036854775807 -9.22337e+18";
        QTest::newRow("signed Intel, factor and offset")
                << "0|12@1- (0.5,10)" << hex("ff0f") << "-1 9.5";
        QTest::newRow("signed Motorola") << "7|16@0- (0.01,0)" << hex("ff38") << "-200 -2";
        QTest::newRow("positive signed value") << "0|8@1- (1,0)" << hex("7f") << "127 127";
        QTest::newRow("offset") << "8|8@1+ (0.5,-40)" << hex("0064") << "100 10";
        QTest::newRow("small factor") << "0|16@1+ (9.53E-007,0)" << hex("1027") << "10000 0.00953";
        QTest::newRow("float, factor and offset")
                << "0|32@1- (2,1);SIG_VALTYPE_ 1 S : 1;" << hex("0000c03f") << "1069547520 4";
        QTest::newRow("double, Motorola") << "7|64@0- (1,0);SIG_VALTYPE_ 1 S : 2;"
                                          << hex("c004000000000000") << "-4610560118520545280 -2.5";
        QTest::newRow("Intel beyond a short frame") << "12|12@1+ (1,0)" << hex("ffff") << "absent";
        QTest::newRow("Motorola beyond a short frame") << "7|12@0+ (1,0)" << hex("12") << "absent";
        QTest::newRow("beyond 8 bytes") << "70|8@1+ (1,0)" << hex("0102030405060708") << "absent";
    }

    void decode()
    {
        QFETCH(QString, definition);
        QFETCH(QByteArray, data);
        QFETCH(QString, value);
        const DbcReadResult result =
                readDbc("BO_ 1 M: 16 A\n SG_ S : " + definition.section(';', 0, 0).toUtf8()
                        + " [0|0] \"\" A\n" + definition.section(';', 1).toUtf8() + "\n");
        QCOMPARE(result.skipped, QStringList());
        const DbcSignal &signal = result.database.messages.at(0).signalList.at(0);
        const DecodedSignal d =
                decodeSignal(signal, (const quint8 *)data.constData(), int(data.size()));
        QCOMPARE(d.present ? QStringLiteral("%1 %2").arg(d.raw).arg(d.physical) : "absent", value);
        if (d.present)
            QCOMPARE(d.rawUnsigned, quint64(d.raw) & (~quint64(0) >> (64 - signal.length)));
    }

    // Mode selects A (0) or B (1, 2); Sub (shown with Mode 1) selects C at 4 to 6.
    void multiplexing_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("shown");
        QTest::newRow("multiplexor 0") << hex("00ff0f") << "A=255 Always=15 Mode=0";
        QTest::newRow("multiplexor 1, sub 5") << hex("01ff05") << "Always=5 C=15 Mode=1 Sub=5";
        QTest::newRow("multiplexor 1, sub 3") << hex("01ff03") << "Always=3 Mode=1 Sub=3";
        QTest::newRow("multiplexor 2: nothing selected") << hex("02ff05") << "Always=5 Mode=2";
        QTest::newRow("frame too short for A") << hex("00") << "Mode=0";
        QTest::newRow("no data: not even the multiplexor") << QByteArray() << "";
    }

    void multiplexing()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, shown);
        const DbcReadResult result =
                readDbc("BO_ 9 M: 3 A\n SG_ Mode M : 0|8@1+ (1,0) [0|0] \"\" A\n"
                        " SG_ A m0 : 8|8@1+ (1,0) [0|0] \"\" A\n"
                        " SG_ Sub m1M : 16|4@1+ (1,0) [0|0] \"\" A\n"
                        " SG_ C m4 : 12|4@1+ (1,0) [0|0] \"\" A\n"
                        " SG_ Always : 16|4@1+ (1,0) [0|0] \"\" A\n"
                        "SG_MUL_VAL_ 9 C Sub 4-6;\n");
        QCOMPARE(decodedText(result.database.messages.at(0), 9, data), shown);
    }

    void decodeTool_data()
    {
        QTest::addColumn<QStringList>("arguments"); // bus.dbc, bad.dbc, bus.log, "-" or none
        QTest::addColumn<QString>("output"); // standard output, or "1: " and standard error
        const QString text = "1700000000.012345 123 EngineData EngineSpeed=5000.25 rpm "
                             "GearState=3 \"Drive\"\n1700000000.500000 7DF\n"
                             "1700000001.000000 18FF50E5 Pack Page=1 Current=-2.5 A\n";
        QTest::newRow("text from a file") << QStringList{ "bus.dbc", "bus.log" } << text;
        QTest::newRow("text from standard input") << QStringList{ "bus.dbc", "-" } << text;
        QTest::newRow("json from standard input")
                << QStringList{ "--json", "bus.dbc" }
                << "{\"time\": 1700000000.012345, \"id\": 291, \"extended\": false, \"message\": "
                   "\"EngineData\", \"signals\": {\"EngineSpeed\": {\"raw\": 20001, \"value\": "
                   "5000.25, \"unit\": \"rpm\"}, \"GearState\": {\"raw\": 3, \"value\": 3, "
                   "\"unit\": "
                   "\"\", \"text\": \"Drive\"}}}\n"
                   "{\"time\": 1700000000.500000, \"id\": 2015, \"extended\": false, \"message\": "
                   "null, \"signals\": {}}\n"
                   "{\"time\": 1700000001.000000, \"id\": 419385573, \"extended\": true, "
                   "\"message\": "
                   "\"Pack\", \"signals\": {\"Page\": {\"raw\": 1, \"value\": 1, \"unit\": \"\"}, "
                   "\"Current\": {\"raw\": -50, \"value\": -2.5, \"unit\": \"A\"}}}\n";
        QTest::newRow("bad database")
                << QStringList{ "bad.dbc" }
                << "1: talvik-decode: bad.dbc: line 3: expected a message (BO_)\n";
        QTest::newRow("missing database")
                << QStringList{ "missing.dbc" } << "1: talvik-decode: missing.dbc: ";
    }

    void decodeTool()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QTemporaryDir dir;
        const QByteArray log = "(1700000000.012345) can0 123#214E03 R\nnot a frame\n"
                               "(1700000000.500000) can0 7DF#0201 T\n"
                               "(1700000001.000000) can0 18FF50E5#01CEFF\n";
        const QList<QPair<QString, QByteArray>> files{
            { "bus.dbc",
              "VERSION \"\"\nBO_ 291 EngineData: 8 A\n"
              " SG_ EngineSpeed : 0|16@1+ (0.25,0) [0|0] \"rpm\" B\n"
              " SG_ GearState : 16|3@1+ (1,0) [0|0] \"\" B\n"
              "BO_ 2566869221 Pack: 8 A\n SG_ Page M : 0|8@1+ (1,0) [0|0] \"\" B\n"
              " SG_ Voltage m0 : 8|16@1+ (0.01,0) [0|0] \"V\" B\n"
              " SG_ Current m1 : 8|16@1- (0.05,0) [0|0] \"A\" B\n"
              "VAL_ 291 GearState 3 \"Drive\" ;\n" },
            { "bad.dbc", "VERSION \"\"\nBU_: A\n" },
            { "bus.log", log }
        };
        for (const auto &[name, content] : files) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        }
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(TALVIK_DECODE, arguments);
        tool.write(log);
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished());
        const QString shown = tool.exitCode()
                ? QStringLiteral("%1: ").arg(tool.exitCode())
                        + QString::fromUtf8(tool.readAllStandardError())
                : QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
        QCOMPARE(shown.left(output.startsWith("1: ") ? output.size() : -1), output);
    }

    // Per identifier: frames counted, the average period of the last second before
    // its newest frame, the bytes changed in the second before the newest record.
    void statistics_data()
    {
        QTest::addColumn<QStringList>("frames"); // "time in ms:data" of identifier 0x100
        QTest::addColumn<QString>("expected"); // "count period changed-bits length"
        QTest::newRow("one frame: no period, nothing changed")
                << QStringList{ "5:0102" } << "1 -1 0 2";
        QTest::newRow("steady 10 ms")
                << QStringList{ "0:01", "10:01", "20:01", "30:01", "40:01" } << "5 10 0 1";
        QTest::newRow("faster in the last second")
                << QStringList{ "0:01", "100:01", "1500:01", "1520:01", "1540:01" } << "5 20 0 1";
        QTest::newRow("slower than a second: the last gap")
                << QStringList{ "0:01", "2000:01", "4500:01" } << "3 2500 0 1";
        QTest::newRow("byte 1 changed") << QStringList{ "0:010203", "10:010703" } << "2 10 2 3";
        QTest::newRow("changed more than a second ago")
                << QStringList{ "0:0102", "10:0502", "1100:0502" } << "3 1090 0 2";
        QTest::newRow("changed back within the second")
                << QStringList{ "0:0102", "500:0109", "1200:0102" } << "3 700 2 2";
        QTest::newRow("longer frame: the new bytes changed")
                << QStringList{ "0:01", "10:010000" } << "2 10 6 3";
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
            statistics.add({ us, canFrame(0x100, last), false });
            statistics.add({ us + 1, canFrame(0x100, {}, true), false }); // another identifier
        }
        const int row = statistics.rowOf(0x100, false);
        QCOMPARE(row, 0);
        const MessageStatistics::Entry &entry = statistics.at(row);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                         .arg(entry.count)
                         .arg(statistics.averagePeriodMs(row))
                         .arg(statistics.changedBytes(row))
                         .arg(entry.length),
                 expected);
        QCOMPARE(QByteArray((const char *)entry.data.data(), entry.length), last);
        QCOMPARE(statistics.at(statistics.rowOf(0x100, true)).count, quint64(frames.size()));
        QCOMPARE(statistics.rowOf(0x101, false), -1);
    }

    // Of a noisy sine at 1 ms with one-sample spikes, each pixel column's extremes are
    // drawn, in time order, reaching past both edges; a short span is drawn whole.
    void plotReduction_data()
    {
        QTest::addColumn<int>("samples");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<int>("columns");
        QTest::newRow("all of it") << 100'000 << 0.0 << 100.0 << 640;
        QTest::newRow("zoomed in") << 100'000 << 20.5 << 31.25 << 500;
        QTest::newRow("narrow") << 10'000 << 0.0 << 10.0 << 3;
        QTest::newRow("columns finer than the end") << 5'000 << 1.0 << 4.999 << 997;
        QTest::newRow("short span kept whole") << 6 << -0.0005 << 0.0045 << 100;
    }

    void plotReduction()
    {
        QFETCH(int, samples);
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(int, columns);
        std::vector<double> times, values;
        QRandomGenerator random(7);
        for (int i = 0; i < samples; ++i) {
            times.push_back(i * 0.001);
            values.push_back(i % 977 ? std::sin(i * 0.01) + random.generateDouble() * 0.1
                                     : (i / 977) % 2 ? 50.0
                                                     : -50.0);
        }
        const std::vector<QPointF> points = reduceToWidth(times, values, from, to, columns);
        QVERIFY(points.size() <= size_t(samples < columns ? samples : 2 * columns + 2));
        std::map<int, std::pair<double, double>> wanted, drawn; // column: lowest, highest
        const auto add = [&](auto &extremes, double x, double y) {
            if (x >= from && x <= to) {
                const int column = std::min(columns - 1, int((x - from) / ((to - from) / columns)));
                auto [it, added] = extremes.try_emplace(column, y, y);
                it->second = { std::min(it->second.first, y), std::max(it->second.second, y) };
            }
        };
        for (size_t i = 0; i < times.size(); ++i)
            add(wanted, times[i], values[i]);
        for (const QPointF &point : points)
            add(drawn, point.x(), point.y());
        QVERIFY(wanted == drawn);
        for (size_t i = 1; i < points.size(); ++i)
            QVERIFY(points[i - 1].x() < points[i].x());
        QVERIFY(from <= times.front() || points.front().x() < from);
        QVERIFY(to >= times.back() || points.back().x() > to);
        QVERIFY(reduceToWidth(times, values, 1.0, 1.0, 100).empty());
    }

    void plotSteps()
    {
        QCOMPARE(stepPoints({ { 0, 1 }, { 2, 3 }, { 5, 0 } }),
                 (std::vector<QPointF>{ { 0, 1 }, { 2, 1 }, { 2, 3 }, { 5, 3 }, { 5, 0 } }));
    }

    void csv_data()
    {
        QTest::addColumn<QList<QList<double>>>("times");
        QTest::addColumn<QByteArray>("rows");
        QTest::newRow("no samples") << QList<QList<double>>{ {}, {} } << QByteArray();
        QTest::newRow("same times") << QList<QList<double>>{ { 0.0, 0.1 }, { 0.0, 0.1 } }
                                    << QByteArray("0.000000,1000.5,0\n0.100000,-0.0625,1\n");
        QTest::newRow("interleaved")
                << QList<QList<double>>{ { 0.0, 0.2 }, { 0.1, 0.2 } }
                << QByteArray("0.000000,1000.5,\n0.100000,,0\n0.200000,-0.0625,1\n");
    }

    void csv()
    {
        QFETCH(QList<QList<double>>, times);
        QFETCH(QByteArray, rows);
        std::vector<SignalSeries> series{ { "Engine", "Speed", "rpm" }, { "Body", "Door, left" } };
        const double values[2][2] = { { 1000.5, -0.0625 }, { 0.0, 1.0 } };
        for (size_t k = 0; k < 2; ++k) {
            series[k].times.assign(times[k].begin(), times[k].end());
            series[k].values.assign(values[k], values[k] + times[k].size());
        }
        QCOMPARE(signalsCsv(series), "time [s],Engine.Speed [rpm],\"Body.Door, left\"\n" + rows);
    }
};

QTEST_APPLESS_MAIN(tst_Signals)
#include "tst_signals.moc"
