// The diagnostics window over the capture: messages the converter's frames
// carry, reassembled, named, paired and filtered; the frames of one message.
#include "diagconsole.h"
#include "diagmessagemodel.h"
#include "diagwindow.h"
#include "hexbytes.h"
#include "qtframes.h"
#include "signalswindow.h"
#include "virtualbus.h"
#include "windowtest.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QPushButton>

#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

namespace {
QString Bus; // this program's own virtual bus, chosen in initTestCase()

CanFrame classic(quint32 id, const QByteArray &hexBytes)
{
    CanFrame frame;
    frame.identifier = id;
    const QByteArray bytes = QByteArray::fromHex(hexBytes);
    frame.length = quint8(bytes.size());
    std::copy(bytes.begin(), bytes.end(), frame.data.begin());
    return frame;
}
} // namespace

class tst_DiagWindow : public QObject
{
    Q_OBJECT

    WindowFixture *f = nullptr;
    DiagWindow *diag = nullptr;
    QTableView *table = nullptr;

    QString cell(int row, int column) const
    {
        return table->model()->index(row, column).data().toString();
    }
    // The rows shown as "identifier|direction|meaning".
    QStringList rows() const
    {
        QStringList result;
        for (int row = 0; row < table->model()->rowCount(); ++row)
            result << cell(row, DiagMessageModel::Identifier) + '|'
                            + cell(row, DiagMessageModel::Direction) + '|'
                            + cell(row, DiagMessageModel::Meaning);
        return result;
    }

    void showDiagnostics()
    {
        f->window->findChild<QAction *>("actionDiagnostics")->trigger();
        diag = f->window->findChild<DiagWindow *>();
        QVERIFY(QTest::qWaitForWindowExposed(diag));
        table = child<QTableView>(diag, "messageTable");
    }
    QString consoleText() const
    {
        return child<QPlainTextEdit>(diag, "consoleOutput")->toPlainText();
    }

private slots:
    void initTestCase() { Bus = freeVirtualBus(); }
    void init()
    {
        f = new WindowFixture;
        if (QByteArray(QTest::currentTestFunction()) != "console") {
            f->start(true);
            showDiagnostics();
        }
    }
    void cleanup() { delete f; }

    // The console against a unit on the virtual bus that paces a long request
    // (a wait, then blocks of 2), answers in segments, and once not at all.
    void console()
    {
        f->start(false);
        openPort(f->window, "virtualcan:" + Bus);
        QCOMPARE(f->status(), "端口正常打开");
        showDiagnostics();
        std::unique_ptr<QCanBusDevice> unit(QCanBus::instance()->createDevice("virtualcan", Bus));
        QVERIFY(unit && unit->connectDevice());
        QTRY_COMPARE(unit->state(), QCanBusDevice::ConnectedState);
        // The bus's relay takes the new client in on its next turn of the event loop.
        QTest::qWait(200);
        const auto next = [&]() -> CanFrame {
            if (!QTest::qWaitFor([&] { return unit->framesAvailable() > 0; }, 3000))
                return CanFrame();
            return canFrameFromQt(unit->readFrame());
        };
        const auto answer = [&](const QByteArray &hexBytes) {
            unit->writeFrame(qtFrameFromCan(classic(0x7E8, hexBytes)));
        };
        auto *requests = child<QComboBox>(diag, "requestBox");
        auto *send = child<QPushButton>(diag, "sendRequestButton");

        // 34 bytes: a first frame and four consecutive frames, two a block.
        requests->setEditText("2E F1 90 " + QString("41 ").repeated(31));
        send->click();
        QCOMPARE(next(), classic(0x7E0, "10222EF190414141"));
        answer("310000"); // wait
        QTest::qWait(50);
        QCOMPARE(unit->framesAvailable(), 0);
        answer("300205"); // blocks of 2, 5 ms apart
        QCOMPARE(next(), classic(0x7E0, "2141414141414141"));
        QCOMPARE(next(), classic(0x7E0, "2241414141414141"));
        QTest::qWait(50);
        QCOMPARE(unit->framesAvailable(), 0);
        answer("300000");
        QCOMPARE(next(), classic(0x7E0, "2341414141414141"));
        QCOMPARE(next(), classic(0x7E0, "2441414141414141"));
        answer("036EF190");
        QTRY_VERIFY2(consoleText().contains("← 6E F1 90  按标识符写数据 (0x2E) 肯定响应: F190 车辆识别号 (VIN)"), qPrintable(consoleText()));

        // A long answer is let come with a flow control to 7E0.
        requests->setEditText("22 F1 90");
        send->click();
        QCOMPARE(next(), classic(0x7E0, "0322F190AAAAAAAA"));
        answer("101462F190574442");
        QCOMPARE(next(), classic(0x7E0, "300000AAAAAAAAAA"));
        answer("2130303030303030");
        answer("2230303030303031");
        QTRY_VERIFY(consoleText().contains("\"WDB00000000000001\""));

        // "Response pending" gives the final answer 5 s instead of 1.
        requests->setEditText("22 F1 8C");
        send->click();
        QCOMPARE(next(), classic(0x7E0, "0322F18CAAAAAAAA"));
        answer("037F2278");
        QTest::qWait(1300);
        answer("0662F18C414243");
        QTRY_VERIFY(consoleText().contains("← 62 F1 8C 41 42 43  "));
        QVERIFY(!consoleText().contains("超时"));

        child<QCheckBox>(diag, "testerPresentBox")->setChecked(true);
        QCOMPARE(next(), classic(0x7E0, "023E80AAAAAAAAAA"));
        child<QCheckBox>(diag, "testerPresentBox")->setChecked(false);

        // No answer at all.
        requests->setEditText("19 02 FF");
        send->click();
        QCOMPARE(next(), classic(0x7E0, "031902FFAAAAAAAA"));
        QTRY_VERIFY_WITH_TIMEOUT(consoleText().contains("超时"), 3000);
        requests->setEditText("19 1FF");
        send->click();
        QVERIFY(consoleText().endsWith("“1FF”不是十六进制字节"));
    }

