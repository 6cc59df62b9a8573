#include "hexbytes.h"
#include "windowtest.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

// The data view fed by frames that arrive on the converter's line.
class tst_DataView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void receivedRowTexts();
    void ringWrapsAtTheRowLimit();
    void rowLimitField();
    void rowLimitRefusesHugeValues();
    void clearStartsAtTheTop();
    void pauseShowsNothing();
    void statisticsMode();
    void statisticsModeOverflowShowsAndAnswersOnce();
    void busStatusWhilePaused();

private:
    QTableWidget *view() const { return f->get<QTableWidget>("tableWidget"); }
    void receive(const QByteArray &bytes, int rows);
    void setRowLimit(const QString &text);
    void click(const char *checkBox);

    WindowFixture *f = nullptr;
};

void tst_DataView::init()
{
    QTest::failOnWarning(QRegularExpression("No matching signal"));
    f = new WindowFixture;
    f->start();
}

void tst_DataView::cleanup()
{
    delete f;
}

// Writes on the converter's side and waits until `rows` rows of the view are filled.
void tst_DataView::receive(const QByteArray &bytes, int rows)
{
    QVERIFY(f->pty.write(bytes));
    auto filled = [this] {
        int n = 0;
        for (int row = 0; row < view()->rowCount(); ++row)
            n += view()->item(row, 5) ? 1 : 0;
        return n;
    };
    QTRY_COMPARE(filled(), rows);
}

