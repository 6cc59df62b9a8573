#include "dbc.h"
#include "simlink.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

QString multiplexText(const DbcSignal &s)
{
    switch (s.multiplex) {
    case DbcSignal::Multiplex::Multiplexor:
        return QStringLiteral(" M");
    case DbcSignal::Multiplex::Multiplexed:
        return QStringLiteral(" m%1%2").arg(s.multiplexValue).arg(s.alsoMultiplexor ? "M" : "");
    case DbcSignal::Multiplex::None:
        break;
    }
    return QString();
}

// One line a message and one a signal, with every field read.
QString summary(const DbcDatabase &database)
{
    QStringList lines;
    for (const DbcMessage &m : database.messages) {
        QString line = QStringLiteral("%1%2 %3/%4 %5")
                               .arg(m.identifier, 0, 16)
                               .arg(m.extended ? "x" : "")
                               .arg(m.name)
                               .arg(m.length)
                               .arg(m.sender);
        if (m.cycleTimeMs >= 0)
            line += QStringLiteral(" %1ms").arg(m.cycleTimeMs);
        if (!m.comment.isEmpty())
            line += QStringLiteral(" \"%1\"").arg(m.comment);
        lines << line;
        for (const DbcSignal &s : m.signalList) {
            line = QStringLiteral(" %1%2 %3|%4@%5%6 (%7,%8) [%9|%10] \"%11\" %12")
                           .arg(s.name, multiplexText(s))
                           .arg(s.startBit)
                           .arg(s.length)
                           .arg(s.littleEndian ? 1 : 0)
                           .arg(s.isSigned ? "-" : "+")
                           .arg(s.factor)
                           .arg(s.offset)
                           .arg(s.minimum)
                           .arg(s.maximum)
                           .arg(s.unit, s.receivers.join(u','));
            if (s.valueType != DbcSignal::ValueType::Integer)
                line += s.valueType == DbcSignal::ValueType::Float32 ? " float" : " double";
            if (!s.comment.isEmpty())
                line += QStringLiteral(" \"%1\"").arg(s.comment);
            for (auto it = s.valueTexts.begin(); it != s.valueTexts.end(); ++it)
                line += QStringLiteral(" %1=%2").arg(it.key()).arg(it.value());
            if (!s.multiplexorName.isEmpty()) {
                line += QStringLiteral(" by ") + s.multiplexorName;
                for (const auto &range : s.multiplexRanges)
                    line += QStringLiteral(" %1-%2").arg(range.first).arg(range.second);
            }
            lines << line;
        }
    }
    return lines.join(u'\n');
}

const char *const Header = "VERSION \"\"\n\nNS_ :\n\tCM_\n\tBA_\n\nBS_:\n\nBU_: A B\n\n";

} // namespace

class tst_Dbc : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void flaws_data();
    void flaws();
    void codePage();
    void decode_data();
    void decode();
    void multiplexing_data();
    void multiplexing();
    void demoBus();
    void decodeTool_data();
    void decodeTool();
    void decodeToolRefusesBadDatabase();
};