    void conversation()
    {
        // The VIN asked for and answered in three frames, a pending answer, and
        // a J1939 broadcast in one frame (listed only when asked for).
        f->pty.write(fixedFrame(0x7E0, hex("0322F19000000000"))
                     + fixedFrame(0x7E8, hex("037F227800000000"))
                     + fixedFrame(0x7E8, hex("101462F190574442"))
                     + fixedFrame(0x7E0, hex("3000000000000000"))
                     + fixedFrame(0x7E8, hex("2130303030303030"))
                     + fixedFrame(0x7E8, hex("2230303030303031"))
                     + fixedFrame(0x0CF00400, hex("F07D7DA01F000F7D"), true));
        QTRY_COMPARE(table->model()->rowCount(), 3);
        QCOMPARE(rows(), QStringList({ "7E0|请求|按标识符读数据 (0x22) 请求: F190 车辆识别号 (VIN)",
                                       "7E8|响应|按标识符读数据 (0x22) 否定响应: 响应待定 (0x78)",
                                       "7E8|响应|按标识符读数据 (0x22) 肯定响应: F190 车辆识别号 "
                                       "(VIN), \"WDB00000000000001\"" }));
        // Both answers are paired with the request: the pending one does not close it.
        QVERIFY(!cell(1, DiagMessageModel::AnswerTime).isEmpty());
        QVERIFY(!cell(2, DiagMessageModel::AnswerTime).isEmpty());
        QVERIFY(cell(0, DiagMessageModel::AnswerTime).isEmpty());
        QCOMPARE(cell(2, DiagMessageModel::Length), "20");

        // The frames of the answer, flow control included.
        table->setCurrentIndex(table->model()->index(2, 0));
        const QStringList frames =
                child<QPlainTextEdit>(diag, "framesView")->toPlainText().split('\n');
        QCOMPARE(frames.size(), 4);
        QVERIFY(frames[0].endsWith("接收  7E8  [8]  10 14 62 F1 90 57 44 42"));
        QVERIFY(frames[1].contains("7E0  [8]  30 00"));

        child<QCheckBox>(diag, "singleFramesBox")->setChecked(true);
        QTRY_COMPARE(table->model()->rowCount(), 4);
        QCOMPARE(cell(3, DiagMessageModel::Addresses), "00 → FF");
        QCOMPARE(cell(3, DiagMessageModel::Direction), "PGN F004");

        // Filters: by protocol, by identifier or address.
        auto *protocol = child<QComboBox>(diag, "protocolBox");
        protocol->setCurrentIndex(protocol->findData("J1939"));
        QCOMPARE(table->model()->rowCount(), 1);
        protocol->setCurrentIndex(0);
        child<QLineEdit>(diag, "addressEdit")->setText("7e0");
        QCOMPARE(table->model()->rowCount(), 1);
        child<QLineEdit>(diag, "addressEdit")->setText("00 → ff");
        QCOMPARE(table->model()->rowCount(), 1);
        QCOMPARE(cell(0, DiagMessageModel::Protocol), "J1939");
        child<QLineEdit>(diag, "addressEdit")->clear();

        // With the signals window's database, a J1939 group shows its signals, from any sender.
        f->dir.write("j1939.dbc", "VERSION \"\"\nBO_ 2364540158 EEC1: 8 Engine\n"
                                  " SG_ EngineSpeed : 24|16@1+ (0.125,0) [0|8031] \"rpm\" X\n"
                                  "BA_ \"ProtocolType\" \"J1939\";\n");
        QVERIFY(f->window->findChild<SignalsWindow *>()->loadDbc(f->dir.filePath("j1939.dbc")));
        QTRY_COMPARE(table->model()->rowCount(), 4);
        QCOMPARE(cell(3, DiagMessageModel::Meaning), "EEC1 EngineSpeed=1012 rpm");
    }

    // Identifiers of the user's, with extended addressing; one that is none is named.
    void userIdentifiers()
    {
        f->pty.write(fixedFrame(0x6F1, hex("12023E00")));
        auto *ids = child<QLineEdit>(diag, "idsEdit");
        ids->setText("7A0, 6G1");
        emit ids->editingFinished();
        QCOMPARE(child<QLabel>(diag, "idsProblem")->text(), "“6G1”不是标识符或范围");
        QTRY_COMPARE(f->filledRows(), 1);
        QCOMPARE(table->model()->rowCount(), 0);
        ids->setText("7A0, 6F1:ext");
        emit ids->editingFinished();
        QVERIFY(child<QLabel>(diag, "idsProblem")->isHidden());
        QTRY_COMPARE(table->model()->rowCount(), 1);
        QCOMPARE(cell(0, DiagMessageModel::Addresses), "12");
    }

    // A first frame with nothing after it is shown as cut short once overdue.
    void cutShortLive()
    {
        f->pty.write(fixedFrame(0x7E8, hex("1014620102030405")));
        QTRY_COMPARE_WITH_TIMEOUT(table->model()->rowCount(), 1, 3000);
        QCOMPARE(cell(0, DiagMessageModel::Meaning), "超时，报文不完整");
        QCOMPARE(cell(0, DiagMessageModel::Data), "62 01 02 03 04 05");
    }
};

QTEST_MAIN(tst_DiagWindow)
#include "tst_diagwindow.moc"