void tst_DataView::setRowLimit(const QString &text)
{
    // Typing over the selection: an emptied field would put the limit back at once.
    auto *edit = f->get<QLineEdit>("lineEditTotal");
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void tst_DataView::click(const char *checkBox)
{
    auto *box = f->get<QCheckBox>(checkBox);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
}

void tst_DataView::receivedRowTexts()
{
    QByteArray variable = hex("AA F0 10 00 00 00 55"); // extended remote, no data
    QByteArray unknownType = fixedFrame(0x7, hex("07"));
    unknownType[3] = 3;
    unknownType[19] = char(fixedChecksum(unknownType));
    receive(fixedFrame(0x123, hex("11 22 33")) + variable + unknownType, 3);

    const QRegularExpression time("^\\d\\d:\\d\\d:\\d\\d \\d\\d\\d$");
    QStringList first = rowCells(view(), 0);
    QVERIFY(time.match(first.takeAt(2)).hasMatch());
    QCOMPARE(first,
             (QStringList{ "0", "接受", "数据帧", "标准帧", "0x00000123", "3",
                           "11 22 33" + QString(13, ' ') }));
    QStringList second = rowCells(view(), 1);
    second.removeAt(2);
    QCOMPARE(second, (QStringList{ "1", "接受", "远程帧", "扩展帧", "0x00000010", "0", " " }));
    // A frame type that is neither standard nor extended leaves its cell alone.
    QCOMPARE(rowCells(view(), 2).at(4), QString("-"));
    QCOMPARE(view()->currentRow(), 2);
    QCOMPARE(view()->styleSheet(), QString("selection-background-color:rgb(0,167,242)"));
}

void tst_DataView::ringWrapsAtTheRowLimit()
{
    setRowLimit("3");
    QCOMPARE(view()->rowCount(), 3);
    receive(fixedFrame(1, hex("01")) + fixedFrame(2, hex("02")) + fixedFrame(3, hex("03")), 3);
    QVERIFY(f->pty.write(fixedFrame(4, hex("04"))));
    QTRY_COMPARE(rowCells(view(), 0).at(5), QString("0x00000004"));
    QCOMPARE(rowCells(view(), 0).at(0), QString("0"));
    QCOMPARE(rowCells(view(), 1).at(5), QString("0x00000002"));
    QCOMPARE(view()->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(view()->selectionModel()->selectedRows().first().row(), 0);
}

void tst_DataView::rowLimitField()
{
    auto *edit = f->get<QLineEdit>("lineEditTotal");
    receive(fixedFrame(1, hex("01")), 1);

    setRowLimit("25"); // the handler sees "2", then "25"
    QCOMPARE(view()->rowCount(), 25);
    QVERIFY(!view()->item(0, 5));

    receive(fixedFrame(1, hex("01")) + fixedFrame(2, hex("02")), 2);
    edit->clear(); // the limit comes back and the view is cleared
    QCOMPARE(edit->text(), QString("25"));
    QVERIFY(!view()->item(0, 5));

    for (const char *bad : { "0", "-5", "abc" }) {
        setRowLimit(bad);
        QCOMPARE(edit->text(), QString(bad));
        QCOMPARE(view()->rowCount(), 25);
    }
    // The cursor was not moved by the refused texts.
    receive(fixedFrame(9, hex("09")), 1);
    QCOMPARE(rowCells(view(), 0).at(5), QString("0x00000009"));
}

void tst_DataView::rowLimitRefusesHugeValues()
{
    auto *edit = f->get<QLineEdit>("lineEditTotal");
    edit->setText("2000000000");
    QCOMPARE(view()->rowCount(), 1000);
    QCOMPARE(statusText(f->window), QString("总行数不能超过100000"));
    edit->setText("100001");
    QCOMPARE(view()->rowCount(), 1000);
    edit->setText("100000");
    QCOMPARE(view()->rowCount(), 100000);
}

void tst_DataView::clearStartsAtTheTop()
{
    receive(fixedFrame(1, hex("01")) + fixedFrame(2, hex("02")), 2);
    QTest::mouseClick(f->get<QPushButton>("btnViewClear"), Qt::LeftButton);
    QCOMPARE(view()->rowCount(), 1000);
    QVERIFY(!view()->item(1, 5));
    receive(fixedFrame(3, hex("03")), 1);
    QCOMPARE(rowCells(view(), 0).at(5), QString("0x00000003"));
}

void tst_DataView::pauseShowsNothing()
{
    click("checkBoxPause");
    QVERIFY(f->pty.write(fixedFrame(1, hex("01"))));
    QTest::qWait(200);
    QVERIFY(!view()->item(0, 5));
    click("checkBoxPause");
    receive(fixedFrame(2, hex("02")), 1);
    QCOMPARE(rowCells(view(), 0).at(5), QString("0x00000002"));
}

void tst_DataView::statisticsMode()
{
    auto *overlay = f->get<QCheckBox>("checkBoxOverlayDisplay");
    QVERIFY(!overlay->isEnabled());
    click("checkBoxOnlyRev");
    QVERIFY(overlay->isEnabled());
    click("checkBoxOverlayDisplay");
    QVERIFY(overlay->isChecked());
    setRowLimit("3");

    receive(fixedFrame(0xA, hex("01")) + fixedFrame(0xB, hex("02")), 2);
    QVERIFY(f->pty.write(fixedFrame(0xC, hex("03"))));
    QTRY_COMPARE(statusText(f->window),
                 QString("Display area can display the number of rows is too little"));
    QVERIFY(!view()->item(2, 5));
    // The identifier was admitted: it takes the last row when it comes again.
    receive(fixedFrame(0xC, hex("04")), 3);
    QCOMPARE(rowCells(view(), 2).mid(4),
             (QStringList{ "标准帧", "0x0000000c", "1", "04" + QString(19, ' ') }));
    // Same identifier, other frame type: same row, latest frame shown.
    QVERIFY(f->pty.write(fixedFrame(0xA, hex("05 06"), true)));
    QTRY_COMPARE(rowCells(view(), 0).at(6), QString("2"));
    QCOMPARE(rowCells(view(), 0).at(0), QString("0"));
    QCOMPARE(rowCells(view(), 0).at(4), QString("扩展帧"));
    QCOMPARE(view()->styleSheet(), QString("selection-background-color:rgb(255,255,255)"));

    // Clearing keeps each identifier's row.
    QTest::mouseClick(f->get<QPushButton>("btnViewClear"), Qt::LeftButton);
    receive(fixedFrame(0xB, hex("07")), 1);
    QCOMPARE(rowCells(view(), 1).at(5), QString("0x0000000b"));

    // Switching the mode off and on forgets the rows.
    click("checkBoxOverlayDisplay");
    click("checkBoxOverlayDisplay");
    receive(fixedFrame(0xB, hex("08")), 1);
    QCOMPARE(rowCells(view(), 0).at(5), QString("0x0000000b"));

    // Leaving only-received leaves statistics mode and clears the view.
    click("checkBoxOnlyRev");
    QVERIFY(!overlay->isChecked());
    QVERIFY(!overlay->isEnabled());
    QVERIFY(!view()->item(0, 5));
    receive(fixedFrame(0xD, hex("09")) + fixedFrame(0xD, hex("0a")), 2);
}

void tst_DataView::statisticsModeOverflowShowsAndAnswersOnce()
{
    click("checkBoxOnlyRev");
    click("checkBoxOverlayDisplay");
    click("checkBoxReplyAuto");
    setRowLimit("2");
    // 0x10 is answered by the default reply list with 0x20.
    const QByteArray reply = fixedFrame(0x20, hex("00 11 22 33 44 55 66 77"));

    receive(fixedFrame(0x10, hex("01")), 1);
    QCOMPARE(f->pty.read(20), reply);

    // One batch: a known frame, a new identifier that finds no room, a known frame.
    QVERIFY(f->pty.write(fixedFrame(0x10, hex("02")) + fixedFrame(0x33, hex("03"))
                         + fixedFrame(0x10, hex("04"))));
    QCOMPARE(f->pty.read(40), reply + reply);
    QCOMPARE(f->pty.readAll(200), QByteArray());
    QCOMPARE(rowCells(view(), 0).at(7), "04" + QString(19, ' '));
    QCOMPARE(statusText(f->window),
             QString("Display area can display the number of rows is too little"));

    // The next batch shows and answers only its own frame.
    QVERIFY(f->pty.write(fixedFrame(0x10, hex("05"))));
    QCOMPARE(f->pty.read(20), reply);
    QCOMPARE(f->pty.readAll(200), QByteArray());
    QCOMPARE(rowCells(view(), 0).at(7), "05" + QString(19, ' '));
}

void tst_DataView::busStatusWhilePaused()
{
    click("checkBoxPause");
    QByteArray status(20, char(0));
    status[0] = char(0xAA);
    status[1] = char(0x55);
    status[2] = char(0x04);
    status[5] = char(3);
    status[6] = char(200);
    status[8] = char(1);
    status[19] = char(fixedChecksum(status));
    QVERIFY(f->pty.write(status));
    QTRY_COMPARE(statusText(f->window),
                 QString("总线状态:正常, 错误被动, 发送错误计数器  = 200, 接受错误计数器 = 3"));
    QVERIFY(!view()->item(0, 5));
}

QTEST_MAIN(tst_DataView)
#include "tst_dataview.moc"
