// Message checksums: CRC check values, the notes' worked frames, the texts.
#include "checksum.h"

#include <QTest>

namespace {
CanFrame frame(quint32 id, const QByteArray &hexBytes)
{
    const QByteArray bytes = QByteArray::fromHex(hexBytes);
    CanFrame f;
    f.identifier = id;
    f.length = quint8(bytes.size());
    std::copy(bytes.begin(), bytes.end(), f.data.begin());
    return f;
}

ChecksumAlgorithm parsed(const QString &text)
{
    QString error;
    const std::optional<ChecksumAlgorithm> c = parseChecksumAlgorithm(text, &error);
    if (!c)
        qFatal("%s refused: %s", qPrintable(text), qPrintable(error));
    return *c;
}

quint32 checksum(const QString &text, const CanFrame &f, quint64 checksumBytes = 0)
{
    return computeChecksum(parsed(text), f, checksumBytes);
}

bool same(const ChecksumAlgorithm &a, const ChecksumAlgorithm &b)
{
    return a.kind == b.kind && a.width == b.width && a.poly == b.poly && a.init == b.init
            && a.xorOut == b.xorOut && a.reflectIn == b.reflectIn && a.reflectOut == b.reflectOut
            && a.firstByte == b.firstByte && a.lastByte == b.lastByte
            && a.dataIdPlace == b.dataIdPlace && a.dataId == b.dataId && a.p01Mode == b.p01Mode
            && a.dataIdList == b.dataIdList;
}
} // namespace

