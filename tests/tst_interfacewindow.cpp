#include "canbus.h"
#include "capturestore.h"
#include "hexbytes.h"
#include "qtframes.h"
#include "signalswindow.h"
#include "slcanmenu.h"
#include "virtualbus.h"
#include "windowtest.h"

#include <QAction>
#include <QCanBus>
#include <QCanBusDevice>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {
// This program's own virtual bus, and another for the bus that goes away.
// Chosen when the program starts (initTestCase()).
QString Bus;
QString LosingBus;
} // namespace

// The window on Qt's virtual CAN bus instead of the converter: another
// device on the same bus sends, receives and hears all the window sends.
class tst_InterfaceWindow : public QObject
{
    Q_OBJECT

    WindowFixture *f = nullptr;
    std::unique_ptr<QCanBusDevice> peer;

    // The window's port open on `bus`, and the peer on it too.
    void openBus(const QString &bus = Bus)
    {
        f->start(false);
        openPort(f->window, "virtualcan:" + bus);
        QCOMPARE(f->status(), "端口正常打开");
        QCOMPARE(f->get<QPushButton>("btnOpenClose")->text(), "关闭");
        peer.reset(QCanBus::instance()->createDevice("virtualcan", bus));
        QVERIFY(peer && peer->connectDevice());
        QTRY_COMPARE(peer->state(), QCanBusDevice::ConnectedState);
    }
    QList<CanFrame> peerReceived(int count)
    {
        QList<CanFrame> frames;
        QTest::qWaitFor([&] {
            while (peer->framesAvailable() > 0)
                frames.append(canFrameFromQt(peer->readFrame()));
            return frames.size() >= count;
        });
        return frames;
    }
    CaptureStore *capture() const { return f->window->findChild<CaptureStore *>(); }
    QAction *action(const char *name) { return f->window->findChild<QAction *>(name); }

private slots:
    void initTestCase()
    {
        Bus = freeVirtualBus();
        LosingBus = freeVirtualBus();
    }

    void init() { f = new WindowFixture; }
    void cleanup()
    {
        peer.reset();
        delete f;
    }

    // Naming a CAN interface disables what only the converter has, saying why;
    // a serial port's name brings it back.
    void converterControlsFollowThePortBox()
    {
        f->start(false);
        const char *const converterOnly[] = { "cbBoxBps",         "comboBoxMode",   "checkBoxSendOnce",
                                              "radioBtnFixed",    "radioBtnVariable", "btnChangeBps",
                                              "cbBoxChangeBps",   "btnReceiveSet" };
        const char *const interfaceOnly[] = { "checkBoxCanFd", "cbBoxDataBps" };
        auto *port = f->get<QComboBox>("cbBoxPort");
        for (const QString &name : { QStringLiteral("virtualcan:can0"), QStringLiteral("/dev/ttyUSB0") }) {
            port->setEditText(name);
            const bool isInterface = name.startsWith("virtualcan");
            for (const char *widget : converterOnly) {
                QCOMPARE(f->get<QWidget>(widget)->isEnabled(), !isInterface);
                QCOMPARE(f->get<QWidget>(widget)->toolTip().isEmpty(), !isInterface);
            }
            for (const char *widget : interfaceOnly) {
                QCOMPARE(f->get<QWidget>(widget)->isEnabled(), isInterface);
                QCOMPARE(f->get<QWidget>(widget)->toolTip().isEmpty(), isInterface);
            }
        }
        // While a device is open the box keeps naming it.
        openPort(f->window, "virtualcan:" + Bus);
        QCOMPARE(f->status(), "端口正常打开");
        QVERIFY(!port->isEnabled());
        QVERIFY(!f->get<QWidget>("btnFind")->isEnabled());
    }

    // An error frame the bus reports is shown and captured, in statistics mode
    // on a row apart from the data frames of the same number, and never answered.
    void liveErrorFramesNeverAnswered()
    {
        openBus();
        f->click("checkBoxReplyAuto");
        f->click("checkBoxOnlyRev");
        f->click("checkBoxOverlayDisplay");
        CanFrame busError = canFrame(0x10, hex("0000000000000000"), true); // class 0x10 as 0x10's reply row
        busError.error = true;
        emit f->window->findChild<CanBus *>()->framesReceived(
                { { busError, true, 1'700'000'000'000'000 }, { canFrame(0x10, hex("01")), true, 1'700'000'000'000'001 } });
        QTRY_COMPARE(capture()->size(), 2); // the answer is sent, not shown: only received ones are
        QCOMPARE(f->viewRow(0), "0|接受|收发器错误|扩展帧|0x00000010|8|00 00 00 00 00 00 00 00");
        QCOMPARE(f->viewRow(1), "1|接受|数据帧|标准帧|0x00000010|1|01                   ");
        QCOMPARE(peerReceived(1), QList<CanFrame>({ canFrame(0x20, hex("0011223344556677")) }));
        QTest::qWait(50);
        QCOMPARE(peer->framesAvailable(), qint64(0));
    }

