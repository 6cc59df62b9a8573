#include "hexbytes.h"
#include "windowtest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

// The auto-reply list answering frames that arrive on the converter's line.
class tst_AutoReply : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void defaultRowAnswers_data();
    void defaultRowAnswers();
    void nothingWhileSwitchedOff();
    void everyMatchingRowAnswersInOrder();
    void pausedFramesAreStillAnswered();
    void replyTypeComesFromTheFrameTypeBox();
    void nonHexReceiveIdMatchesZero();
    void closedPortAndBadRows();
    void insertAndRemove();
    void saveAndReload();
    void files();

private:
    QTableWidget *list() const { return f->get<QTableWidget>("tableWidget_4"); }
    QTableWidget *view() const { return f->get<QTableWidget>("tableWidget"); }
    void startReplying();

    WindowFixture *f = nullptr;
};

void tst_AutoReply::init()
{
    QTest::failOnWarning(QRegularExpression("No matching signal"));
    f = new WindowFixture;
}

void tst_AutoReply::cleanup()
{
    delete f;
}

void tst_AutoReply::startReplying()
{
    f->start();
    f->showPageOf("checkBoxReplyAuto");
    auto *box = f->get<QCheckBox>("checkBoxReplyAuto");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    QVERIFY(box->isChecked());
}

void tst_AutoReply::defaultRowAnswers_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<bool>("variable");
    QTest::addColumn<QByteArray>("reply");

    const QByteArray fixedReply =
            hex("AA 55 01 01 01 20 00 00 00 08 00 11 22 33 44 55 66 77 00 07");
    const QByteArray variableReply = hex("AA C8 20 00 00 11 22 33 44 55 66 77 55");
    QTest::newRow("fixed in, fixed out") << fixedFrame(0x10, hex("01")) << false << fixedReply;
    QTest::newRow("variable remote in, fixed out") << hex("AA D0 10 00 55") << false << fixedReply;
    QTest::newRow("fixed in, variable out") << fixedFrame(0x10, {}) << true << variableReply;
}

void tst_AutoReply::defaultRowAnswers()
{
    QFETCH(QByteArray, received);
    QFETCH(bool, variable);
    QFETCH(QByteArray, reply);

    startReplying();
    if (variable) {
        f->get<QRadioButton>("radioBtnVariable")->setChecked(true);
        QTest::ignoreMessage(QtDebugMsg, "13");
    }
    QVERIFY(f->pty.write(received));
    QCOMPARE(f->pty.read(reply.size()).toHex(' '), reply.toHex(' '));
    QTRY_VERIFY(view()->item(1, 5));
    QCOMPARE(rowCells(view(), 0).at(1), QString("接受"));
    QStringList sent = rowCells(view(), 1);
    sent.removeAt(2);
    QCOMPARE(sent,
             (QStringList{ "1", "发送", "数据帧", "标准帧", "0x00000020", "8",
                           "00 11 22 33 44 55 66 77" }));
    QCOMPARE(view()->currentRow(), 1);
}

void tst_AutoReply::nothingWhileSwitchedOff()
{
    f->start();
    QVERIFY(f->pty.write(fixedFrame(0x10, hex("01"))));
    QTRY_VERIFY(view()->item(0, 5));
    QCOMPARE(f->pty.readAll(150), QByteArray());
}

void tst_AutoReply::everyMatchingRowAnswersInOrder()
{
    startReplying();
    list()->item(2, 0)->setText("0x99");
    list()->item(2, 1)->setText("0x2");
    list()->item(5, 0)->setText("99");
    list()->item(5, 1)->setText("0x5");
    QVERIFY(f->pty.write(fixedFrame(0x99, {})));
    const QByteArray replies = f->pty.read(40);
    QCOMPARE(replies.size(), 40);
    QCOMPARE(int(replies.at(5)), 2);
    QCOMPARE(int(replies.at(25)), 5);
    QTRY_VERIFY(view()->item(2, 5));
    QCOMPARE(rowCells(view(), 1).at(5), QString("0x2"));
    QCOMPARE(rowCells(view(), 2).at(5), QString("0x5"));
}

void tst_AutoReply::pausedFramesAreStillAnswered()
{
    startReplying();
    auto *pause = f->get<QCheckBox>("checkBoxPause");
    QTest::mouseClick(pause, Qt::LeftButton, {}, QPoint(5, pause->height() / 2));
    QVERIFY(f->pty.write(fixedFrame(0x11, hex("01"))));
    QCOMPARE(f->pty.read(20).mid(5, 1), hex("21"));
    QVERIFY(!view()->item(0, 5));
}