void tst_Dbc::read_data()
{
    QTest::addColumn<QByteArray>("dbc");
    QTest::addColumn<QString>("expected");

    QTest::newRow("message and signal")
            << QByteArray("BO_ 291 EngineData: 8 A\n"
                          " SG_ EngineSpeed : 8|16@1+ (0.25,0) [0|16383.75] \"rpm\" B,A\n")
            << "123 EngineData/8 A\n EngineSpeed 8|16@1+ (0.25,0) [0|16383.8] \"rpm\" B,A";
    QTest::newRow("extended bit, Motorola, signed, exponent, negative offset, tabs, CR LF")
            << QByteArray("BO_ 2566869221 Battery_Pack_Status_With_A_Long_Name: 64 Vector__XXX\r\n"
                          "\tSG_ T : 7|12@0- (9.53E-007,-273.15) [-40|125] \"\xC2\xB0"
                          "C\" "
                          "Vector__XXX\r\n")
            << "18ff50e5x Battery_Pack_Status_With_A_Long_Name/64 Vector__XXX\n"
               " T 7|12@0- (9.53e-07,-273.15) [-40|125] \"°C\" Vector__XXX";
    QTest::newRow("identifier over 11 bits without the extended bit")
            << QByteArray("BO_ 419385573 M: 8 A\n") << "18ff50e5x M/8 A";
    QTest::newRow("multiplexing, simple and extended")
            << QByteArray("BO_ 16 M: 8 A\n SG_ S M : 0|8@1+ (1,0) [0|0] \"\" A\n"
                          " SG_ X m2 : 8|8@1+ (1,0) [0|0] \"\" A\n"
                          " SG_ Y m3M : 16|4@1+ (1,0) [0|0] \"\" A\n"
                          " SG_ Z m1 : 20|4@1+ (1,0) [0|0] \"\" A\n"
                          "SG_MUL_VAL_ 16 Z Y 1-1, 4-6;\n")
            << "10 M/8 A\n S M 0|8@1+ (1,0) [0|0] \"\" A\n X m2 8|8@1+ (1,0) [0|0] \"\" A\n"
               " Y m3M 16|4@1+ (1,0) [0|0] \"\" A\n"
               " Z m1 20|4@1+ (1,0) [0|0] \"\" A by Y 1-1 4-6";
    QTest::newRow("comments over lines with quotes, cycle time, value table, float")
            << QByteArray("BO_ 1 M: 8 A\n SG_ S : 0|32@1- (1,0) [0|0] \"\" A\n"
                          " SG_ G : 32|2@1+ (1,0) [0|0] \"\" A\n"
                          "CM_ \"network\";\nCM_ BU_ A \"node\";\n"
                          "CM_ BO_ 1 \"first\n \\\"second\\\" line\";\n"
                          "CM_ SG_ 1 S \"a; b\";\n"
                          "BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 65535;\n"
                          "BA_ \"GenMsgCycleTime\" BO_ 1 100;\nBA_ \"Other\" BO_ 1 7;\n"
                          "VAL_ 1 G 0 \"Park\" 3 \"Drive\"\n 2 \"Neutral\" ;\n"
                          "SIG_VALTYPE_ 1 S : 1;\n")
            << "1 M/8 A 100ms \"first\n \"second\" line\"\n"
               " S 0|32@1- (1,0) [0|0] \"\" A float \"a; b\"\n"
               " G 32|2@1+ (1,0) [0|0] \"\" A 0=Park 2=Neutral 3=Drive";
    QTest::newRow("references before the message, unknown sections read past")
            << QByteArray("VAL_TABLE_ T 1 \"x\" ;\nCM_ BO_ 5 \"early\";\nEV_ E: 0 [0|1] \"\" 0 1 "
                          "DUMMY_NODE_VECTOR0 Vector__XXX;\nBO_TX_BU_ 5 : A,B;\n"
                          "SIG_GROUP_ 5 G 1 : S;\nBO_ 5 M: 1 A\n SG_ S : 0|1@1+ (1,0) [0|0] \"\""
                          " A\nVAL_ E 0 \"env\" ;\n")
            << "5 M/1 A \"early\"\n S 0|1@1+ (1,0) [0|0] \"\" A";
    QTest::newRow("the placeholder message")
            << QByteArray("BO_ 3221225472 VECTOR__INDEPENDENT_SIG_MSG: 0 Vector__XXX\n"
                          " SG_ Lone : 0|8@1+ (1,0) [0|0] \"\" Vector__XXX\n")
            << "40000000x VECTOR__INDEPENDENT_SIG_MSG/0 Vector__XXX\n"
               " Lone 0|8@1+ (1,0) [0|0] \"\" Vector__XXX";
}

