#include "busname.h"
#include "hexbytes.h"
#include "canbus.h"
#include "errorframe.h"
#include "interfacelink.h"
#include "language.h"
#include "qtframes.h"
#include "virtualbus.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(CanFrame)

namespace {
// This program's own virtual bus, and another for the one that goes away.
// Chosen when the program starts (initTestCase()).
QString Bus;
QString LosingBus;

QCanBusFrame qtFrame(quint32 id, const QByteArray &payload, QCanBusFrame::FrameType type,
                     bool extended = false)
{
    QCanBusFrame frame(type);
    if (type == QCanBusFrame::ErrorFrame)
        frame.setError(QCanBusFrame::FrameErrors(int(id)));
    else
        frame.setFrameId(id);
    frame.setPayload(payload);
    if (type != QCanBusFrame::ErrorFrame)
        frame.setExtendedFrameFormat(extended);
    return frame;
}

CanFrame frame(quint32 id, const QByteArray &data, bool extended = false, bool remote = false,
               bool error = false)
{
    CanFrame made;
    made.identifier = id;
    made.extended = extended;
    made.remote = remote;
    made.error = error;
    made.length = quint8(data.size());
    std::copy(data.begin(), data.end(), made.data.begin());
    return made;
}
} // namespace

// A CAN interface of Qt's plugins as the program's bus: frames both ways,
// error frames, names, and what is said when it does not open or goes away.
class tst_CanBus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Bus = freeVirtualBus();
        LosingBus = freeVirtualBus();
    }

    void fromQtFrames_data()
    {
        QTest::addColumn<QCanBusFrame>("qt");
        QTest::addColumn<CanFrame>("expected");
        QTest::newRow("data") << qtFrame(0x123, QByteArray::fromHex("11223344"),
                                         QCanBusFrame::DataFrame)
                              << frame(0x123, QByteArray::fromHex("11223344"));
        QTest::newRow("extended, empty") << qtFrame(0x18FF50E5, {}, QCanBusFrame::DataFrame, true)
                                         << frame(0x18FF50E5, {}, true);
        QTest::newRow("extended, small identifier")
                << qtFrame(0x123, QByteArray::fromHex("01"), QCanBusFrame::DataFrame, true)
                << frame(0x123, QByteArray::fromHex("01"), true);
        // A remote frame's payload is the length it asks for; its bytes are not data.
        QTest::newRow("remote 3") << qtFrame(0x7DF, QByteArray("\x01\x02\x03", 3),
                                             QCanBusFrame::RemoteRequestFrame)
                                  << frame(0x7DF, QByteArray(3, '\0'), false, true);
        QTest::newRow("error: passive") << qtFrame(0x004, QByteArray::fromHex("0020000000000000"),
                                                   QCanBusFrame::ErrorFrame)
                                        << frame(0x004, QByteArray::fromHex("0020000000000000"),
                                                 true, false, true);
        // Qt makes a payload of more than 8 bytes an FD frame; one of a length
        // FD has not is padded to the next it has, as the kernel pads it.
        QCanBusFrame fd = qtFrame(0x1, QByteArray(9, '\x5a'), QCanBusFrame::DataFrame);
        fd.setBitrateSwitch(true);
        QTest::newRow("FD 9 bytes padded to 12, BRS")
                << fd << fdFrame(0x1, QByteArray(9, '\x5a') + QByteArray(3, '\0'), false, true);
        QCanBusFrame fdEsi = qtFrame(0x1ABCDEF0, QByteArray(64, '\x11'), QCanBusFrame::DataFrame,
                                     true);
        fdEsi.setErrorStateIndicator(true);
        QTest::newRow("FD 64 bytes, ESI")
                << fdEsi << fdFrame(0x1ABCDEF0, QByteArray(64, '\x11'), true, false, true);
        QCanBusFrame fdShort = qtFrame(0x3, QByteArray::fromHex("0102"), QCanBusFrame::DataFrame);
        fdShort.setFlexibleDataRateFormat(true);
        QTest::newRow("FD 2 bytes") << fdShort << fdFrame(0x3, QByteArray::fromHex("0102"));
        QTest::newRow("FD longer than 64 cut")
                << qtFrame(0x2, QByteArray(70, '\x01'), QCanBusFrame::DataFrame)
                << fdFrame(0x2, QByteArray(64, '\x01'));
    }

    void fromQtFrames()
    {
        QFETCH(QCanBusFrame, qt);
        QFETCH(CanFrame, expected);
        QCOMPARE(canFrameFromQt(qt), expected);
        if (expected.error) {
            QVERIFY(!qtFrameFromCan(expected).isValid() // never sent
                    || qtFrameFromCan(expected).frameType() == QCanBusFrame::InvalidFrame);
        } else if (qt.payload().size() == expected.length) {
            QCOMPARE(canFrameFromQt(qtFrameFromCan(expected)), expected);
        }
    }

    void frameTimes_data()
    {
        QTest::addColumn<qint64>("frameUs");
        QTest::addColumn<qint64>("expectedUs");
        const qint64 now = 1'700'000'000'000'000;
        QTest::newRow("kernel time kept") << now - 1234 << now - 1234;
        QTest::newRow("none") << qint64(0) << now;
        QTest::newRow("device's own clock") << qint64(5'000'000) << now;
        QTest::newRow("far in the future") << now + 3'600'000'000 << now;
    }

    void frameTimes()
    {
        QFETCH(qint64, frameUs);
        QFETCH(qint64, expectedUs);
        QCanBusFrame frame(0x1, QByteArray());
        frame.setTimeStamp(QCanBusFrame::TimeStamp::fromMicroSeconds(frameUs));
        QCOMPARE(frameTimeUs(frame, 1'700'000'000'000'000), expectedUs);
    }

    // Every class and controller detail, in both languages.
    void errorTexts_data()
    {
        QTest::addColumn<quint32>("errorClass");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("chinese");
        QTest::addColumn<QString>("english");
        const auto row = [](const char *tag, quint32 errorClass, const char *data,
                            const char *chinese, const char *english) {
            QTest::newRow(tag) << errorClass << QByteArray::fromHex(data) << QString(chinese)
                               << QString(english);
        };
        using namespace ErrorClass;
        row("tx timeout", TxTimeout, "", "发送超时", "transmit timeout");
        row("arbitration, protocol", LostArbitration | Protocol, "", "仲裁失败, 协议错误",
            "arbitration lost, protocol violation");
        row("transceiver", Transceiver, "", "收发器错误", "transceiver problem");
        row("no ack, bus off", NoAck | BusOff, "", "总线关闭, 无应答", "bus off, no acknowledgement");
        row("bus error, restarted", BusError | Restarted, "", "总线错误, 控制器已重启",
            "bus error, controller restarted");
        row("controller rx passive", Controller, "0010", "错误被动", "error passive");
        row("controller tx passive", Controller, "0020", "错误被动", "error passive");
        row("controller rx warning, no ack", Controller | NoAck, "0004", "错误警告, 无应答",
            "error warning, no acknowledgement");
        row("controller tx warning", Controller, "0008", "错误警告", "error warning");
        row("controller overflows", Controller, "0003", "接收溢出, 发送溢出",
            "receive overflow, transmit overflow");
        row("controller active again", Controller, "0040", "恢复主动错误", "back to error active");
        row("controller, nothing said", Controller, "0000", "控制器错误", "controller problem");
        row("detail byte without the class", Protocol, "0010", "协议错误", "protocol violation");
        row("no class", 0, "", "错误帧", "error frame");
    }

    void errorTexts()
    {
        QFETCH(quint32, errorClass);
        QFETCH(QByteArray, data);
        const CanFrame error = frame(errorClass, data.leftJustified(8, '\0'), true, false, true);
        QTEST(errorFrameText(error), "chinese");
        QVERIFY(installUiLanguage(UiLanguage::English));
        const QString english = errorFrameText(error);
        installUiLanguage(UiLanguage::Chinese);
        QTEST(english, "english");
    }

    void busNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("plugin"); // empty: a serial port
        QTest::addColumn<QString>("interfaceName");
        QTest::newRow("socketcan") << "socketcan:can0" << "socketcan" << "can0";
        QTest::newRow("virtual bus as URL")
                << "virtualcan:tcp://127.0.0.1:45123/can1" << "virtualcan"
                << "tcp://127.0.0.1:45123/can1";
        QTest::newRow("serial path") << "/dev/ttyUSB0" << "" << "";
        QTest::newRow("unknown plugin") << "ttyS:0" << "" << "";
        QTest::newRow("no interface") << "socketcan:" << "" << "";
        QTest::newRow("no plugin") << ":can0" << "" << "";
    }

    void busNames()
    {
        QFETCH(QString, text);
        QFETCH(QString, plugin);
        QFETCH(QString, interfaceName);
        const std::optional<BusName> name =
                parseBusName(text, { QStringLiteral("socketcan"), QStringLiteral("virtualcan") });
        QCOMPARE(name.has_value(), !plugin.isEmpty());
        if (name) {
            QCOMPARE(name->plugin, plugin);
            QCOMPARE(name->interfaceName, interfaceName);
            QCOMPARE(name->text(), text);
        }
    }

    // The interfaces listed never include those that are always there.
    void listedNames()
    {
        for (const QString &name : availableBusNames())
            QVERIFY2(!name.startsWith("virtualcan:") && !name.startsWith("tinycan:"), qPrintable(name));
    }

    void openProblems_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected"); // a part of the status text
        QTest::newRow("missing SocketCAN interface")
                << "socketcan:nosuchcan7" << "没有CAN接口 nosuchcan7";
        QTest::newRow("virtual bus channel out of range") << "virtualcan:can7" << "virtualcan:can7";
        QTest::newRow("no such plugin's device") << "passthrucan:nosuchlibrary" << "passthrucan";
    }

    void openProblems()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        CanBus bus;
        QVERIFY(!bus.open(name, 0));
        QVERIFY(!bus.isOpen());
        const QString problem = bus.canInterface()->openProblem();
        QVERIFY2(problem.contains(expected), qPrintable(problem));
    }

    // What the user is told to type, whole: a command missing a word fails.
    void advice_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const BusName can1{ QStringLiteral("socketcan"), QStringLiteral("can1") };
        QTest::newRow("down") << interfaceOpenProblemText(can1, QString(), NetworkLinkState::Down)
                              << "CAN接口 can1 未启动，请先启动它：sudo ip link set can1 down; "
                                 "sudo ip link set can1 up type can bitrate 500000";
        QTest::newRow("the plugin's reason")
                << interfaceOpenProblemText(can1, "No such device", NetworkLinkState::Unknown)
                << "无法打开CAN接口 socketcan:can1：No such device";
        QTest::newRow("no reason") << interfaceOpenProblemText(can1, QString(), NetworkLinkState::Up)
                                   << "无法打开CAN接口 socketcan:can1";
        QTest::newRow("with a data rate")
                << linkUpCommand("can0", 250000, 2000000)
                << "sudo ip link set can0 down; sudo ip link set can0 up type can bitrate 250000 "
                   "dbitrate 2000000 fd on";
    }
    void advice()
    {
        QFETCH(QString, text);
        QTEST(text, "expected");
    }

    // The configuration page's filter and mask as the interface's filter rule.
    void filterRule_data()
    {
        QTest::addColumn<bool>("extended");
        QTest::addColumn<quint32>("id");
        QTest::addColumn<quint32>("mask");
        QTest::newRow("standard") << false << 0x123u << 0x7F0u;
        QTest::newRow("extended") << true << 0x18FF50E5u << 0x1FFFFF00u;
    }
    void filterRule()
    {
        QFETCH(bool, extended);
        QFETCH(quint32, id);
        QFETCH(quint32, mask);
        const QCanBusDevice::Filter rule = interfaceFilter(id | 0xE0000000u, mask | 0xE0000000u,
                                                           extended);
        QCOMPARE(rule.frameId, id);
        QCOMPARE(rule.frameIdMask, mask);
        QCOMPARE(rule.type, QCanBusFrame::InvalidFrame);
        QCOMPARE(rule.format, QCanBusDevice::Filter::MatchBaseAndExtendedFormat);
    }

    // Frames both ways with another device on the bus: each read one batch,
    // in order, with their times; a frame of the program reaches the other
    // device exactly.
    void framesBothWays()
    {
        CanBus bus;
        QVERIFY(bus.open("virtualcan:" + Bus, 0));
        QVERIFY(bus.isInterfaceOpen());
        QVERIFY(!bus.isConverterOpen());
        std::unique_ptr<QCanBusDevice> peer(
                QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), Bus));
        QVERIFY(peer && peer->connectDevice());
        QTRY_COMPARE(peer->state(), QCanBusDevice::ConnectedState);

        QSignalSpy batches(&bus, &CanBus::framesReceived);
        const qint64 before = QDateTime::currentMSecsSinceEpoch() * 1000;
        const CanFrame sent[] = { frame(0x101, QByteArray::fromHex("0102")),
                                  frame(0x18FF50E5, QByteArray::fromHex("aabbccddeeff0011"), true),
                                  frame(0x7DF, QByteArray(2, '\0'), false, true) };
        for (const CanFrame &f : sent)
            QVERIFY(peer->writeFrame(qtFrameFromCan(f)));
        QVector<LinkFrame> got;
        QTRY_VERIFY((got.clear(), [&] {
            for (const QList<QVariant> &batch : batches)
                got += batch.at(0).value<QVector<LinkFrame>>();
            return got.size() == 3;
        }()));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(got.at(i).frame, sent[i]);
            QVERIFY(got.at(i).lineTimeUs >= before - 1000);
        }

        QSignalSpy peerReceived(peer.get(), &QCanBusDevice::framesReceived);
        bus.sendFrame(frame(0x7E8, QByteArray::fromHex("064100be"), false));
        QTRY_VERIFY(peer->framesAvailable() > 0);
        const QCanBusFrame back = peer->readFrame();
        QCOMPARE(canFrameFromQt(back), frame(0x7E8, QByteArray::fromHex("064100be")));
        // Error frames are the bus's report: never put on the bus.
        bus.sendFrame(frame(ErrorClass::BusOff, QByteArray(8, '\0'), true, false, true));
        QTest::qWait(100);
        QCOMPARE(peer->framesAvailable(), qint64(0));

        // Qt's virtual bus has neither a bit rate nor filters: both are refused, not ignored.
        QVERIFY(!bus.canInterface()->applyBitRate(500000).isEmpty());
        QVERIFY(!bus.canInterface()->applyFilter(0x100, 0x700, false).isEmpty());
        QVERIFY(bus.canInterface()->busStatusText().isEmpty());
        peer->disconnectDevice();
    }

    // The bus served by another process goes away: the device is closed, its
    // loss reported once, and what arrived before is delivered.
    void lostInterface()
    {
        QProcess server;
        server.start(QStringLiteral(TALVIK_SIM), { "--virtualcan", LosingBus });
        QVERIFY(server.waitForStarted());
        QByteArray said;
        QTRY_VERIFY((said += server.readAllStandardOutput()).contains("on the virtual CAN bus"));
        CanBus bus;
        QVERIFY2(bus.open("virtualcan:" + LosingBus, 0),
                 qPrintable(bus.canInterface()->openProblem()));
        QSignalSpy lost(&bus, &CanBus::deviceLost);
        QSignalSpy closing(&bus, &CanBus::aboutToClose);
        server.kill();
        server.waitForFinished();
        QTRY_VERIFY(!bus.isOpen());
        QTest::qWait(100);
        QCOMPARE(lost.size(), 1);
        QCOMPARE(closing.size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_CanBus)
#include "tst_canbus.moc"