    // Frames of another node are shown, captured and answered; what the
    // window sends (by hand, as a reply, replayed) reaches the bus exactly.
    void everyCapabilityOnTheBus()
    {
        openBus();
        f->get<QCheckBox>("checkBoxReplyAuto")->setChecked(true);
        const QList<CanFrame> captured{ canFrame(0x10, hex("aa")),
                                        canFrame(0x20, hex("0011223344556677")),
                                        canFrame(0x18FF50E5, hex("0102030405060708"), true),
                                        canFrame(0x3, hex("0011223344556677")) };
        peer->writeFrame(qtFrameFromCan(captured[0]));
        peer->writeFrame(qtFrameFromCan(captured[2]));
        QTRY_COMPARE(capture()->size(), 3);
        QCOMPARE(f->viewRow(0), "0|接受|数据帧|标准帧|0x00000010|1|aa                   ");
        QCOMPARE(f->viewRow(1), "1|发送|数据帧|标准帧|0x00000020|8|00 11 22 33 44 55 66 77");
        QCOMPARE(f->viewRow(2), "2|接受|数据帧|扩展帧|0x18ff50e5|8|01 02 03 04 05 06 07 08");
        f->clickListCell("tableWidget_2", 3, 2);
        QCOMPARE(peerReceived(2), QList<CanFrame>({ captured[1], captured[3] }));

        // Replay of the capture as fast as the bus takes it: its frames go out again, in order.
        action("actionReplay")->trigger();
        auto *replay = f->window->findChild<QWidget *>("ReplayWindow");
        child<QComboBox>(replay, "comboSpeed")->setCurrentIndex(5);
        QTest::mouseClick(child<QPushButton>(replay, "btnReplayStart"), Qt::LeftButton);
        QCOMPARE(peerReceived(4), captured);

        // The signals window counts the bus's identifiers.
        action("actionSignals")->trigger();
        auto *messages = child<QTableView>(f->window->findChild<SignalsWindow *>(), "messageView");
        QTRY_VERIFY(messages->model()->rowCount() >= 4);

        // The capture saved as a candump log.
        answerNextFileDialog(f->dir.filePath("bus.log"));
        f->click("btnViewSave");
        QTRY_VERIFY(f->dir.exists("bus.log"));
        QVERIFY(f->dir.read("bus.log").contains(" can0 18FF50E5#0102030405060708 R\n"));
        QTest::qWait(100); // and nothing else went out
        QCOMPARE(peer->framesAvailable(), qint64(0));
    }

