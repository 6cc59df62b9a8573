#include "hexbytes.h"
#include "windowtest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

// The manual list: a click on a send cell puts the row's frame on the line.
class tst_ManualSend : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sendCellSendsTheRow_data();
    void sendCellSendsTheRow();
    void otherCellsSendNothing();
    void closedPortRefusesAnyCell();
    void missingIdentifierCell();
    void moreThanEightBytesAreRefused();
    void pauseAndOnlyReceivedStillSend();
    void insertAndRemove();
    void saveAndReload();
    void fileQuirks();
    void missingAndEmptyFiles();
    void failedSaveKeepsTheOldFile();

private:
    QTableWidget *list() const { return f->get<QTableWidget>("tableWidget_2"); }
    QTableWidget *view() const { return f->get<QTableWidget>("tableWidget"); }
    void startOnPage(bool openThePort = true);

    WindowFixture *f = nullptr;
};

void tst_ManualSend::init()
{
    QTest::failOnWarning(QRegularExpression("No matching signal"));
    f = new WindowFixture;
}

void tst_ManualSend::cleanup()
{
    delete f;
}

void tst_ManualSend::startOnPage(bool openThePort)
{
    f->start(openThePort);
    f->showPageOf("tableWidget_2");
}

void tst_ManualSend::sendCellSendsTheRow_data()
{
    QTest::addColumn<bool>("variable");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QByteArray>("wire");

    QTest::newRow("fixed standard")
            << false << false << hex("AA 55 01 01 01 00 00 00 00 08 00 11 22 33 44 55 66 77 00 E7");
    QTest::newRow("fixed extended")
            << false << true << hex("AA 55 01 02 01 00 00 00 00 08 00 11 22 33 44 55 66 77 00 E8");
    QTest::newRow("variable standard")
            << true << false << hex("AA C8 00 00 00 11 22 33 44 55 66 77 55");
    QTest::newRow("variable extended")
            << true << true << hex("AA E8 00 00 00 00 00 11 22 33 44 55 66 77 55");
}

void tst_ManualSend::sendCellSendsTheRow()
{
    QFETCH(bool, variable);
    QFETCH(bool, extended);
    QFETCH(QByteArray, wire);

    startOnPage();
    if (variable)
        f->get<QRadioButton>("radioBtnVariable")->setChecked(true);
    f->get<QComboBox>("cbBoxType")->setCurrentIndex(extended ? 1 : 0);
    if (variable)
        QTest::ignoreMessage(QtDebugMsg, QByteArray::number(wire.size()).constData());
    clickCell(list(), 0, 2);
    QCOMPARE(f->pty.read(wire.size()).toHex(' '), wire.toHex(' '));
    QCOMPARE(f->pty.readAll(100), QByteArray());

    QStringList row = rowCells(view(), 0);
    row.removeAt(2);
    QCOMPARE(row,
             (QStringList{ "0", "发送", "数据帧", extended ? "扩展帧" : "标准帧", "0x00000000", "8",
                           "00 11 22 33 44 55 66 77" }));
}

void tst_ManualSend::otherCellsSendNothing()
{
    startOnPage();
    clickCell(list(), 1, 0);
    clickCell(list(), 1, 1);
    QCOMPARE(f->pty.readAll(150), QByteArray());
    QVERIFY(!view()->item(0, 5));
}

void tst_ManualSend::closedPortRefusesAnyCell()
{
    startOnPage(false);
    for (int column : { 0, 2 }) {
        f->window->statusBar()->clearMessage();
        clickCell(list(), 0, column);
        QCOMPARE(statusText(f->window),
                 QString("The COM port is closed, please open the COM port first"));
    }
    QVERIFY(!view()->item(0, 5));
    QTRY_VERIFY_WITH_TIMEOUT(statusText(f->window).isEmpty(), 3000); // shown for a second
}

void tst_ManualSend::missingIdentifierCell()
{
    startOnPage();
    delete list()->takeItem(3, 0);
    clickCell(list(), 3, 2);
    QCOMPARE(statusText(f->window), QString("ID值不能为空"));
    // An identifier cell that exists but is empty sends identifier 0.
    list()->setItem(3, 0, new QTableWidgetItem(""));
    clickCell(list(), 3, 2);
    QCOMPARE(f->pty.read(20).mid(5, 4), hex("00 00 00 00"));
}

void tst_ManualSend::moreThanEightBytesAreRefused()
{
    startOnPage();
    list()->item(0, 1)->setText("01 02 03 04 05 06 07 08 09");
    clickCell(list(), 0, 2);
    QCOMPARE(statusText(f->window), QString("数据长度不能超过8字节"));
    QCOMPARE(f->pty.readAll(150), QByteArray());
    QVERIFY(!view()->item(0, 5));
}