void tst_Dbc::read()
{
    QFETCH(QByteArray, dbc);
    QFETCH(QString, expected);
    const DbcReadResult result = readDbc(Header + dbc);
    QCOMPARE(result.error, QString());
    QCOMPARE(result.skipped, QStringList());
    QCOMPARE(summary(result.database), expected);
    // Every message but the placeholder is found by its identifier.
    for (const DbcMessage &message : result.database.messages) {
        const bool placeholder = message.name == QLatin1String("VECTOR__INDEPENDENT_SIG_MSG");
        QCOMPARE(result.database.find(message.identifier, message.extended),
                 placeholder ? nullptr : &message);
        QCOMPARE(result.database.find(message.identifier, !message.extended), nullptr);
    }
}

void tst_Dbc::flaws_data()
{
    QTest::addColumn<QByteArray>("dbc");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("skipped");
    QTest::addColumn<int>("messages");

    const QByteArray good = "BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n";
    QTest::newRow("signal cut short")
            << good + " SG_ T : 8|8@1+ (1,0) [0|0]\n SG_ U : 16|8@1+ (1,0\n"
            << QString()
            << QStringList{ "line 3: expected the unit in quotes", "line 4: expected ')'" } << 1;
    QTest::newRow("m without a number")
            << good + " SG_ T m : 8|8@1+ (1,0) [0|0] \"\" A\n"
            << QString() << QStringList{ "line 3: expected a multiplexor value after 'm'" } << 1;
    QTest::newRow("bad lengths and byte order")
            << good
                    + " SG_ T : 8|0@1+ (1,0) [0|0] \"\" A\n SG_ U : 8|65@1+ (1,0) [0|0] \"\" A\n"
                      " SG_ V : 8|8@2+ (1,0) [0|0] \"\" A\nBO_ 2 N: 65 A\n"
            << QString()
            << QStringList{ "line 3: expected a signal length of 1 to 64 bits",
                            "line 4: expected a signal length of 1 to 64 bits",
                            "line 5: expected the byte order @0 or @1",
                            "line 6: expected a length of 0 to 64 bytes" }
            << 1;
    QTest::newRow("identifiers that are no CAN identifier, and their signals")
            << "BO_ 536870912 Big: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n"
               "BO_ 3221225473 Bit30: 8 A\n"
                    + good + "BO_ 1 Again: 8 A\n"
            << QString()
            << QStringList{ "line 1: identifier is not a CAN identifier",
                            "line 3: identifier is not a CAN identifier",
                            "line 6: message 1 defined again" }
            << 1;
    QTest::newRow("references that do not parse, quote left open")
            << good
                    + "CM_ SG_ 1 \"no name\";\nVAL_ 1 S 0 \"a\" 1 ;\nBA_ GenMsgCycleTime;\n"
                      "SIG_VALTYPE_ 1 S : 1;\nCM_ \"open\n"
            << QString()
            << QStringList{ "line 3: expected the signal's name",
                            "line 4: expected the value's text in quotes",
                            "line 5: expected the attribute's name in quotes",
                            "line 6: expected a 32-bit float or a 64-bit double signal",
                            "line 7: expected the closing '\"' of a text" }
            << 1;
    QTest::newRow("signal before any message")
            << " SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n" + good << QString()
            << QStringList{ "line 1: signal outside a message" } << 1;
    QTest::newRow("not a DBC") << QByteArray("\n\n(1700000000.0) can0 123#00\n")
                               << "line 3: expected a DBC keyword such as VERSION, NS_, BU_ or "
                                  "BO_ (not a DBC file)"
                               << QStringList() << 0;
    QTest::newRow("binary") << QByteArray("BO_ \0\1\2", 7)
                            << "line 1: expected text (not a DBC file)" << QStringList() << 0;
    QTest::newRow("no message") << QByteArray("VERSION \"\"\nNS_ :\n\tBO_\nBU_: A\n")
                                << "line 5: expected a message (BO_)" << QStringList() << 0;
    QTest::newRow("only flawed messages")
            << QByteArray("VERSION \"\"\nBO_ x M: 8 A\n") << "line 3: expected a message (BO_)"
            << QStringList() << 0;
    QTest::newRow("empty") << QByteArray() << "line 1: expected a message (BO_)" << QStringList()
                           << 0;
}

