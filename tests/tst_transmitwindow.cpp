// The transmit window on Qt's virtual CAN bus: a node's messages on their
// cycle times with counters and checksums, values set as a user sets them,
// Stop, the list kept for the next start, and the signals window's check of
// what another node sends.
#include "checksum.h"
#include "qtframes.h"
#include "signalswindow.h"
#include "transmitwindow.h"
#include "virtualbus.h"
#include "windowtest.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCanBus>
#include <QCanBusDevice>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <memory>

namespace {

QString Bus; // this program's own virtual bus, chosen in initTestCase()

const QByteArray Dbc = "VERSION \"\"\n"
                       "BO_ 291 Brake: 8 Body\n"
                       " SG_ Brake_CRC : 0|8@1+ (1,0) [0|255] \"\" Tester\n"
                       " SG_ Brake_Counter : 8|4@1+ (1,0) [0|14] \"\" Tester\n"
                       " SG_ Pedal : 12|1@1+ (1,0) [0|1] \"\" Tester\n"
                       " SG_ Pressure : 16|16@1+ (0.1,0) [0|250] \"bar\" Tester\n"
                       " SG_ Spare : 32|8@1+ (1,0) [0|0] \"\" Tester\n"
                       "BO_ 801 Door: 2 Body\n"
                       " SG_ DoorState : 0|2@1+ (1,0) [0|3] \"\" Tester\n"
                       " SG_ Door_Cnt : 4|4@1+ (1,0) [0|15] \"\" Tester\n"
                       "BO_ 256 Engine: 8 Engine\n"
                       " SG_ Speed : 0|16@1+ (1,0) [0|0] \"\" Tester\n"
                       "BA_DEF_DEF_ \"GenMsgCycleTime\" 0;\n"
                       "BA_ \"GenMsgCycleTime\" BO_ 291 20;\n"
                       "BA_ \"GenMsgCycleTime\" BO_ 801 100;\n"
                       "CM_ SG_ 291 Pressure \"At the master cylinder\";\n"
                       "VAL_ 291 Pedal 0 \"Released\" 1 \"Pressed\" ;\n";

} // namespace

class tst_TransmitWindow : public QObject
{
    Q_OBJECT

    WindowFixture *f = nullptr;
    std::unique_ptr<QCanBusDevice> peer;

    TransmitWindow *transmit() const { return f->window->findChild<TransmitWindow *>(); }
    template<class T>
    T *get(const char *name) const
    {
        return child<T>(transmit(), name);
    }
    QTableWidget *rows() const { return get<QTableWidget>("transmitTable"); }
    QTableWidget *signalList() const { return get<QTableWidget>("signalTable"); }

    // The window on the bus with the database loaded and the transmit window shown.
    void startWindow()
    {
        f->start(false);
        f->dir.write("bus.dbc", Dbc);
        openPort(f->window, "virtualcan:" + Bus);
        QCOMPARE(f->status(), "端口正常打开");
        QVERIFY(f->window->findChild<SignalsWindow *>()->loadDbc(f->dir.filePath("bus.dbc")));
        f->window->findChild<QAction *>("actionTransmit")->trigger();
        QVERIFY(transmit()->isVisible());
        peer.reset(QCanBus::instance()->createDevice("virtualcan", Bus));
        QVERIFY(peer && peer->connectDevice());
        QTRY_COMPARE(peer->state(), QCanBusDevice::ConnectedState);
    }
    QList<CanFrame> drain()
    {
        QList<CanFrame> frames;
        while (peer->framesAvailable() > 0)
            frames.append(canFrameFromQt(peer->readFrame()));
        return frames;
    }
    // The row of the signal table showing `signal`.
    int signalRow(const QString &signal) const
    {
        for (int r = 0; r < signalList()->rowCount(); ++r) {
            if (signalList()->item(r, 0)->text().startsWith(signal))
                return r;
        }
        return -1;
    }
    QString status() const { return get<QLabel>("transmitStatus")->text(); }

private slots:
    void initTestCase() { Bus = freeVirtualBus(); }
    void init() { f = new WindowFixture; }
    void cleanup()
    {
        peer.reset();
        delete f;
    }