void tst_ManualSend::pauseAndOnlyReceivedStillSend()
{
    startOnPage();
    for (const char *box : { "checkBoxPause", "checkBoxOnlyRev" }) {
        auto *check = f->get<QCheckBox>(box);
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
        clickCell(list(), 1, 2);
        QCOMPARE(f->pty.read(20).mid(5, 1), hex("01"));
        QVERIFY(!view()->item(0, 5));
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
    }
}

void tst_ManualSend::insertAndRemove()
{
    startOnPage(false);
    list()->setCurrentCell(-1, -1);
    QTest::mouseClick(f->get<QPushButton>("btnManualINsert"), Qt::LeftButton);
    QCOMPARE(list()->rowCount(), 11);
    QCOMPARE(rowCells(list(), 0), (QStringList{ "0x00000000", "00 11 22 33 44 55 66 77", "发送" }));
    QCOMPARE(list()->item(0, 2)->background().color(), QColor(192, 192, 192));
    QCOMPARE(list()->item(0, 2)->textAlignment(), int(Qt::AlignCenter));

    list()->setCurrentCell(4, 0);
    QTest::mouseClick(f->get<QPushButton>("btnManualINsert"), Qt::LeftButton);
    QCOMPARE(rowCells(list(), 5).at(0), QString("0x00000005"));
    QCOMPARE(rowCells(list(), 6).at(0), QString("0x00000004")); // moved down, text kept

    list()->setCurrentCell(0, 0);
    QTest::mouseClick(f->get<QPushButton>("btnManualRemove"), Qt::LeftButton);
    QCOMPARE(list()->rowCount(), 11);
    QCOMPARE(rowCells(list(), 0).at(0), QString("0x00000000")); // the original first row
}

void tst_ManualSend::saveAndReload()
{
    startOnPage(false);
    list()->item(1, 0)->setText("0x7ff");
    list()->item(1, 1)->setText("aa bb");
    list()->item(1, 2)->setText("go");
    QTest::mouseClick(f->get<QPushButton>("btnManualSave"), Qt::LeftButton);

    QByteArray expected;
    for (int row = 0; row < 10; ++row) {
        expected += row == 1
                ? QByteArray("0x7ff,aa bb,go\n")
                : "0x0000000" + QByteArray::number(row) + ",00 11 22 33 44 55 66 77,发送\n";
    }
    QCOMPARE(f->dir.read("manual.txt"), expected);

    delete f->window;
    f->start(false);
    QCOMPARE(list()->rowCount(), 10);
    QCOMPARE(rowCells(list(), 1), (QStringList{ "0x7ff", "aa bb", "go" }));
    QCOMPARE(list()->item(1, 2)->background().color(), QColor(192, 192, 192));
    QCOMPARE(list()->columnWidth(1), 200);
}

void tst_ManualSend::fileQuirks()
{
    f->dir.write("manual.txt", "1,00  11,发送\n2,00 11,22,发送,extra\n3,01,发送\n\n4,02,发送\n");
    startOnPage();
    QCOMPARE(list()->rowCount(), 3); // the empty line ends the list
    // Double blanks come back single: two bytes, not three.
    QCOMPARE(rowCells(list(), 0).at(1), QString("00 11"));
    // A comma in the data splits it; extra fields are ignored.
    QCOMPARE(rowCells(list(), 1), (QStringList{ "2", "00 11", "22" }));
    clickCell(list(), 0, 2);
    QCOMPARE(f->pty.read(20).mid(9, 1), hex("02"));
}

void tst_ManualSend::missingAndEmptyFiles()
{
    startOnPage(false);
    QCOMPARE(list()->rowCount(), 10);
    QCOMPARE(rowCells(list(), 9), (QStringList{ "0x00000009", "00 11 22 33 44 55 66 77", "发送" }));
    delete f->window;
    f->dir.write("manual.txt", "");
    f->start(false);
    QCOMPARE(list()->rowCount(), 0);
}

void tst_ManualSend::failedSaveKeepsTheOldFile()
{
    QDir(f->dir.path()).mkdir("manual.txt");
    startOnPage(false);
    QTest::mouseClick(f->get<QPushButton>("btnManualSave"), Qt::LeftButton);
    QCOMPARE(statusText(f->window), QString("保存失败: manual.txt"));
    QVERIFY(QFileInfo(f->dir.filePath("manual.txt")).isDir());
}

QTEST_MAIN(tst_ManualSend)
#include "tst_manualsend.moc"