void tst_Dbc::flaws()
{
    QFETCH(QByteArray, dbc);
    QFETCH(QString, error);
    QFETCH(QStringList, skipped);
    QFETCH(int, messages);
    const DbcReadResult result = readDbc(dbc);
    QCOMPARE(result.error, error);
    QCOMPARE(result.skipped, skipped);
    QCOMPARE(result.skippedLines, skipped.size());
    QCOMPARE(int(result.database.messages.size()), messages);
}

void tst_Dbc::codePage()
{
    const QByteArray cp1252 = "BO_ 1 M\xE4: 8 A\n SG_ T : 0|8@1+ (1,0) [0|0] \"\xB0"
                              "C\" A\n"
                              "CM_ SG_ 1 T \"\x80 \x93q\x94\";\n";
    DbcReadResult result = readDbc(cp1252);
    QCOMPARE(result.error, QString());
    QCOMPARE(result.database.messages.at(0).name, QString::fromUtf8("Mä"));
    const DbcSignal &signal = result.database.messages.at(0).signalList.at(0);
    QCOMPARE(signal.unit, QString::fromUtf8("°C"));
    QCOMPARE(signal.comment, QString::fromUtf8("€ “q”"));
    // The same text in UTF-8, with a byte order mark, is read as UTF-8.
    result = readDbc("\xEF\xBB\xBF" + QString::fromUtf8("BO_ 1 Mä: 8 A\n").toUtf8());
    QCOMPARE(result.error, QString());
    QCOMPARE(result.database.messages.at(0).name, QString::fromUtf8("Mä"));
}

