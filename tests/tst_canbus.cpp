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
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>

Q_DECLARE_METATYPE(CanFrame)

namespace {
// This program's own virtual bus, chosen when the program starts (initTestCase()).
QString Bus;

// An error frame as the kernel reports it: the class as the identifier, 8 detail bytes.
CanFrame errorFrame(quint32 errorClass, const QByteArray &details)
{
    CanFrame frame = canFrame(errorClass, details.leftJustified(8, '\0'), true);
    frame.error = true;
    return frame;
}
} // namespace

// A CAN interface of Qt's plugins as the program's bus: frames both ways,
// error frames, names, and what is said when it does not open.
class tst_CanBus : public QObject
{
    Q_OBJECT

    QThread relayThread;
    QObject relayContext;
    std::unique_ptr<QCanBusDevice> relayHost;
    template<class F>
    void inRelayThread(F work)
    {
        QMetaObject::invokeMethod(&relayContext, work, Qt::BlockingQueuedConnection);
    }

private slots:
    // A process has one virtual bus relay, run by its first virtual bus
    // device's thread: here a thread of its own for the whole program, which
    // a test's devices may share to hear the bus while the main thread waits.
    void initTestCase()
    {
        Bus = freeVirtualBus();
        relayContext.moveToThread(&relayThread);
        relayThread.start();
        inRelayThread([this] {
            relayHost.reset(QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), Bus));
            relayHost->connectDevice();
        });
    }
    void cleanupTestCase()
    {
        inRelayThread([this] { relayHost.reset(); });
        relayThread.quit();
        relayThread.wait();
    }

    void fromQtFrames_data()
    {
        QTest::addColumn<QCanBusFrame>("qt");
        QTest::addColumn<CanFrame>("expected");
        const QByteArray four = hex("11223344");
        QTest::newRow("data") << QCanBusFrame(0x123, four) << canFrame(0x123, four);
        QTest::newRow("extended, empty")
                << QCanBusFrame(0x18FF50E5, {}) << canFrame(0x18FF50E5, {}, true);
        QCanBusFrame smallExtended(0x123, hex("01"));
        smallExtended.setExtendedFrameFormat(true);
        QTest::newRow("extended, small identifier")
                << smallExtended << canFrame(0x123, hex("01"), true);
        // A remote frame's payload is the length it asks for; its bytes are not data.
        QCanBusFrame remote(QCanBusFrame::RemoteRequestFrame);
        remote.setFrameId(0x7DF);
        remote.setPayload(hex("010203"));
        QTest::newRow("remote 3") << remote << canFrame(0x7DF, QByteArray(3, '\0'), false, true);
        QCanBusFrame passive(QCanBusFrame::ErrorFrame);
        passive.setError(QCanBusFrame::ControllerError);
        passive.setPayload(hex("0020000000000000"));
        QTest::newRow("error: passive") << passive << errorFrame(0x004, hex("0020"));
        // Qt makes a payload of more than 8 bytes an FD frame; one of a length
        // FD has not is padded to the next it has, as the kernel pads it.
        QCanBusFrame fd(0x1, QByteArray(9, '\x5a'));
        fd.setBitrateSwitch(true);
        QTest::newRow("FD 9 bytes padded to 12, BRS")
                << fd << fdFrame(0x1, QByteArray(9, '\x5a') + QByteArray(3, '\0'), false, true);
        QCanBusFrame fdEsi(0x1ABCDEF0, QByteArray(64, '\x11'));
        fdEsi.setErrorStateIndicator(true);
        QTest::newRow("FD 64 bytes, ESI")
                << fdEsi << fdFrame(0x1ABCDEF0, QByteArray(64, '\x11'), true, false, true);
        QCanBusFrame fdShort(0x3, hex("0102"));
        fdShort.setFlexibleDataRateFormat(true);
        QTest::newRow("FD 2 bytes") << fdShort << fdFrame(0x3, hex("0102"));
        const QCanBusFrame fdLong(0x2, QByteArray(70, '\x01'));
        QTest::newRow("FD longer than 64 cut") << fdLong << fdFrame(0x2, QByteArray(64, '\x01'));
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

    // What the program makes of a bus's times, names and settings, and what it tells the
    // user to type, whole (actual, expected).
    void examples_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        const qint64 now = 1'700'000'000'000'000;
        const auto time = [now](qint64 frameUs) { // after now
            QCanBusFrame frame(0x1, QByteArray());
            frame.setTimeStamp(QCanBusFrame::TimeStamp::fromMicroSeconds(frameUs));
            return QString::number(frameTimeUs(frame, now) - now);
        };
        QTest::newRow("time: the kernel's kept") << time(now - 1234) << "-1234";
        QTest::newRow("time: none") << time(0) << "0";
        QTest::newRow("time: the device's own clock") << time(5'000'000) << "0";
        QTest::newRow("time: far in the future") << time(now + 3'600'000'000) << "0";
        // plugin | interface, and the name as written back when that differs; "-": a serial port
        const auto name = [](const QString &text) {
            const std::optional<BusName> parsed = parseBusName(text, { "socketcan", "virtualcan" });
            if (!parsed)
                return QStringLiteral("-");
            const QString back = parsed->text() == text ? QString() : " as " + parsed->text();
            return parsed->plugin + " | " + parsed->interfaceName + back;
        };
        QTest::newRow("name: socketcan") << name("socketcan:can0") << "socketcan | can0";
        QTest::newRow("name: virtual bus as URL")
                << name("virtualcan:tcp://127.0.0.1:45123/can1")
                << "virtualcan | tcp://127.0.0.1:45123/can1";
        QTest::newRow("name: serial path") << name("/dev/ttyUSB0") << "-";
        QTest::newRow("name: unknown plugin") << name("ttyS:0") << "-";
        QTest::newRow("name: no interface") << name("socketcan:") << "-";
        QTest::newRow("name: no plugin") << name(":can0") << "-";
        // The configuration page's filter and mask as the interface's filter rule: cut to the
        // frame format's identifier, for data and remote frames of both formats.
        const auto filter = [](quint32 id, quint32 mask, bool extended) {
            const auto rule = interfaceFilter(id | 0xE0000000u, mask | 0xE0000000u, extended);
            const bool everyFrame = rule.type == QCanBusFrame::InvalidFrame
                    && rule.format == QCanBusDevice::Filter::MatchBaseAndExtendedFormat;
            return QStringLiteral("%1 %2%3").arg(rule.frameId, 0, 16).arg(rule.frameIdMask, 0, 16)
                    .arg(everyFrame ? " every frame" : "");
        };
        QTest::newRow("filter: standard") << filter(0x123, 0x7F0, false) << "123 7f0 every frame";
        QTest::newRow("filter: extended")
                << filter(0x18FF50E5, 0x1FFFFF00, true) << "18ff50e5 1fffff00 every frame";
        const BusName can1{ QStringLiteral("socketcan"), QStringLiteral("can1") };
        QTest::newRow("advice: down")
                << interfaceOpenProblemText(can1, QString(), NetworkLinkState::Down)
                << "CAN接口 can1 未启动，请先启动它：sudo ip link set can1 down; "
                   "sudo ip link set can1 up type can bitrate 500000";
        QTest::newRow("advice: the plugin's reason")
                << interfaceOpenProblemText(can1, "No such device", NetworkLinkState::Unknown)
                << "无法打开CAN接口 socketcan:can1：No such device";
        QTest::newRow("advice: no reason")
                << interfaceOpenProblemText(can1, QString(), NetworkLinkState::Up)
                << "无法打开CAN接口 socketcan:can1";
        QTest::newRow("advice: with a data rate")
                << linkUpCommand("can0", 250000, 2000000)
                << "sudo ip link set can0 down; sudo ip link set can0 up type can bitrate 250000 "
                   "dbitrate 2000000 fd on";
    }

    void examples()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
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
        const CanFrame error = errorFrame(errorClass, data);
        QTEST(errorFrameText(error), "chinese");
        QVERIFY(installUiLanguage(UiLanguage::English));
        const QString english = errorFrameText(error);
        installUiLanguage(UiLanguage::Chinese);
        QTEST(english, "english");
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
        const CanFrame sent[] = { canFrame(0x101, hex("0102")),
                                  canFrame(0x18FF50E5, hex("aabbccddeeff0011"), true),
                                  canFrame(0x7DF, QByteArray(2, '\0'), false, true) };
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
        bus.sendFrame(canFrame(0x7E8, hex("064100be")));
        QTRY_VERIFY(peer->framesAvailable() > 0);
        const QCanBusFrame back = peer->readFrame();
        QCOMPARE(canFrameFromQt(back), canFrame(0x7E8, hex("064100be")));
        // Error frames are the bus's report: never put on the bus.
        bus.sendFrame(errorFrame(ErrorClass::BusOff, {}));
        QTest::qWait(100);
        QCOMPARE(peer->framesAvailable(), qint64(0));
        peer->disconnectDevice();
    }

    // A frame flushed leaves at once: a sender waiting in place for its next
    // frame's moment, this thread's event loop not running, holds nothing back.
    void flushedFrameLeavesAtOnce()
    {
        std::atomic<int> warmUps{ 0 }, received{ 0 };
        std::unique_ptr<QCanBusDevice> peer;
        const auto leave = qScopeGuard([&] { inRelayThread([&] { peer.reset(); }); });
        inRelayThread([&] {
            peer.reset(QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), Bus));
            peer->connectDevice();
            connect(peer.get(), &QCanBusDevice::framesReceived, [&] {
                for (const QCanBusFrame &frame : peer->readAllFrames())
                    ++(frame.frameId() == 0x7FF ? warmUps : received);
            });
        });
        CanBus sender;
        QVERIFY(sender.open("virtualcan:" + Bus, 0));
        // Both have joined once a frame gets through.
        QTRY_VERIFY((sender.sendFrame(canFrame(0x7FF, hex("00"))), warmUps > 0));
        QVERIFY(sender.sendFrame(canFrame(0x123, hex("01"))));
        sender.flush();
        QDeadlineTimer deadline(5000);
        while (received == 0 && !deadline.hasExpired())
            QThread::msleep(10);
        QCOMPARE(int(received), 1);
    }
};

QTEST_GUILESS_MAIN(tst_CanBus)
#include "tst_canbus.moc"