    // Add the node, set two values, Start: the bus carries both messages on
    // their periods, counters advancing, checksums right. Stop, start again:
    // the list is there, stopped.
    void simulateANode()
    {
        startWindow();
        get<QComboBox>("nodeChoice")->setCurrentText("Body");
        get<QPushButton>("btnAddNode")->click();
        QCOMPARE(rows()->rowCount(), 2);
        QCOMPARE(rowCells(rows(), 0).mid(1, 4), (QStringList{ "123", "Brake", "20", "周期" }));
        QCOMPARE(rowCells(rows(), 1).mid(1, 3), (QStringList{ "321", "Door", "100" }));

        rows()->selectRow(0);
        QCOMPARE(get<QComboBox>("counterChoice")->currentText(), "Brake_Counter");
        QCOMPARE(get<QComboBox>("checksumChoice")->currentText(), "Brake_CRC");
        get<QComboBox>("algorithmChoice")->setCurrentText("e2e-p01:dataid=0x1234");
        // A spin box within [0|250] for the pressure, with its unit and comment.
        auto *pressure = qobject_cast<QDoubleSpinBox *>(
                signalList()->cellWidget(signalRow("Pressure"), 1));
        QVERIFY(pressure);
        QCOMPARE(pressure->maximum(), 250.0);
        QCOMPARE(pressure->toolTip(), "At the master cylinder");
        pressure->setValue(12.5);
        // The value table's texts to choose from.
        auto *pedal = qobject_cast<QComboBox *>(signalList()->cellWidget(signalRow("Pedal"), 1));
        QVERIFY(pedal);
        emit pedal->activated(pedal->findText("Pressed (1)"));
        // Typed: refused beyond the 8 bits, with the reason, and nothing changes.
        QTRY_VERIFY(signalRow("Spare") >= 0);
        signalList()->item(signalRow("Spare"), 1)->setText("300");
        QVERIFY2(status().contains("0 到 255"), qPrintable(status()));
        QTRY_COMPARE(signalList()->item(signalRow("Spare"), 1)->text(), "0");
        QCOMPARE(signalList()->item(signalRow("Pressure"), 3)->text(), "125");
        QCOMPARE(signalList()->item(signalRow("Pressure"), 4)->text(), "7D 00");

        drain();
        get<QPushButton>("btnStart")->click();
        QVERIFY(!get<QPushButton>("btnStart")->isEnabled());
        QTest::qWait(450);
        get<QPushButton>("btnStop")->click();
        QTest::qWait(100);
        QList<CanFrame> brake, door;
        for (const CanFrame &frame : drain())
            (frame.identifier == 0x123 ? brake : door).append(frame);
        QVERIFY2(brake.size() >= 15 && brake.size() <= 25, qPrintable(QString::number(brake.size())));
        QVERIFY2(door.size() >= 4 && door.size() <= 6, qPrintable(QString::number(door.size())));
        const ChecksumAlgorithm p01 = *parseChecksumAlgorithm("e2e-p01:dataid=0x1234");
        for (int i = 0; i < brake.size(); ++i) {
            const CanFrame &frame = brake[i];
            QCOMPARE(frame.data[1], quint8(0x10 | (i % 15))); // pedal pressed, counter
            QCOMPARE(frame.data[2], quint8(0x7D));
            QCOMPARE(frame.data[0], quint8(computeChecksum(p01, frame, 0x01)));
        }
        // The view and the capture show what went out.
        QCOMPARE(rowCells(rows(), 0)[6], QString::number(brake.size()));
        QTest::qWait(200);
        QVERIFY(drain().isEmpty()); // nothing after Stop

        f->restart(false);
        QVERIFY(f->window->findChild<SignalsWindow *>()->loadDbc(f->dir.filePath("bus.dbc")));
        QCOMPARE(rows()->rowCount(), 2);
        QVERIFY(get<QPushButton>("btnStart")->isEnabled());
        rows()->selectRow(0);
        QCOMPARE(get<QComboBox>("algorithmChoice")->currentText(), "e2e-p01:dataid=0x1234");
        QCOMPARE(signalList()->item(signalRow("Pressure"), 3)->text(), "125");
        QCOMPARE(qobject_cast<QComboBox *>(signalList()->cellWidget(signalRow("Pedal"), 1))
                         ->currentText(),
                 "Pressed (1)");
    }