void tst_Dbc::decode_data()
{
    QTest::addColumn<QByteArray>("definition"); // the SG_ line's text after "SG_ S : "
    QTest::addColumn<QByteArray>("extra"); // lines after the message
    QTest::addColumn<QByteArray>("data"); // hex
    QTest::addColumn<bool>("present");
    QTest::addColumn<qint64>("raw");
    QTest::addColumn<double>("physical");

    const QByteArray none;
    QTest::newRow("Intel 1 bit at 13")
            << QByteArray("13|1@1+ (1,0)") << none << QByteArray("0020") << true << 1ll << 1.0;
    QTest::newRow("Intel 7 bits at 3")
            << QByteArray("3|7@1+ (1,0)") << none << QByteArray("a802") << true << 0x55ll << 85.0;
    QTest::newRow("Intel 12 bits at 4") << QByteArray("4|12@1+ (1,0)") << none << QByteArray("f0ab")
                                        << true << 0xABFll << 2751.0;
    QTest::newRow("Intel 33 bits at 5")
            << QByteArray("5|33@1+ (1,0)") << none << QByteArray("2000000020") << true
            << 0x100000001ll << 4294967297.0;
    QTest::newRow("Intel 64 bits, unsigned")
            << QByteArray("0|64@1+ (1,0)") << none << QByteArray("ffffffffffffffff") << true << -1ll
            << 18446744073709551615.0;
    QTest::newRow("Motorola 12 bits at 7") << QByteArray("7|12@0+ (1,0)") << none
                                           << QByteArray("1234") << true << 0x123ll << 291.0;
    QTest::newRow("Motorola 7 bits at 5")
            << QByteArray("5|7@0+ (1,0)") << none << QByteArray("2a80") << true << 0x55ll << 85.0;
    QTest::newRow("Motorola 1 bit at 0")
            << QByteArray("0|1@0+ (1,0)") << none << QByteArray("01") << true << 1ll << 1.0;
    QTest::newRow("Motorola 33 bits at 3")
            << QByteArray("3|33@0+ (1,0)") << none << QByteArray("0900000008") << true
            << 4831838209ll << 4831838209.0;
    QTest::newRow("Motorola 64 bits, signed")
            << QByteArray("7|64@0- (1,0)") << none << QByteArray("8000000000000001") << true
            << -9223372036854775807ll << -9223372036854775807.0;
    QTest::newRow("signed Intel, factor and offset")
            << QByteArray("0|12@1- (0.5,10)") << none << QByteArray("ff0f") << true << -1ll << 9.5;
    QTest::newRow("signed Motorola") << QByteArray("7|16@0- (0.01,0)") << none << QByteArray("ff38")
                                     << true << -200ll << -2.0;
    QTest::newRow("positive signed value")
            << QByteArray("0|8@1- (1,0)") << none << QByteArray("7f") << true << 127ll << 127.0;
    QTest::newRow("temperature, offset") << QByteArray("8|8@1+ (0.5,-40)") << none
                                         << QByteArray("0064") << true << 100ll << 10.0;
    QTest::newRow("small factor") << QByteArray("0|16@1+ (9.53E-007,0)") << none
                                  << QByteArray("1027") << true << 10000ll << 0.00953;
    QTest::newRow("float, factor and offset")
            << QByteArray("0|32@1- (2,1)") << QByteArray("SIG_VALTYPE_ 1 S : 1;")
            << QByteArray("0000c03f") << true << 0x3FC00000ll << 4.0;
    QTest::newRow("double, Motorola")
            << QByteArray("7|64@0- (1,0)") << QByteArray("SIG_VALTYPE_ 1 S : 2;")
            << QByteArray("c004000000000000") << true << qint64(0xC004000000000000ull) << -2.5;
    QTest::newRow("Intel beyond a short frame")
            << QByteArray("12|12@1+ (1,0)") << none << QByteArray("ffff") << false << 0ll << 0.0;
    QTest::newRow("Motorola beyond a short frame")
            << QByteArray("7|12@0+ (1,0)") << none << QByteArray("12") << false << 0ll << 0.0;
    QTest::newRow("beyond the 8 bytes of a frame")
            << QByteArray("70|8@1+ (1,0)") << none << QByteArray("0102030405060708") << false << 0ll
            << 0.0;
}

void tst_Dbc::decode()
{
    QFETCH(QByteArray, definition);
    QFETCH(QByteArray, extra);
    QFETCH(QByteArray, data);
    QFETCH(bool, present);
    QFETCH(qint64, raw);
    QFETCH(double, physical);
    const DbcReadResult result =
            readDbc("BO_ 1 M: 16 A\n SG_ S : " + definition + " [0|0] \"\" A\n" + extra + "\n");
    QCOMPARE(result.skipped, QStringList());
    const DbcMessage &message = result.database.messages.at(0);
    const QByteArray bytes = QByteArray::fromHex(data);
    const DecodedSignal decoded =
            decodeSignal(message.signalList.at(0),
                         reinterpret_cast<const quint8 *>(bytes.constData()), int(bytes.size()));
    QCOMPARE(decoded.present, present);
    if (!present)
        return;
    QCOMPARE(decoded.raw, raw);
    QCOMPARE(decoded.rawUnsigned, quint64(raw) & (~quint64(0) >> (64 - decoded.signal->length)));
    QVERIFY2(std::abs(decoded.physical - physical) <= 1e-9 * std::max(1.0, std::abs(physical)),
             qPrintable(QString::number(decoded.physical, 'g', 17)));
}