void tst_AutoReply::replyTypeComesFromTheFrameTypeBox()
{
    startReplying();
    QVERIFY(f->pty.write(fixedFrame(0x12, hex("01"), true)));
    QCOMPARE(f->pty.read(20).mid(3, 1), hex("01")); // standard
    f->get<QComboBox>("cbBoxType")->setCurrentIndex(1);
    QVERIFY(f->pty.write(fixedFrame(0x12, hex("01"), false)));
    QCOMPARE(f->pty.read(20).mid(3, 1), hex("02")); // extended
}

void tst_AutoReply::nonHexReceiveIdMatchesZero()
{
    startReplying();
    list()->item(0, 0)->setText("zz");
    QVERIFY(f->pty.write(fixedFrame(0x0, {})));
    QCOMPARE(f->pty.read(20).mid(5, 1), hex("20"));
}

void tst_AutoReply::closedPortAndBadRows()
{
    startReplying();
    list()->item(0, 2)->setText("01 02 03 04 05 06 07 08 09");
    QVERIFY(f->pty.write(fixedFrame(0x10, {})));
    QTRY_COMPARE(statusText(f->window), QString("数据长度不能超过8字节"));
    delete list()->takeItem(1, 1);
    QVERIFY(f->pty.write(fixedFrame(0x11, {})));
    QTRY_COMPARE(statusText(f->window), QString("ID不能为空"));
    QCOMPARE(f->pty.readAll(150), QByteArray());
}

void tst_AutoReply::insertAndRemove()
{
    f->start(false);
    list()->setCurrentCell(-1, -1);
    QTest::mouseClick(f->get<QPushButton>("btnAutoReplyInsert"), Qt::LeftButton);
    QCOMPARE(rowCells(list(), 0),
             (QStringList{ "0x00000010", "0x00000020", "00 11 22 33 44 55 66 77" }));
    list()->setCurrentCell(3, 0);
    QTest::mouseClick(f->get<QPushButton>("btnAutoReplyInsert"), Qt::LeftButton);
    QCOMPARE(rowCells(list(), 4).mid(0, 2), (QStringList{ "0x00000014", "0x00000024" }));
    QCOMPARE(list()->rowCount(), 12);
    QTest::mouseClick(f->get<QPushButton>("btnAutoReplyRemove"), Qt::LeftButton);
    QCOMPARE(list()->rowCount(), 11);
}

void tst_AutoReply::saveAndReload()
{
    f->start(false);
    list()->setRowCount(3);
    list()->item(1, 2)->setText("aa  bb");
    QTest::mouseClick(f->get<QPushButton>("btnAutoReplySave"), Qt::LeftButton);
    QCOMPARE(f->dir.read("reply.txt"),
             QByteArray("0x00000010,0x00000020,00 11 22 33 44 55 66 77\n"
                        "0x00000011,0x00000021,aa  bb\n"
                        "0x00000012,0x00000022,00 11 22 33 44 55 66 77\n"));
    delete f->window;
    f->start(false);
    QCOMPARE(list()->rowCount(), 3);
    QCOMPARE(rowCells(list(), 1), (QStringList{ "0x00000011", "0x00000021", "aa bb" }));
}

void tst_AutoReply::files()
{
    f->dir.write("reply.txt", "1,2,3\n\n4,5,6\n");
    f->start(false);
    QCOMPARE(list()->rowCount(), 1);
    delete f->window;
    f->dir.write("reply.txt", "");
    f->start(false);
    QCOMPARE(list()->rowCount(), 0);
    delete f->window;
    QFile::remove(f->dir.filePath("reply.txt"));
    QDir(f->dir.path()).mkdir("reply.txt");
    f->start(false);
    QCOMPARE(rowCells(list(), 9),
             (QStringList{ "0x00000019", "0x00000029", "00 11 22 33 44 55 66 77" }));
    QTest::mouseClick(f->get<QPushButton>("btnAutoReplySave"), Qt::LeftButton);
    QCOMPARE(statusText(f->window), QString("保存失败: reply.txt"));
}

QTEST_MAIN(tst_AutoReply)
#include "tst_autoreply.moc"