    // A raw frame sent delay-free when another node's request arrives, and
    // nothing more once the port is closed.
    void rawFrameOnReceiveStopsWithThePort()
    {
        startWindow();
        get<QPushButton>("btnAddRaw")->click();
        QCOMPARE(rows()->rowCount(), 1);
        rows()->item(0, 1)->setText("7E8");
        rows()->item(0, 5)->setText("02 41 0D");
        QCOMPARE(rowCells(rows(), 0).mid(1, 2), (QStringList{ "7E8", "(原始帧)" }));
        rows()->selectRow(0);
        get<QComboBox>("triggerChoice")->setCurrentIndex(2);
        get<QLineEdit>("triggerIdEdit")->setText("7DF");
        emit get<QLineEdit>("triggerIdEdit")->editingFinished();
        QCOMPARE(rows()->item(0, 4)->text(), "收到 7DF 后");
        get<QPushButton>("btnStart")->click();
        drain();
        QVERIFY(peer->writeFrame(QCanBusFrame(0x7DF, QByteArray::fromHex("02010D"))));
        QList<CanFrame> answers;
        QTRY_VERIFY((answers += drain(), !answers.isEmpty()));
        QCOMPARE(answers.first().identifier, 0x7E8u);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(answers.first().data.data()),
                            answers.first().length),
                 QByteArray::fromHex("02410D"));

        // By hand: the button, and the row's key typed anywhere in the window.
        get<QLineEdit>("keyEdit")->setText("k");
        emit get<QLineEdit>("keyEdit")->textEdited("k");
        transmit()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(transmit()));
        get<QPushButton>("btnSendOnce")->click();
        QTest::keyClick(rows(), Qt::Key_K);
        QList<CanFrame> once;
        QTRY_VERIFY((once += drain(), once.size() >= 2));
        QTest::qWait(50);
        QCOMPARE(once.size() + drain().size(), 2);
        // A 1 ms period leaves the window free: Stop works, nothing piles up.
        get<QComboBox>("triggerChoice")->setCurrentIndex(0);
        rows()->item(0, 3)->setText("1");
        get<QPushButton>("btnStart")->click();
        QTest::qWait(200);
        get<QPushButton>("btnStop")->click();
        QTest::qWait(50);
        QList<CanFrame> fast;
        QTRY_VERIFY((fast += drain(), fast.size() >= 20)); // 200 due; fewer on a busy machine
        QTest::qWait(100);
        QVERIFY(fast.size() + drain().size() <= 205);
        // CAN FD on a bus without it: the row is switched off, with the reason.
        rows()->item(0, 5)->setText("00 01 02 03 04 05 06 07 08 09 0A 0B");
        get<QPushButton>("btnStart")->click();
        QTRY_COMPARE(rows()->item(0, 0)->checkState(), Qt::Unchecked);
        QVERIFY2(status().contains("7E8"), qPrintable(status()));
        get<QPushButton>("btnStop")->click();

        f->click("btnOpenClose"); // the port closes: the list stops
        QVERIFY(get<QPushButton>("btnStart")->isEnabled());
        // Started with no port open: it says so and stops, trying nothing more.
        get<QPushButton>("btnStart")->click();
        get<QPushButton>("btnSendOnce")->click();
        QTRY_VERIFY(get<QPushButton>("btnStart")->isEnabled());
        QCOMPARE(status(), "发送失败，已停止");
    }

    // Another node's frames checked against the counter and checksum the list
    // sets (a counter chosen by hand too), and against a counter named so.
    void signalsWindowChecksWhatArrives()
    {
        startWindow();
        get<QLineEdit>("filterEdit")->setText("brake");
        QCOMPARE(get<QComboBox>("messageChoice")->count(), 1);
        get<QPushButton>("btnAddMessage")->click();
        rows()->selectRow(0);
        get<QComboBox>("algorithmChoice")->setCurrentText("xor8");
        get<QLineEdit>("filterEdit")->setText("100");
        get<QPushButton>("btnAddMessage")->click();
        rows()->selectRow(1);
        get<QComboBox>("counterChoice")->setCurrentText("Speed");
        QCOMPARE(get<QComboBox>("checksumChoice")->currentIndex(), 0);
        auto *signalsWindow = f->window->findChild<SignalsWindow *>();
        signalsWindow->show();
        for (int i = 0; i < 8; ++i) {
            if (i == 4) // counter 4 never comes
                continue;
            // The counter alone in byte 1: the XOR of bytes 1 to 7 is i.
            QByteArray brake(8, '\0'), speed(8, '\0');
            brake[1] = speed[0] = char(i);
            brake[0] = char(i == 2 || i == 6 ? i ^ 0xFF : i); // two wrong checksums
            const QByteArray door(1, char(i << 4)); // its counter by name
            QVERIFY(peer->writeFrame(QCanBusFrame(0x123, brake)));
            QVERIFY(peer->writeFrame(QCanBusFrame(0x100, speed)));
            QVERIFY(peer->writeFrame(QCanBusFrame(0x321, door)));
        }
        const QAbstractItemModel *model = child<QTableView>(signalsWindow, "messageView")->model();
        QCOMPARE(model->headerData(6, Qt::Horizontal).toString(), "计数器/校验和");
        QMap<QString, QString> integrity;
        QTRY_VERIFY((integrity.clear(), [&] {
                        for (int r = 0; r < model->rowCount(); ++r) {
                            if (model->data(model->index(r, 2)).toString() == "7")
                                integrity.insert(model->data(model->index(r, 0)).toString(),
                                                 model->data(model->index(r, 6)).toString());
                        }
                    }(), integrity.size() == 3));
        QCOMPARE(integrity.value("0x123"), "计数器错 1, 校验和错 2");
        QCOMPARE(integrity.value("0x100"), "计数器错 1");
        QCOMPARE(integrity.value("0x321"), "计数器错 1");
    }
};

QTEST_MAIN(tst_TransmitWindow)
#include "tst_transmitwindow.moc"
