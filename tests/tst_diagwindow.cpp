// The diagnostics window over the capture: messages the converter's frames
// carry, reassembled, named, paired and filtered; the frames of one message.
#include "diagmessagemodel.h"
#include "diagwindow.h"
#include "hexbytes.h"
#include "windowtest.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

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

private slots:
    void init()
    {
        f = new WindowFixture;
        f->start(true);
        f->window->findChild<QAction *>("actionDiagnostics")->trigger();
        diag = f->window->findChild<DiagWindow *>();
        QVERIFY(QTest::qWaitForWindowExposed(diag));
        table = child<QTableView>(diag, "messageTable");
    }
    void cleanup() { delete f; }

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
                     + fixedFrame(0x0CF00400, hex("F07D7D0000FF0F7D"), true));
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