    // "工具" → "SLCAN 桥": another tool shares the open bus. What it sends goes
    // out and shows as a sent row; what the bus carries reaches it.
    void slcanBridgeSharesTheBus()
    {
        openBus();
        // a runtime folder of this test's own, as a desktop session gives one
        const QString runtime = f->dir.filePath("run");
        QVERIFY(QDir().mkdir(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        action("actionSlcanBridge")->trigger();
        qunsetenv("XDG_RUNTIME_DIR");
        // in the user's own runtime folder, where no other user can write
        const QString link = f->window->findChild<SlcanMenu *>()->linkPath();
        QCOMPARE(link, runtime + "/ttyTALVIK-slcan");
        const QFileInfo folder(QFileInfo(link).path());
        QCOMPARE(folder.ownerId(), ::getuid());
        QCOMPARE(folder.permissions() & (QFile::WriteGroup | QFile::WriteOther), 0);
        QVERIFY2(f->status().startsWith("SLCAN 桥：" + link), qPrintable(f->status()));
        const int client = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(client >= 0);
        const auto write = [client](const QByteArray &bytes) {
            QCOMPARE(::write(client, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        };
        QByteArray heard;
        const auto hear = [&](const QByteArray &text) {
            return QTest::qWaitFor([&] {
                char chunk[256];
                const ssize_t got = ::read(client, chunk, sizeof chunk);
                heard += got > 0 ? QByteArray(chunk, int(got)) : QByteArray();
                return heard.contains(text);
            });
        };
        write("O\r");
        QVERIFY(hear("\r"));
        write("t1232AABB\r");
        QCOMPARE(peerReceived(1), QList<CanFrame>({ canFrame(0x123, hex("aabb")) }));
        QTRY_COMPARE(capture()->size(), 1);
        QCOMPARE(f->viewRow(0), "0|发送|数据帧|标准帧|0x00000123|2|aa bb");
        peer->writeFrame(qtFrameFromCan(canFrame(0x321, hex("cc"))));
        QVERIFY2(hear("t3211CC\r"), heard.constData());
        ::close(client);
        f->click("btnOpenClose"); // the bridge goes with the port
        QVERIFY(!action("actionSlcanBridge")->isChecked());
        QVERIFY(!QFileInfo::exists(link));
    }

    // Error frames in a log say what went wrong where the frame format goes;
    // the signals window counts them apart from the messages.
    void errorFramesShownAndCounted()
    {
        f->start(false);
        f->dir.write("errors.log", "(1.0) can0 20000040#0000000000000000 R\n"
                                   "(1.1) can0 20000024#0010000000000000 R\n"
                                   "(1.2) can0 123#11 R\n");
        answerNextFileDialog(f->dir.filePath("errors.log"));
        action("actionOpenLog")->trigger();
        QTRY_COMPARE(f->filledRows(), 3);
        QCOMPARE(f->viewRow(0), "0|接受|总线关闭|扩展帧|0x00000040|8|00 00 00 00 00 00 00 00");
        QCOMPARE(f->viewRow(1).section('|', 2, 2), "错误被动, 无应答");
        action("actionSignals")->trigger();
        auto *signalsWindow = f->window->findChild<SignalsWindow *>();
        auto *count = child<QLabel>(signalsWindow, "labelErrorFrames");
        QTRY_COMPARE(count->text(), "错误帧: 2");
        QCOMPARE(child<QTableView>(signalsWindow, "messageView")->model()->rowCount(), 1);
        // Another log counts afresh: one error frame shows, none hides the count.
        for (const char *log : { "(2.0) can0 20000040#0000000000000000 R\n", "(3.0) can0 001#\n" }) {
            f->dir.write("next.log", log);
            answerNextFileDialog(f->dir.filePath("next.log"));
            auto replace = answerNextMessageBox(QMessageBox::Yes);
            action("actionOpenLog")->trigger();
            QTRY_COMPARE(f->filledRows(), 1);
            QTRY_COMPARE(count->isHidden(), log[1] == '3');
            if (!count->isHidden())
                QCOMPARE(count->text(), "错误帧: 1");
        }
    }

    // What the virtual bus cannot take is said, not pretended.
    void configurationOnTheInterface()
    {
        openBus();
        f->click("btnSetStart");
        QCOMPARE(f->status(), "位速率 1000000 bit/s 未能设置（此接口不支持该设置）");
        // A mask lets the filter matter: the virtual bus has none to set.
        f->get<QLineEdit>("lineEditMask")->setText("7FF");
        f->click("btnSetStart");
        QCOMPARE(f->status(), "位速率 1000000 bit/s 未能设置（此接口不支持该设置）; "
                              "滤波ID和屏蔽ID未能设置（此接口不支持该设置）");
        f->click("btnCANBusStatus");
        QCOMPARE(f->status(), "此CAN接口不报告总线状态");
    }

    // The process serving the bus goes away: the device closes, its loss is
    // reported once, and the port says so.
    void lostInterface()
    {
        QProcess server;
        server.start(QStringLiteral(TALVIK_SIM), { "--virtualcan", LosingBus });
        QByteArray said;
        QTRY_VERIFY((said += server.readAllStandardOutput()).contains("on the virtual CAN bus"));
        openBus(LosingBus);
        auto *bus = f->window->findChild<CanBus *>();
        QSignalSpy lost(bus, &CanBus::deviceLost);
        QSignalSpy closing(bus, &CanBus::aboutToClose);
        server.kill();
        server.waitForFinished();
        QTRY_COMPARE(f->status(), "CAN接口已断开"); // the virtual bus gives no reason
        QVERIFY(!bus->isOpen());
        QTest::qWait(100);
        QCOMPARE(lost.size(), 1);
        QCOMPARE(closing.size(), 1);
        QCOMPARE(f->get<QPushButton>("btnOpenClose")->text(), "打开");
        QVERIFY(!f->get<QPushButton>("btnSetStart")->isEnabled());
    }
};

QTEST_MAIN(tst_InterfaceWindow)
#include "tst_interfacewindow.moc"
