#include "bitrate.h"
#include "cfgfile.h"
#include "commands.h"
#include "hexbytes.h"
#include "streamdecoder.h"

#include <QTest>

namespace {

QByteArray variable(const CanFrame &f)
{
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^\\d+$"));
    return encodeVariableFrame(f);
}

QByteArray fixedMessage(quint8 type, const QByteArray &body)
{
    QByteArray m = hex("AA 55") + char(type) + body.leftJustified(16, '\0', true) + '\0';
    m[19] = char(fixedChecksum(m));
    return m;
}

// What the receive loop makes of `chunks`, one text a message (identifier, v(ariable
// framing), x(tended), r(emote), ?(unknown type), ':' data), then "+" and the bytes kept.
QString decoded(const QList<QByteArray> &chunks, QByteArray &pending)
{
    QStringList texts;
    for (const QByteArray &chunk : chunks) {
        pending += chunk;
        qsizetype pos = 0;
        ReceivedMessage m;
        while (decodeNextMessage(pending, pos, m)) {
            const CanFrame &f = m.frame;
            texts << (m.kind == ReceivedMessage::BusStatusReply ? busStatusText(m.status)
                                                                : QString::number(f.identifier, 16)
                                      + (m.variableFraming ? "v" : "") + (f.extended ? "x" : "")
                                      + (f.remote ? "r" : "") + (m.frameTypeKnown ? ":" : "?:")
                                      + QByteArray((const char *)f.data.data(), f.length).toHex());
        }
        pending.remove(0, pos);
    }
    return texts.join(' ');
}

} // namespace

// The converter's bytes: frames sent and received in both framings, commands, cfg.txt.
class tst_Link : public QObject
{
    Q_OBJECT

private slots:
    void encode_data()
    {
        QTest::addColumn<QString>("idText");
        QTest::addColumn<QString>("dataText");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<QByteArray>("fixed");
        QTest::addColumn<QByteArray>("variable");

        QTest::newRow("standard 0x123") << "0x123" << "11 22 33" << false
                << hex("AA 55 01 01 01 23 01 00 00 03 11 22 33 00 00 00 00 00 00 90")
                << hex("AA C3 23 01 11 22 33 55");
        QTest::newRow("extended 0x123") << "0x123" << "11 22 33" << true
                << hex("AA 55 01 02 01 23 01 00 00 03 11 22 33 00 00 00 00 00 00 91")
                << hex("AA E3 23 01 00 00 11 22 33 55");
        QTest::newRow("standard identifier never narrowed to 11 bits") << "ABCDE" << "01" << false
                << hex("AA 55 01 01 01 DE BC 0A 00 01 01 00 00 00 00 00 00 00 00 A9")
                << hex("AA C1 DE BC 01 55");
    }

    void encode()
    {
        QFETCH(QString, idText);
        QFETCH(QString, dataText);
        QFETCH(bool, extended);
        QFETCH(QByteArray, fixed);
        QFETCH(QByteArray, variable);
        const CanFrame frame = frameFromTexts(idText, ::parseHexBytes(dataText), extended);
        QCOMPARE(encodeFixedFrame(frame).toHex(' '), fixed.toHex(' '));
        // The window traces the length of what it sends in the variable framing.
        QTest::ignoreMessage(QtDebugMsg, QByteArray::number(variable.size()).constData());
        QCOMPARE(encodeVariableFrame(frame).toHex(' '), variable.toHex(' '));
    }

