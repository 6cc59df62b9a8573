#include "commands.h"
#include "convertermodel.h"
#include "hexbytes.h"
#include "hostdecoder.h"

#include <QTest>

namespace {

CanSetup setup(int mode, bool variable = false)
{
    CanSetup s;
    s.modeIndex = mode;
    s.variableFraming = variable;
    return s;
}

} // namespace

// The converter simulator's reading of the host's bytes and its answers.
class tst_Simulator : public QObject
{
    Q_OBJECT

private slots:
    void decodesEveryHostMessage_data();
    void decodesEveryHostMessage();
    void hostMessagesSplitAndResynchronised();
    void setStartConfiguresTheController_data();
    void setStartConfiguresTheController();
    void stoppedControllerDropsFrames();
    void modes_data();
    void modes();
    void acceptanceFilter();
    void receiveIdFilter_data();
    void receiveIdFilter();
    void busStatusReply();
    void baudRateChangeIsStored();
};

void tst_Simulator::decodesEveryHostMessage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");

    QTest::newRow("fixed frame") << hex(
            "AA 55 01 01 01 23 01 00 00 03 11 22 33 00 00 00 00 00 00 90")
                                 << int(HostMessage::Frame);
    QTest::newRow("variable frame") << hex("AA C3 23 01 11 22 33 55") << int(HostMessage::Frame);
    QTest::newRow("variable extended")
            << hex("AA E3 23 01 00 00 11 22 33 55") << int(HostMessage::Frame);
    QTest::newRow("set and start") << setStartCommand(CanSetup()) << int(HostMessage::SetStart);
    QTest::newRow("bus status") << busStatusQuery() << int(HostMessage::BusStatusQuery);
    QTest::newRow("baud rate") << baudRateCommand(5) << int(HostMessage::BaudRateChange);
    QTest::newRow("receive ids") << hex("AA 55 11 02 23 01 00 00 E5 50 FF 18 83")
                                 << int(HostMessage::ReceiveIdFilter);
    QTest::newRow("receive ids, all") << hex("AA 55 11 00 11") << int(HostMessage::ReceiveIdFilter);
}

void tst_Simulator::decodesEveryHostMessage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    qsizetype pos = 0;
    HostMessage message;
    QVERIFY(nextHostMessage(bytes, pos, message));
    QCOMPARE(int(message.kind), kind);
    QCOMPARE(pos, bytes.size());
    QCOMPARE(message.bytes, bytes);
    if (message.kind == HostMessage::Frame) {
        QCOMPARE(message.frame.identifier, 0x123u);
        QCOMPARE(message.frame.length, quint8(3));
        QCOMPARE(message.frame.data[2], quint8(0x33));
    }
}

void tst_Simulator::hostMessagesSplitAndResynchronised()
{
    const QByteArray stream = hex("00 AA 12 AA 55 11 02")
            + hex("AA 55 11 02 23 01 00 00 E5 50 FF 18 83") + hex("AA C3 23 01 11 22 33 55");
    for (int cut = 0; cut <= stream.size(); ++cut) {
        QByteArray pending;
        QList<int> kinds;
        for (const QByteArray &part : { stream.left(cut), stream.mid(cut) }) {
            pending += part;
            qsizetype pos = 0;
            HostMessage message;
            while (nextHostMessage(pending, pos, message))
                kinds << int(message.kind);
            pending.remove(0, pos);
        }
        QCOMPARE(kinds, (QList<int>{ HostMessage::ReceiveIdFilter, HostMessage::Frame }));
    }
}

void tst_Simulator::setStartConfiguresTheController_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("variable");
    QTest::addColumn<int>("bitRate");
    QTest::addColumn<quint32>("filter");
    QTest::addColumn<quint32>("mask");
    QTest::addColumn<bool>("retransmit");

    QTest::newRow("preset 1M fixed")
            << hex("AA 55 02 01 01 00 00 00 00 00 00 00 00 00 01 00 00 00 00 05") << 0 << false
            << 1000000 << 0u << 0u << true;
    QTest::newRow("manual fixed") << hex(
            "AA 55 03 01 01 23 01 00 00 FF 07 00 00 00 05 04 03 00 00 3B")
                                  << 0 << false << 1000000 << 0x123u << 0x7FFu << true;
    CanSetup variable = setup(3, true);
    variable.presetIndex = 4;
    variable.retransmit = false;
    QTest::newRow("preset 250K variable loop-back silent")
            << setStartCommand(variable) << 3 << true << 250000 << 0u << 0u << false;
}

void tst_Simulator::setStartConfiguresTheController()
{
    QFETCH(QByteArray, command);
    QFETCH(int, mode);
    QFETCH(bool, variable);
    QFETCH(int, bitRate);
    QFETCH(quint32, filter);
    QFETCH(quint32, mask);
    QFETCH(bool, retransmit);

    ConverterModel converter;
    converter.receiveFromHost(command);
    QVERIFY(converter.running());
    QCOMPARE(int(converter.mode()), mode);
    QCOMPARE(converter.variableFraming(), variable);
    QCOMPARE(converter.bitRate(), bitRate);
    QCOMPARE(converter.filter(), filter);
    QCOMPARE(converter.mask(), mask);
    QCOMPARE(converter.retransmit(), retransmit);
    QVERIFY(converter.takeOutput().isEmpty()); // no answer
}

