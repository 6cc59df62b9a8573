#include "bitrate.h"
#include "canframe.h"
#include "cfgfile.h"
#include "commands.h"
#include "hexbytes.h"

#include <QTest>

Q_DECLARE_METATYPE(CanSetup)

// Bit-rate arithmetic, the converter's command bytes and the cfg.txt line.
class tst_CanConfig : public QObject
{
    Q_OBJECT

private slots:
    void presetRates_data();
    void presetRates();
    void rateEdges_data();
    void rateEdges();
    void setStartCommand_data();
    void setStartCommand();
    void fixedCommands();
    void receiveIdCommand_data();
    void receiveIdCommand();
    void cfgLine();
};

void tst_CanConfig::presetRates_data()
{
    QTest::addColumn<int>("preset");
    QTest::addColumn<QString>("text");
    const char *texts[] = { "1000.000kbps", "800.000kbps", "500.000kbps", "400.000kbps",
                            "250.000kbps",  "200.000kbps", "125.000kbps", "100.000kbps",
                            "50.000kbps",   "20.000kbps",  "10.000kbps",  "5.000kbps" };
    for (int i = 0; i < PresetCount; ++i)
        QTest::addRow("%s", texts[i]) << i << QString(texts[i]);
}

void tst_CanConfig::presetRates()
{
    QFETCH(int, preset);
    QFETCH(QString, text);
    const BitTiming t = presetTiming(preset);
    QCOMPARE(bitRateText(0, t.bs1Index, t.bs2Index, t.prescaler), text);
}

void tst_CanConfig::rateEdges_data()
{
    QTest::addColumn<int>("bs1");
    QTest::addColumn<int>("bs2");
    QTest::addColumn<int>("prescaler");
    QTest::addColumn<QString>("text");

    QTest::newRow("largest") << 0 << 0 << 1 << "12000.000kbps";
    QTest::newRow("longest bit") << 15 << 7 << 1 << "1440.000kbps";
    QTest::newRow("1023 truncates") << 0 << 0 << 1023 << "11.730kbps";
    QTest::newRow("83.333") << 5 << 4 << 36 << "83.333kbps";
    QTest::newRow("1024") << 5 << 4 << 1024 << " ";
    QTest::newRow("0") << 5 << 4 << 0 << " ";
    QTest::newRow("-5") << 5 << 4 << -5 << " ";
}

void tst_CanConfig::rateEdges()
{
    QFETCH(int, bs1);
    QFETCH(int, bs2);
    QFETCH(int, prescaler);
    QFETCH(QString, text);
    QCOMPARE(bitRateText(0, bs1, bs2, prescaler), text);
}

void tst_CanConfig::setStartCommand_data()
{
    QTest::addColumn<CanSetup>("setup");
    QTest::addColumn<QByteArray>("bytes");

    CanSetup preset;
    QTest::newRow("preset 1M fixed")
            << preset << hex("AA 55 02 01 01 00 00 00 00 00 00 00 00 00 01 00 00 00 00 05");
    CanSetup variable = preset;
    variable.variableFraming = true;
    QTest::newRow("preset 1M variable")
            << variable << hex("AA 55 12 01 01 00 00 00 00 00 00 00 00 00 01 00 00 00 00 15");

    CanSetup manual;
    manual.manualTiming = true;
    manual.filter = parseHexId("123");
    manual.mask = parseHexId("7FF");
    manual.bs1Index = 5;
    manual.bs2Index = 4;
    manual.prescaler = 3;
    QTest::newRow("manual fixed")
            << manual << hex("AA 55 03 01 01 23 01 00 00 FF 07 00 00 00 05 04 03 00 00 3B");

    CanSetup manualOther = manual;
    manualOther.variableFraming = true;
    manualOther.retransmit = false;
    manualOther.modeIndex = 3;
    manualOther.frameTypeIndex = 1;
    manualOther.prescaler = 1023;
    manualOther.filter = parseHexId("FFFFFFFF");
    manualOther.mask = parseHexId("1FFFFFFF");
    QTest::newRow("manual variable, everything else off default")
            << manualOther << hex("AA 55 13 00 02 00 00 00 00 FF FF FF 1F 00 05 04 FF 03 03 3F");

    CanSetup presetOther = preset;
    presetOther.presetIndex = 11;
    presetOther.modeIndex = 2;
    presetOther.retransmit = false;
    QTest::newRow("preset 5K silent, send once")
            << presetOther << hex("AA 55 02 0C 01 00 00 00 00 00 00 00 00 02 00 00 00 00 00 11");
}