    // Each stream fed whole, split in two at every position, and a byte at a time.
    void decode_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QString>("messages");
        const auto fixed = [](quint32 id, const char *data) {
            return encodeFixedFrame(canFrame(id, hex(data)));
        };
        const QByteArray eight = hex("01 02 03 04 05 06 07 08");
        QTest::newRow("both framings")
                << fixed(0x123, "11 22 33") + variable(canFrame(0x18FF50E5, hex("01"), true))
                        + variable(canFrame(0x7FF, {}, false, true)) + fixed(0x10, "00 11 22 77")
                << "123:112233 18ff50e5vx:01 7ffvr: 10:00112277";
        QTest::newRow("garbage costs no frame, a lone last byte is kept")
                << hex("00 55 AA 12 AA AA") + fixed(1, "01") + hex("FF AA 00 55")
                        + variable(canFrame(2, hex("02"))) + hex("13")
                << "1:01 2v:02 +13";
        QTest::newRow("bad checksum") << hex("AA 55 01 01") + fixed(0x42, "42") << "42:42";
        QTest::newRow("variable candidate without its end")
                << hex("AA C8 01") + variable(canFrame(0x42, hex("42"))) + QByteArray(10, 0)
                << "42v:42 +00";
        QTest::newRow("fixed frame inside a variable candidate")
                << hex("AA CF") + fixed(0x42, "42") << "42:42";
        QTest::newRow("other message types consumed")
                << fixedMessage(0x02, hex("01 02 03")) + fixedMessage(0x06, {}) << "";
        QTest::newRow("remote, unknown type, identifier not masked")
                << fixedMessage(0x01, hex("03 02 00 00 00 80 02 a1 b2")) << "80000000r?:a1b2";
        QTest::newRow("fixed length 9 shows 8")
                << fixedMessage(0x01, hex("01 01 05 00 00 00 09") + eight) << "5:0102030405060708";
        QTest::newRow("variable length 15 spans 15, shows 8") << hex("AA CF 05 00") + eight
                        + hex("09 0a 0b 0c 0d 0e 0f 55") << "5v:0102030405060708";
        QTest::newRow("bus off")
                << fixedMessage(0x04, hex("00 00 ff ff 01 01 01"))
                << "总线状态:离线, 错误被动, 发送错误计数器  = 255, 接受错误计数器 = 255";
    }

    void decode()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QString, messages);
        QByteArray kept;
        const QString whole = decoded({ stream }, kept);
        QCOMPARE(kept.isEmpty() ? whole : whole + " +" + kept.toHex(), messages);
        const QString frames = messages.section(" +", 0, 0);
        for (int cut = 1; cut < stream.size(); ++cut) {
            kept.clear();
            QCOMPARE(decoded({ stream.left(cut), stream.mid(cut) }, kept), frames);
        }
        kept.clear();
        QStringList oneByOne;
        for (char byte : stream) {
            oneByOne << decoded({ QByteArray(1, byte) }, kept);
            QVERIFY(kept.size() <= 22);
        }
        oneByOne.removeAll(QString());
        QCOMPARE(oneByOne.join(' '), frames);
    }

    // What the program makes of a text, a setting or a cfg.txt line (actual, expected).
    // CanSetup: manual timing, variable framing, preset, frame type, filter, mask, mode,
    // retransmit, sync, bs1, bs2, prescaler.
    void examples_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        const auto spaced = [](const QByteArray &bytes) { return QString(bytes.toHex(' ')); };
        const auto id = [](const char *text) { return QString::number(parseHexId(text), 16); };
        QTest::newRow("id 80000000 out of range") << id("80000000") << "0";
        QTest::newRow("id minus one is all ones") << id("-1") << "ffffffff";
        const auto bytes = [](const QString &text) {
            const HexBytes parsed = parseHexBytes(text);
            const CanFrame f = frameFromTexts("1", parsed, false, true);
            return QStringLiteral("%1%2%3 ")
                           .arg(parsed.tokenCount)
                           .arg(parsed.fitsClassicFrame() ? "" : "!")
                           .arg(f.fd ? (f.bitRateSwitch ? " FD BRS" : " FD") : "")
                    + QByteArray((const char *)f.data.data(), f.length).toHex(' ');
        };
        QTest::newRow("bytes: low 8 bits") << bytes("7f 1FF") << "2 7f ff";
        QTest::newRow("bytes: two blanks hold an empty token") << bytes("00  11") << "3 00 00 11";
        QTest::newRow("bytes: blanks at the ends") << bytes(" 11 22 ") << "2 11 22";
        QTest::newRow("bytes: ten tokens, an FD frame padded to 12")
                << bytes("01 02 03 04 05 06 07 08 09 0a")
                << "10! FD BRS 01 02 03 04 05 06 07 08 09 0a 00 00";
        QTest::newRow("bytes: 65 tokens, 64 kept")
                << bytes(QString("ff ").repeated(64) + "01")
                << "65! FD BRS " + QString("ff ").repeated(63) + "ff";
        QString fdLengths;
        for (int count : { 0, 8, 9, 12, 13, 20, 21, 24, 25, 32, 33, 48, 49, 64, 70 })
            fdLengths += QString::number(fdLengthFor(count)) + ' ';
        QTest::newRow("FD lengths") << fdLengths << "0 8 12 12 16 20 24 24 32 32 48 48 64 64 64 ";
        QString rates;
        for (const char *text : { "2M", "500k", "2.5M", " 8000000 ", "M", "0", "fast" })
            rates += QString::number(bitRateFromText(text).value_or(-1)) + ' ';
        QTest::newRow("bit rates typed") << rates << "2000000 500000 2500000 8000000 -1 -1 -1 ";
        QTest::newRow("rate: 83.333") << bitRateText(0, 5, 4, 36) << "83.333kbps";
        QTest::newRow("rate: prescaler 1024") << bitRateText(0, 5, 4, 1024) << " ";
        const auto setStart = [&](const CanSetup &setup) { return spaced(setStartCommand(setup)); };
        QTest::newRow("set-start preset 1M fixed")
                << setStart({}) << "aa 55 02 01 01 00 00 00 00 00 00 00 00 00 01 00 00 00 00 05";
        QTest::newRow("set-start manual fixed")
                << setStart({ true, false, 0, 0, 0x123, 0x7FF, 0, true, 0, 5, 4, 3 })
                << "aa 55 03 01 01 23 01 00 00 ff 07 00 00 00 05 04 03 00 00 3b";
        const quint32 allOnes = parseHexId("FFFFFFFF");
        QTest::newRow("set-start manual variable, all else off default")
                << setStart({ true, true, 0, 1, allOnes, 0x1FFFFFFF, 3, false, 0, 5, 4, 1023 })
                << "aa 55 13 00 02 00 00 00 00 ff ff ff 1f 00 05 04 ff 03 03 3f";
        QTest::newRow("set-start preset 5K silent, send once")
                << setStart({ false, false, 11, 0, 0, 0, 2, false })
                << "aa 55 02 0c 01 00 00 00 00 00 00 00 00 02 00 00 00 00 00 11";
        QTest::newRow("checksum skips the header and itself")
                << QString::number(fixedChecksum(hex("AA 55") + QByteArray(17, '\xFF') + '\x77'))
                << QString::number(quint8(17 * 0xFF));
        QTest::newRow("bus status query") << spaced(busStatusQuery())
                << "aa 55 04 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 04";
        QTest::newRow("baud rate 9600") << spaced(baudRateCommand(5))
                << "aa 55 06 05 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0b";
        const QList<quint32> two{ 0x123, 0x18FF50E5 };
        QTest::newRow("receive all, list ignored")
                << spaced(receiveIdCommand(UploadMode::All, two)) << "aa 55 11 00 11";
        QTest::newRow("receive not listed") << spaced(receiveIdCommand(UploadMode::NotListed, two))
                << "aa 55 11 02 23 01 00 00 e5 50 ff 18 83";
        QTest::newRow("receive only listed")
                << spaced(receiveIdCommand(UploadMode::OnlyListed, two))
                << "aa 55 10 02 23 01 00 00 e5 50 ff 18 82";
        StoredCanConfig c{ "2000000",     "正常模式", "标准帧",       "1M",       "CAN_BS1_6tq",
                           "CAN_BS2_5tq", "3",        "1000.000kbps", "00000000", "00000001" };
        QTest::newRow("cfg.txt line") << canConfigText(c)
                << "2000000,正常模式,标准帧,1M,CAN_BS1_6tq,CAN_BS2_5tq,3,1000.000kbps,"
                   "00000000,00000001,Manual BPS FALSE,SendAlways,Fixed,";
        c.manualTiming = c.sendOnce = true;
        c.fixedFraming = false;
        const auto back = canConfigFromFields(canConfigText(c).split(','));
        QTest::newRow("cfg.txt line read back")
                << (back ? canConfigText(*back) : QString()) << canConfigText(c);
    }

    void examples()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }
};

QTEST_APPLESS_MAIN(tst_Link)
#include "tst_link.moc"
