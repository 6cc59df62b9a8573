#include "hexbytes.h"
#include "windowtest.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

// The auto-send list on a real line: order and rough spacing of the frames.
class tst_AutoSend : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cyclingSequence();
    void onceThrough();
    void disabledRowsAreSkipped();
    void noEnabledRow();
    void badIntervalsAreSkippedAtTheirTurn();
    void closedPortStartsNothing();
    void rowsRemovedWhileRunning();
    void tooManyDataBytesFailsTheRow();
    void saveAndReload();
    void loadingRules();
    void failedSaveKeepsTheOldFile();

private:
    struct Arrival
    {
        int id;
        qint64 ms;
    };
    // Frames as they arrive on the converter's side, with their times from the first.
    QList<Arrival> collect(int frames, int timeoutMs);
    QTableWidget *list() const { return f->get<QTableWidget>("tableWidget_3"); }
    void click(const char *button)
    {
        QTest::mouseClick(f->get<QPushButton>(button), Qt::LeftButton);
    }
    void startWithRows(const QByteArray &autoTxt, bool cycle);
    bool timersIdle() const;

    WindowFixture *f = nullptr;
};

void tst_AutoSend::init()
{
    QTest::failOnWarning(QRegularExpression("No matching signal"));
    f = new WindowFixture;
}

void tst_AutoSend::cleanup()
{
    delete f;
}

QList<tst_AutoSend::Arrival> tst_AutoSend::collect(int frames, int timeoutMs)
{
    QList<Arrival> arrivals;
    QElapsedTimer clock;
    QElapsedTimer sinceFirst;
    clock.start();
    while (arrivals.size() < frames && clock.elapsed() < timeoutMs) {
        const QByteArray frame = f->pty.read(20, 20);
        if (frame.size() < 20) {
            if (!frame.isEmpty())
                qWarning("split frame");
            continue;
        }
        if (arrivals.isEmpty())
            sinceFirst.start();
        arrivals.append({ quint8(frame.at(5)), arrivals.isEmpty() ? 0 : sinceFirst.elapsed() });
    }
    return arrivals;
}

void tst_AutoSend::startWithRows(const QByteArray &autoTxt, bool cycle)
{
    f->dir.write("auto.txt", autoTxt);
    f->start();
    f->showPageOf("checkBoxAutoCycle");
    if (cycle) {
        auto *box = f->get<QCheckBox>("checkBoxAutoCycle");
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
        QVERIFY(box->isChecked());
    }
}

bool tst_AutoSend::timersIdle() const
{
    return !f->get<QTimer>("autoSendTimer")->isActive();
}

void tst_AutoSend::cyclingSequence()
{
    startWithRows("1,01,100,1,发送\n2,02,200,1,发送\n3,03,300,1,发送\n", true);
    click("btnSendSeq");
    const QList<Arrival> got = collect(5, 4000);
    QCOMPARE(got.size(), 5);
    const int ids[] = { 1, 2, 3, 1, 2 };
    const int gaps[] = { 100, 200, 300, 100 };
    for (int i = 0; i < 5; ++i)
        QCOMPARE(got[i].id, ids[i]);
    for (int i = 0; i < 4; ++i) {
        const qint64 gap = got[i + 1].ms - got[i].ms;
        QVERIFY2(gap >= gaps[i] - 30 && gap <= gaps[i] + 250,
                 qPrintable(QString("gap %1: %2 ms").arg(i).arg(gap)));
    }
    click("btnAutoStop");
    f->pty.readAll(50);
    QCOMPARE(f->pty.readAll(400), QByteArray());
}

void tst_AutoSend::onceThrough()
{
    startWithRows("1,01,100,1,发送\n2,02,100,1,发送\n3,03,150,1,发送\n", false);
    click("btnSendSeq");
    const QList<Arrival> got = collect(3, 3000);
    QCOMPARE(got.size(), 3);
    QCOMPARE(got[2].id, 3);
    QCOMPARE(f->pty.readAll(450), QByteArray());
    QCOMPARE(statusText(f->window), QString("请检查是否有需要发送的数据"));
    QVERIFY(!timersIdle()); // still ticking until stopped
    click("btnAutoStop");
    QVERIFY(timersIdle());
}

void tst_AutoSend::disabledRowsAreSkipped()
{
    startWithRows("1,01,60,1,发送\n2,02,60,0,发送\n3,03,60,1,发送\n", true);
    click("btnSendSeq");
    const QList<Arrival> got = collect(4, 3000);
    QCOMPARE(got.size(), 4);
    QCOMPARE((QList<int>{ got[0].id, got[1].id, got[2].id, got[3].id }),
             (QList<int>{ 1, 3, 1, 3 }));
    // The frames go out byte for byte as the list says.
    click("btnAutoStop");
    f->pty.readAll(100);
    click("btnSendSeq");
    QCOMPARE(f->pty.read(20), fixedFrame(1, hex("01")));
    click("btnAutoStop");
}