void tst_Dbc::multiplexing_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("shown");

    // Mode selects A (0) or B (1, 2); B's Sub (when B is shown) selects C at 4 to 6.
    QTest::newRow("multiplexor 0") << QByteArray("00ff0f") << "Mode=0 Always=15 A=255";
    QTest::newRow("multiplexor 1, sub 5") << QByteArray("01ff05") << "Mode=1 Always=5 Sub=5 C=15";
    QTest::newRow("multiplexor 1, sub 3") << QByteArray("01ff03") << "Mode=1 Always=3 Sub=3";
    QTest::newRow("multiplexor 2: nothing selected") << QByteArray("02ff05") << "Mode=2 Always=5";
    QTest::newRow("frame too short for A") << QByteArray("00") << "Mode=0";
    QTest::newRow("no data: not even the multiplexor") << QByteArray() << "";
}

void tst_Dbc::multiplexing()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, shown);
    const DbcReadResult result = readDbc("BO_ 9 M: 3 A\n"
                                         " SG_ Mode M : 0|8@1+ (1,0) [0|0] \"\" A\n"
                                         " SG_ A m0 : 8|8@1+ (1,0) [0|0] \"\" A\n"
                                         " SG_ Sub m1M : 16|4@1+ (1,0) [0|0] \"\" A\n"
                                         " SG_ C m4 : 12|4@1+ (1,0) [0|0] \"\" A\n"
                                         " SG_ Always : 16|4@1+ (1,0) [0|0] \"\" A\n"
                                         "SG_MUL_VAL_ 9 C Sub 4-6;\n");
    QCOMPARE(result.skipped, QStringList());
    CanFrame frame;
    frame.identifier = 9;
    const QByteArray bytes = QByteArray::fromHex(data);
    frame.length = quint8(bytes.size());
    std::copy(bytes.begin(), bytes.end(), frame.data.begin());
    QStringList names;
    for (const DecodedSignal &d : decodeMessage(result.database.messages.at(0), frame))
        names << QStringLiteral("%1=%2").arg(d.signal->name).arg(d.raw);
    names.sort();
    QStringList expected = shown.split(u' ', Qt::SkipEmptyParts);
    expected.sort();
    QCOMPARE(names, expected);
}