void tst_Simulator::stoppedControllerDropsFrames()
{
    ConverterModel converter;
    int transmitted = 0;
    converter.onTransmit = [&](const CanFrame &) { ++transmitted; };
    converter.receiveFromHost(encodeFixedFrame(canFrame(1, hex("01"))));
    converter.frameFromBus(canFrame(2, hex("02")));
    QCOMPARE(transmitted, 0);
    QVERIFY(converter.takeOutput().isEmpty());
}

void tst_Simulator::modes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("transmits");
    QTest::addColumn<bool>("loopsBack");
    QTest::addColumn<bool>("hearsBus");

    QTest::newRow("normal") << 0 << true << false << true;
    QTest::newRow("loop-back") << 1 << true << true << false;
    QTest::newRow("silent") << 2 << false << false << true;
    QTest::newRow("loop-back silent") << 3 << false << true << false;
}

void tst_Simulator::modes()
{
    QFETCH(int, mode);
    QFETCH(bool, transmits);
    QFETCH(bool, loopsBack);
    QFETCH(bool, hearsBus);

    for (bool variable : { false, true }) {
        ConverterModel converter;
        QList<CanFrame> onBus;
        converter.onTransmit = [&](const CanFrame &f) { onBus << f; };
        converter.receiveFromHost(setStartCommand(setup(mode, variable)));

        const CanFrame sent = canFrame(0x123, hex("11 22 33"));
        converter.receiveFromHost(variableFrameBytes(sent)); // either framing from the host
        QCOMPARE(onBus.size(), transmits ? 1 : 0);
        const QByteArray echoed = converter.takeOutput();
        const QByteArray expected = variable ? variableFrameBytes(sent) : encodeFixedFrame(sent);
        QCOMPARE(echoed, loopsBack ? expected : QByteArray());

        converter.frameFromBus(canFrame(0x456, hex("44")));
        QCOMPARE(!converter.takeOutput().isEmpty(), hearsBus);
    }
}

void tst_Simulator::acceptanceFilter()
{
    ConverterModel converter;
    CanSetup s;
    s.filter = 0x120;
    s.mask = 0x7F0;
    converter.receiveFromHost(setStartCommand(s));
    converter.frameFromBus(canFrame(0x123, {}));
    QCOMPARE(converter.takeOutput().size(), 20);
    converter.frameFromBus(canFrame(0x133, {}));
    QVERIFY(converter.takeOutput().isEmpty());
    converter.frameFromBus(canFrame(0x812F, {}, true)); // bits outside the mask do not count
    QCOMPARE(converter.takeOutput().size(), 20);
}

void tst_Simulator::receiveIdFilter_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<quint32>>("ids");
    QTest::addColumn<QList<quint32>>("forwarded");

    const QList<quint32> listed{ 0x123, 0x18FF50E5 };
    QTest::newRow("withhold the listed")
            << int(UploadMode::NotListed) << listed << QList<quint32>{ 0x7 };
    QTest::newRow("only the listed") << int(UploadMode::OnlyListed) << listed << listed;
    QTest::newRow("all") << int(UploadMode::All) << listed
                         << QList<quint32>{ 0x123, 0x18FF50E5, 0x7 };
}

void tst_Simulator::receiveIdFilter()
{
    QFETCH(int, mode);
    QFETCH(QList<quint32>, ids);
    QFETCH(QList<quint32>, forwarded);

    ConverterModel converter;
    int changes = 0;
    converter.onStoredChanged = [&] { ++changes; };
    converter.receiveFromHost(setStartCommand(CanSetup()));
    converter.receiveFromHost(receiveIdCommand(UploadMode(mode), ids));
    QCOMPARE(changes, 1);
    QList<quint32> got;
    for (quint32 id : { 0x123u, 0x18FF50E5u, 0x7u }) {
        converter.frameFromBus(canFrame(id, {}, id > 0x7FF));
        if (!converter.takeOutput().isEmpty())
            got << id;
    }
    QCOMPARE(got, forwarded);
}

void tst_Simulator::busStatusReply()
{
    ConverterModel converter; // answered even before set-and-start
    converter.busState.receiveErrors = 3;
    converter.busState.transmitErrors = 200;
    converter.busState.errorPassive = true;
    converter.receiveFromHost(busStatusQuery());
    QCOMPARE(converter.takeOutput().toHex(' '),
             hex("AA 55 04 00 00 03 C8 00 01 00 00 00 00 00 00 00 00 00 00 D0").toHex(' '));
}

void tst_Simulator::baudRateChangeIsStored()
{
    ConverterModel converter;
    converter.receiveFromHost(baudRateCommand(5));
    QCOMPARE(converter.stored.baudCode, 5);
    QCOMPARE(ConverterModel::baudRateOf(converter.stored.baudCode), 9600);
    converter.receiveFromHost(hex("AA 55 06 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0F"));
    QCOMPARE(converter.stored.baudCode, 5); // no such rate: ignored
}

QTEST_APPLESS_MAIN(tst_Simulator)
#include "tst_simulator.moc"