void tst_AutoSend::noEnabledRow()
{
    startWithRows("1,01,60,0,发送\n", true);
    click("btnSendSeq");
    QCOMPARE(statusText(f->window), QString("请检查是否有要发送的数据"));
    QVERIFY(timersIdle());
    list()->setRowCount(0);
    click("btnSendSeq");
    QCOMPARE(statusText(f->window), QString("请检查是否有要发送的数据"));
}

void tst_AutoSend::badIntervalsAreSkippedAtTheirTurn()
{
    startWithRows(
            "1,01,100,1,发送\n2,02,0,1,发送\n3,03,abc,1,发送\n4,04,-1,1,发送\n5,05,500,1,发送\n",
            false);
    click("btnSendSeq");
    const QList<Arrival> got = collect(2, 3000);
    QCOMPARE(got.size(), 2);
    QCOMPARE(got[1].id, 5);
    // Three bad rows, each a tick at the first row's interval.
    QVERIFY2(got[1].ms >= 370 && got[1].ms <= 700, qPrintable(QString::number(got[1].ms)));
    click("btnAutoStop");
}

void tst_AutoSend::closedPortStartsNothing()
{
    f->start(false);
    click("btnSendSeq");
    QCOMPARE(statusText(f->window), QString("COM端口已关闭，请先打开COM端口"));
    QVERIFY(timersIdle());
}

void tst_AutoSend::rowsRemovedWhileRunning()
{
    startWithRows("1,01,80,1,发送\n2,02,80,1,发送\n3,03,80,1,发送\n", true);
    click("btnSendSeq");
    QCOMPARE(collect(3, 2000).size(), 3); // the index is now on the last row
    list()->setRowCount(1);
    const QList<Arrival> got = collect(3, 2000);
    QCOMPARE(got.size(), 3);
    for (const Arrival &a : got)
        QCOMPARE(a.id, 1);
    click("btnAutoStop");
}

void tst_AutoSend::tooManyDataBytesFailsTheRow()
{
    startWithRows("1,01 02 03 04 05 06 07 08 09,100,1,发送\n", true);
    click("btnSendSeq");
    QCOMPARE(statusText(f->window), QString("数据长度不能超过8字节"));
    QVERIFY(timersIdle());
    QCOMPARE(f->pty.readAll(150), QByteArray());
}

void tst_AutoSend::saveAndReload()
{
    f->start(false);
    QCOMPARE(list()->rowCount(), 10);
    list()->item(1, 3)->setCheckState(Qt::Unchecked);
    list()->item(2, 2)->setText("250");
    list()->setCurrentCell(-1, -1);
    click("btnAutoInsert");
    QCOMPARE(list()->item(0, 3)->text(), QString("发送"));
    QCOMPARE(list()->item(0, 3)->checkState(), Qt::Checked);
    list()->setRowCount(4);
    click("btnAutoSave");
    QCOMPARE(f->dir.read("auto.txt"),
             QByteArray("0x00000000,00 11 22 33 44 55 66 77,1000,1,发送\n"
                        "0x00000000,00 11 22 33 44 55 66 77,1000,1,发送\n"
                        "0x00000001,00 11 22 33 44 55 66 77,1000,0,发送\n"
                        "0x00000002,00 11 22 33 44 55 66 77,250,1,发送\n"));
    delete f->window;
    f->start(false);
    QCOMPARE(list()->rowCount(), 4);
    QCOMPARE(list()->item(2, 3)->checkState(), Qt::Unchecked);
    QCOMPARE(list()->item(3, 2)->text(), QString("250"));
}

void tst_AutoSend::loadingRules()
{
    f->dir.write("auto.txt", "a,b,c,1,on\nd,e,f,01,on\ng,h,i, 1,on,extra\nj,k,l,1\nm,n,o,1,on\n");
    f->start(false);
    QCOMPARE(list()->rowCount(), 3); // four fields end the file
    QCOMPARE(list()->item(0, 3)->checkState(), Qt::Checked);
    QCOMPARE(list()->item(1, 3)->checkState(), Qt::Unchecked); // "1" exactly
    QCOMPARE(list()->item(2, 3)->checkState(), Qt::Unchecked); // nor " 1"
    delete f->window;
    f->dir.write("auto.txt", "");
    f->start(false);
    QCOMPARE(list()->rowCount(), 0);
}

void tst_AutoSend::failedSaveKeepsTheOldFile()
{
    QDir(f->dir.path()).mkdir("auto.txt");
    f->start(false);
    QCOMPARE(list()->rowCount(), 10); // unreadable: the defaults
    click("btnAutoSave");
    QCOMPARE(statusText(f->window), QString("保存失败: auto.txt"));
    QVERIFY(QFileInfo(f->dir.filePath("auto.txt")).isDir());
}

QTEST_MAIN(tst_AutoSend)
#include "tst_autosend.moc"