void tst_CanConfig::setStartCommand()
{
    QFETCH(CanSetup, setup);
    QFETCH(QByteArray, bytes);
    QCOMPARE(::setStartCommand(setup).toHex(' '), bytes.toHex(' '));
}

void tst_CanConfig::fixedCommands()
{
    QCOMPARE(busStatusQuery(), hex("AA 55 04 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 04"));
    QCOMPARE(baudRateCommand(5),
             hex("AA 55 06 05 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0B"));
    QCOMPARE(baudRateCommand(0),
             hex("AA 55 06 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 06"));
}

void tst_CanConfig::receiveIdCommand_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<quint32>>("ids");
    QTest::addColumn<QByteArray>("bytes");

    const QList<quint32> two{ 0x123, 0x18FF50E5 };
    QTest::newRow("all, list ignored") << int(UploadMode::All) << two << hex("AA 55 11 00 11");
    QTest::newRow("not listed") << int(UploadMode::NotListed) << two
                                << hex("AA 55 11 02 23 01 00 00 E5 50 FF 18 83");
    QTest::newRow("only listed") << int(UploadMode::OnlyListed) << two
                                 << hex("AA 55 10 02 23 01 00 00 E5 50 FF 18 82");
    QTest::newRow("only listed, none")
            << int(UploadMode::OnlyListed) << QList<quint32>() << hex("AA 55 10 00 10");
}

void tst_CanConfig::receiveIdCommand()
{
    QFETCH(int, mode);
    QFETCH(QList<quint32>, ids);
    QFETCH(QByteArray, bytes);
    QCOMPARE(::receiveIdCommand(UploadMode(mode), ids).toHex(' '), bytes.toHex(' '));

    QList<quint32> fifty;
    for (quint32 id = 1; id <= 50; ++id)
        fifty.append(id);
    const QByteArray full = ::receiveIdCommand(UploadMode::OnlyListed, fifty);
    QCOMPARE(full.size(), 205);
    QCOMPARE(full.at(3), char(50));
}

void tst_CanConfig::cfgLine()
{
    StoredCanConfig c;
    c.portBaud = "2000000";
    c.mode = "正常模式";
    c.frameType = "标准帧";
    c.preset = "1M";
    c.bs1 = "CAN_BS1_6tq";
    c.bs2 = "CAN_BS2_5tq";
    c.prescaler = "3";
    c.rateText = "1000.000kbps";
    c.filter = "00000000";
    c.mask = "00000000";
    const QString line = canConfigText(c);
    QCOMPARE(line,
             QString("2000000,正常模式,标准帧,1M,CAN_BS1_6tq,CAN_BS2_5tq,3,1000.000kbps,"
                     "00000000,00000000,Manual BPS FALSE,SendAlways,Fixed,"));

    c.manualTiming = c.sendOnce = true;
    c.fixedFraming = false;
    const std::optional<StoredCanConfig> back = canConfigFromFields(canConfigText(c).split(','));
    QVERIFY(back);
    QVERIFY(back->manualTiming && back->sendOnce && !back->fixedFraming);
    QCOMPARE(back->rateText, c.rateText);
}

QTEST_APPLESS_MAIN(tst_CanConfig)
#include "tst_canconfig.moc"