class tst_Checksum : public QObject
{
    Q_OBJECT

private slots:
    void checkValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("check");
        QTest::newRow("sae-j1850") << "crc8-sae-j1850" << 0x4Bu;
        QTest::newRow("h2f") << "crc8-h2f" << 0xDFu;
        QTest::newRow("gsm-a") << "crc8-gsm-a" << 0x37u;
        QTest::newRow("xmodem") << "crc16-xmodem" << 0x31C3u;
        QTest::newRow("maxim") << "crc8:poly=0x31,init=0,xorout=0,refin=1,refout=1" << 0xA1u;
        QTest::newRow("x-25") << "CRC16:INIT=0XFFFF,xorout=0xffff,refin=1,refout=1" << 0x906Eu;
    }
    void checkValues()
    {
        QFETCH(QString, text);
        QFETCH(quint32, check);
        QCOMPARE(crcOf(parsed(text), reinterpret_cast<const quint8 *>("123456789"), 9), check);
    }

    void workedFrames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("identifier");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("position");
        QTest::addColumn<quint32>("expected");
        // Stale values in the checksum's own byte must not count.
        const QByteArray d = "123456789abcdeff", e2e = "ee05112233445566";
        QTest::newRow("sae-j1850") << "crc8-sae-j1850" << 0u << d << 7 << 0xB1u;
        QTest::newRow("h2f") << "crc8-h2f" << 0u << d << 7 << 0x30u;
        QTest::newRow("gsm-a") << "crc8-gsm-a" << 0u << d << 7 << 0xBBu;
        QTest::newRow("xor8") << "xor8" << 0u << d << 7 << 0xF0u;
        QTest::newRow("sum8") << "sum8" << 0u << d << 7 << 0x48u;
        QTest::newRow("toyota") << "toyota" << 0x2E4u << d << 7 << 0x36u;
        QTest::newRow("xor-init") << "xor-init:init=0x0f" << 0u << d << 7 << 0xFFu;
        QTest::newRow("sum8 init") << "sum8:init=0xb8" << 0u << d << 7 << 0x00u;
        QTest::newRow("subaru") << "subaru" << 0x2E4u << d << 0 << 0x1Bu;
        QTest::newRow("tesla") << "tesla" << 0x370u << d << 7 << 0xBBu;
        QTest::newRow("honda") << "honda" << 0x1A6u << d << 7 << 0xFu;
        QTest::newRow("honda extended") << "honda" << 0x18DAF110u << d << 7 << 0x2u;
        const QString p01 = "e2e-p01:dataid=0x1234";
        QTest::newRow("p01 both") << p01 << 0u << e2e << 0 << 0xA9u;
        QTest::newRow("p01 alt odd") << p01 + ",p01mode=alt" << 0u << e2e << 0 << 0x02u;
        QTest::newRow("p01 alt even")
                << p01 + ",p01mode=alt" << 0u << QByteArray("ee06112233445566") << 0 << 0x15u;
        QTest::newRow("p01 low") << p01 + ",p01mode=low" << 0u << e2e << 0 << 0xF2u;
        QTest::newRow("p01 nibble") << p01 + ",p01mode=nibble" << 0u << e2e << 0 << 0x8Eu;
        QTest::newRow("p02") << "e2e-p02:dataids=1/2/3/4/5/0x2a/7" << 0u << e2e << 0 << 0xBFu;
        QTest::newRow("p02 short list") << "e2e-p02:dataids=1/2" << 0u << e2e << 0 << 0xC5u;
        // The data ID fed before the covered bytes unless placed after them:
        // 34 12 0A 0B 0C, 0A 0B 0C 34 12, and 0A 0B 0C 56 for a one-byte ID.
        const QString sae = "crc8-sae-j1850:dataid=0x1234";
        const QByteArray abc = "0a0b0c00";
        QTest::newRow("dataid before") << sae << 0u << abc << 3 << 0x95u;
        QTest::newRow("dataid after") << sae + ",dataidplace=after" << 0u << abc << 3 << 0x84u;
        QTest::newRow("one-byte dataid after")
                << "crc8:dataidplace=after,dataid=0x56" << 0u << abc << 3 << 0x85u;
    }
    void workedFrames()
    {
        QFETCH(QString, text);
        QFETCH(quint32, identifier);
        QFETCH(QByteArray, bytes);
        QFETCH(int, position);
        QFETCH(quint32, expected);
        QCOMPARE(checksum(text, frame(identifier, bytes), quint64(1) << position), expected);
    }

    void textRoundTrip()
    {
        const QStringList names = checksumNames();
        QCOMPARE(names.size(), 15);
        QCOMPARE(names.mid(13), QStringList({ "crc8", "crc16" }));
        // These share their defaults with an earlier name, which the text picks.
        const QHash<QString, QString> earlier = { { "xor-init", "xor8" },
                                                  { "crc8", "crc8-sae-j1850" },
                                                  { "crc16", "crc16-xmodem" } };
        for (const QString &name : names) {
            const QString text = checksumAlgorithmText(parsed(name));
            QVERIFY2(same(parsed(text), parsed(name)), qPrintable(name + " -> " + text));
            QCOMPARE(text, earlier.value(name, name));
        }
        QCOMPARE(checksumAlgorithmText(parsed("crc8:poly=0x2f")), QStringLiteral("crc8-h2f"));
        QCOMPARE(checksumAlgorithmText(parsed("Toyota:BYTES=0-5")), QStringLiteral("toyota:bytes=0-5"));

        const ChecksumAlgorithm custom =
                parsed("crc16:poly=0x8005,init=65535,xorout=0x1,refin=1,refout=0,bytes=2-9,"
                       "dataid=0x1234,dataidplace=after,p01mode=nibble,dataids=1/0x2/0xff");
        QVERIFY(custom.kind == ChecksumAlgorithm::Kind::Crc16 && custom.poly == 0x8005
                && custom.init == 0xFFFF && custom.xorOut == 1 && custom.reflectIn
                && !custom.reflectOut && custom.firstByte == 2 && custom.lastByte == 9
                && custom.dataId == 0x1234 && custom.dataIdPlace == ChecksumAlgorithm::DataIdPlace::After
                && custom.p01Mode == ChecksumAlgorithm::P01Mode::Nibble
                && custom.dataIdList == std::vector<quint8>({ 1, 2, 0xFF }));
        QVERIFY(same(parsed(checksumAlgorithmText(custom)), custom));
        QVERIFY(parsed("crc8:dataid=0").dataIdPlace == ChecksumAlgorithm::DataIdPlace::Before);
    }

    void refused_data()
    {
        // Each row's name is the part its message must name.
        QTest::addColumn<QString>("text");
        QTest::newRow("crc9") << "crc9";
        QTest::newRow("polynom") << "crc8:polynom=7";
        QTest::newRow("key=value") << "crc8:poly";
        QTest::newRow("xyz") << "crc8:poly=xyz";
        QTest::newRow("-1") << "crc8:init=-1";
        QTest::newRow("poly") << "crc8:poly=0x107";
        QTest::newRow("init") << "crc16:init=0x10000";
        QTest::newRow("5-2") << "crc8:bytes=5-2";
        QTest::newRow("0-64") << "crc8:bytes=0-64";
        QTest::newRow("refin") << "crc8:refin=2";
        QTest::newRow("dataid") << "crc8:dataid=0x10000";
        QTest::newRow("middle") << "crc8:dataidplace=middle";
        QTest::newRow("odd") << "e2e-p01:p01mode=odd";
        QTest::newRow("dataids") << "e2e-p02:dataids=0/1/2/3/4/5/6/7/8/9/10/11/12/13/14/15/16";
    }
    void refused()
    {
        QFETCH(QString, text);
        QString error;
        QVERIFY(!parseChecksumAlgorithm(text, &error));
        QVERIFY2(error.contains(QLatin1String(QTest::currentDataTag())), qPrintable(error));
        QVERIFY(!parseChecksumAlgorithm(text));
    }

    void coveredBytes()
    {
        // One bit per byte: the XOR shows exactly which bytes counted.
        const CanFrame f = frame(0x100, "0102040810204080");
        QCOMPARE(checksum("xor8", f, 0b10000001), 0x7Eu);
        QCOMPARE(checksum("xor8:bytes=2-4", f, 0b00011100), 0x1Cu);
        QCOMPARE(checksum("xor8:bytes=6-63", f), 0xC0u);

        CanFrame two = frame(0x100, "a55a");
        two.data[2] = two.data[63] = 0x77;
        QCOMPARE(checksum("crc8:bytes=0-63", two), checksum("crc8:bytes=0-1", two));
        QCOMPARE(checksum("crc8", two), checksum("crc8:bytes=0-1", two));
        QCOMPARE(checksum("crc8:bytes=5-9", two), crcOf(parsed("crc8"), nullptr, 0));
    }
};

QTEST_APPLESS_MAIN(tst_Checksum)
#include "tst_checksum.moc"