void tst_Dbc::demoBus()
{
    QFile file(QStringLiteral(TALVIK_SOURCE_DIR "/docs/demo.dbc"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const DbcReadResult result = readDbc(file.readAll());
    QCOMPARE(result.error, QString());
    QCOMPARE(result.skipped, QStringList());
    // Each of the simulator's demo frames decodes, within its signals' ranges, and moves.
    for (const quint32 id : { 0x101u, 0x18FF50E5u, 0x321u }) {
        const DbcMessage *message = result.database.find(id, id > 0x7FF);
        QVERIFY(message);
        QVERIFY(message->cycleTimeMs > 0);
        QSet<QString> values;
        for (quint32 tick = 0; tick < 400; tick += 7) {
            CanFrame frame;
            frame.identifier = id;
            frame.extended = id > 0x7FF;
            frame.length = quint8(message->length);
            fillDemoFrame(frame, tick);
            const std::vector<DecodedSignal> decoded = decodeMessage(*message, frame);
            QVERIFY(!decoded.empty());
            for (const DecodedSignal &d : decoded) {
                QVERIFY2(d.physical >= d.signal->minimum - 1e-9
                                 && d.physical <= d.signal->maximum + 1e-9,
                         qPrintable(QStringLiteral("%1 = %2").arg(d.signal->name).arg(d.physical)));
                values.insert(d.signal->name + QString::number(d.physical));
            }
        }
        QVERIFY(values.size() > 30);
    }
}

void tst_Dbc::decodeTool_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("expected");

    QTest::newRow("text") << QStringList()
                          << "1700000000.012345 123 EngineData EngineSpeed=5000.25 rpm "
                             "GearState=3 \"Drive\"\n"
                             "1700000000.500000 7DF\n"
                             "1700000001.000000 18FF50E5 Pack Page=1 Current=-2.5 A\n";
    QTest::newRow("json")
            << QStringList{ "--json" }
            << "{\"time\": 1700000000.012345, \"id\": 291, \"extended\": false, \"message\": "
               "\"EngineData\", \"signals\": {\"EngineSpeed\": {\"raw\": 20001, \"value\": "
               "5000.25, \"unit\": \"rpm\"}, \"GearState\": {\"raw\": 3, \"value\": 3, \"unit\": "
               "\"\", \"text\": \"Drive\"}}}\n"
               "{\"time\": 1700000000.500000, \"id\": 2015, \"extended\": false, \"message\": "
               "null, \"signals\": {}}\n"
               "{\"time\": 1700000001.000000, \"id\": 419385573, \"extended\": true, \"message\": "
               "\"Pack\", \"signals\": {\"Page\": {\"raw\": 1, \"value\": 1, \"unit\": \"\"}, "
               "\"Current\": {\"raw\": -50, \"value\": -2.5, \"unit\": \"A\"}}}\n";
}

void tst_Dbc::decodeTool()
{
    QFETCH(QStringList, options);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QFile dbc(dir.filePath(QStringLiteral("bus.dbc")));
    QVERIFY(dbc.open(QIODevice::WriteOnly));
    dbc.write("VERSION \"\"\nBO_ 291 EngineData: 8 A\n"
              " SG_ EngineSpeed : 0|16@1+ (0.25,0) [0|0] \"rpm\" B\n"
              " SG_ GearState : 16|3@1+ (1,0) [0|0] \"\" B\n"
              "BO_ 2566869221 Pack: 8 A\n SG_ Page M : 0|8@1+ (1,0) [0|0] \"\" B\n"
              " SG_ Voltage m0 : 8|16@1+ (0.01,0) [0|0] \"V\" B\n"
              " SG_ Current m1 : 8|16@1- (0.05,0) [0|0] \"A\" B\n"
              "VAL_ 291 GearState 3 \"Drive\" ;\n");
    dbc.close();
    const QByteArray log = "(1700000000.012345) can0 123#214E03 R\nnot a frame\n"
                           "(1700000000.500000) can0 7DF#0201 T\n"
                           "(1700000001.000000) can0 18FF50E5#01CEFF\n";
    QFile logFile(dir.filePath(QStringLiteral("bus.log")));
    QVERIFY(logFile.open(QIODevice::WriteOnly));
    logFile.write(log);
    logFile.close();

    // From the file, and from standard input ("-" and no argument).
    const QList<QStringList> sources{ { logFile.fileName() }, { "-" }, {} };
    for (const QStringList &source : sources) {
        QProcess tool;
        tool.start(QStringLiteral(TALVIK_DECODE), options + QStringList{ dbc.fileName() } + source);
        QVERIFY(tool.waitForStarted());
        if (source != QStringList{ logFile.fileName() })
            tool.write(log);
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.readAllStandardError(), QByteArray());
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()), expected);
    }
}

void tst_Dbc::decodeToolRefusesBadDatabase()
{
    QTemporaryDir dir;
    QFile dbc(dir.filePath(QStringLiteral("bad.dbc")));
    QVERIFY(dbc.open(QIODevice::WriteOnly));
    dbc.write("VERSION \"\"\nBU_: A\n");
    dbc.close();
    for (const QString &path : { dbc.fileName(), dir.filePath(QStringLiteral("missing.dbc")) }) {
        QProcess tool;
        tool.start(QStringLiteral(TALVIK_DECODE), { path });
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 1);
        const QString error = QString::fromUtf8(tool.readAllStandardError());
        QVERIFY2(error.startsWith(QStringLiteral("talvik-decode: ") + path + ": "),
                 qPrintable(error));
        if (path == dbc.fileName())
            QVERIFY2(error.contains(QLatin1String("line 3: expected a message (BO_)")),
                     qPrintable(error));
    }
}

QTEST_APPLESS_MAIN(tst_Dbc)
#include "tst_dbc.moc"
