#include "hexbytes.h"
#include "windowtest.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

namespace {
const QString Data = "00 11 22 33 44 55 66 77";

struct ListCase
{
    const char *tag, *table, *buttons, *file; // buttons: insert, remove, save
    int idBase; // of the default rows' identifiers
    QStringList firstRow, reloaded; // the second row read back
    const char *saved; // three rows, the second edited; $D: the default data
};

struct SequenceCase
{
    const char *tag;
    QByteArray file;
    bool cycle;
    QList<int> ids;
    QList<int> gapsMs;
};
} // namespace
Q_DECLARE_METATYPE(ListCase)
Q_DECLARE_METATYPE(SequenceCase)

// The three lists that send frames: by hand, in sequence, and in reply to received frames.
class tst_SendLists : public QObject
{
    Q_OBJECT

private slots:
    void listFiles_data();
    void listFiles();
    void manualSend_data();
    void manualSend();
    void manualSendRefusals();
    void autoSendSequence_data();
    void autoSendSequence();
    void autoSendRefusals_data();
    void autoSendRefusals();
    void autoReply_data();
    void autoReply();
    void autoReplyMatching();
};

void tst_SendLists::listFiles_data()
{
    QTest::addColumn<ListCase>("c");
    // clang-format off
    const ListCase cases[] = {
        { "manual", "tableWidget_2", "btnManualINsert btnManualRemove btnManualSave", "manual.txt",
          0, { "0x00000000", Data, "发送" }, { "0x00000001", "aa bb", "发送" },
          "0x00000000,$D,发送\n0x00000001,aa  bb,发送\n0x00000002,$D,发送\n" },
        { "auto send", "tableWidget_3", "btnAutoInsert btnAutoRemove btnAutoSave", "auto.txt",
          0, { "0x00000000", Data, "1000", "发送" }, { "0x00000001", "aa bb", "1000", "发送" },
          "0x00000000,$D,1000,1,发送\n0x00000001,aa  bb,1000,0,发送\n0x00000002,$D,1000,1,发送\n" },
        { "auto reply", "tableWidget_4", "btnAutoReplyInsert btnAutoReplyRemove btnAutoReplySave",
          "reply.txt", 0x10, { "0x00000010", "0x00000020", Data },
          { "0x00000011", "0x00000021", "aa bb" },
          "0x00000010,0x00000020,$D\n0x00000011,0x00000021,aa  bb\n0x00000012,0x00000022,$D\n" },
    };
    // clang-format on
    for (const ListCase &c : cases)
        QTest::newRow(c.tag) << c;
}

// Each list: its defaults, its file written and read back, the file's rules, insert and remove.
void tst_SendLists::listFiles()
{
    QFETCH(ListCase, c);
    const bool enableColumn = c.firstRow.size() == 4; // auto send
    const QList<QByteArray> buttons = QByteArray(c.buttons).split(' ');
    WindowFixture f(false);
    auto list = [&] { return f.get<QTableWidget>(c.table); };
    auto id = [&](int n) { return identifierText(quint32(c.idBase + n)); };
    QCOMPARE(rowCells(list(), 0), c.firstRow); // no file: the defaults
    list()->setRowCount(3);
    list()->item(1, c.firstRow.indexOf(Data))->setText("aa  bb");
    if (enableColumn)
        list()->item(1, 3)->setCheckState(Qt::Unchecked);
    f.click(buttons[2]);
    QCOMPARE(f.dir.read(c.file), QByteArray(c.saved).replace("$D", Data.toUtf8()));
    f.restart();
    QCOMPARE(list()->rowCount(), 3);
    QCOMPARE(rowCells(list(), 1), c.reloaded);
    if (enableColumn)
        QCOMPARE(list()->item(1, 3)->checkState(), Qt::Unchecked);

    // At the top without a current row, else below it; the current row is removed.
    list()->setCurrentCell(-1, -1);
    f.click(buttons[0]);
    QCOMPARE(rowCells(list(), 0), c.firstRow);
    list()->setCurrentCell(2, 0);
    f.click(buttons[0]);
    QCOMPARE(rowCells(list(), 3).at(0) + rowCells(list(), 4).at(0), id(3) + id(2));
    list()->setCurrentCell(3, 0);
    f.click(buttons[1]);
    QCOMPARE(list()->rowCount(), 4);
    QCOMPARE(rowCells(list(), 3).at(0), id(2));

    // An empty line or one of too few fields ends the list.
    for (const char *text : { "1,2,3,4,5\n\n6,7,8,9,10\n", "1,2,3,4,5\n6,7\n8,9,10,11,12\n" }) {
        f.dir.write(c.file, text);
        f.restart();
        QCOMPARE(list()->rowCount(), 1);
    }
    // A file that cannot be read gives the defaults; one that cannot be written stays.
    QFile::remove(f.dir.filePath(c.file));
    QDir(f.dir.path()).mkdir(c.file);
    f.restart();
    QCOMPARE(list()->rowCount(), 10);
    f.click(buttons[2]);
    QCOMPARE(f.status(), QString("保存失败: ") + c.file);
    QVERIFY(QFileInfo(f.dir.filePath(c.file)).isDir());
}

void tst_SendLists::manualSend_data()
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

void tst_SendLists::manualSend()
{
    QFETCH(bool, variable);
    QFETCH(bool, extended);
    QFETCH(QByteArray, wire);
    WindowFixture f(true);
    f.get<QRadioButton>(variable ? "radioBtnVariable" : "radioBtnFixed")->setChecked(true);
    f.get<QComboBox>("cbBoxType")->setCurrentIndex(extended ? 1 : 0);
    if (variable)
        QTest::ignoreMessage(QtDebugMsg, QByteArray::number(wire.size()).constData());
    f.clickListCell("tableWidget_2", 0, 2);
    QCOMPARE(f.pty.read(wire.size()).toHex(' '), wire.toHex(' '));
    QCOMPARE(f.pty.readAll(100), QByteArray());
    QCOMPARE(f.viewRow(0),
             QString("0|发送|数据帧|%1|0x00000000|8|").arg(extended ? "扩展帧" : "标准帧") + Data);
}

void tst_SendLists::manualSendRefusals()
{
    WindowFixture f(false);
    auto *list = f.get<QTableWidget>("tableWidget_2");
    f.clickListCell("tableWidget_2", 0, 0);
    QCOMPARE(f.status(), QString("The COM port is closed, please open the COM port first"));
    QTRY_VERIFY_WITH_TIMEOUT(f.status().isEmpty(), 3000); // shown for a second
    openPort(f.window, f.pty.slavePath());
    f.clickListCell("tableWidget_2", 1, 0); // only the send cell sends
    f.clickListCell("tableWidget_2", 1, 1);
    list->item(0, 1)->setText("01 02 03 04 05 06 07 08 09");
    f.clickListCell("tableWidget_2", 0, 2);
    QCOMPARE(f.status(), QString("数据长度不能超过8字节"));
    delete list->takeItem(3, 0);
    f.clickListCell("tableWidget_2", 3, 2);
    QCOMPARE(f.status(), QString("ID值不能为空"));
    QCOMPARE(f.pty.readAll(150), QByteArray());
    list->setItem(3, 0, new QTableWidgetItem("")); // an empty identifier cell sends 0
    f.clickListCell("tableWidget_2", 3, 2);
    QCOMPARE(f.pty.read(20).mid(5, 4), hex("00 00 00 00"));
    QCOMPARE(f.filledRows(), 1);
    for (const char *box : { "checkBoxPause", "checkBoxOnlyRev" }) { // sent, not shown
        f.click(box);
        f.clickListCell("tableWidget_2", 1, 2);
        QCOMPARE(f.pty.read(20).mid(5, 1), hex("01"));
        QCOMPARE(f.filledRows(), 1);
        f.click(box);
    }
}

void tst_SendLists::autoSendSequence_data()
{
    QTest::addColumn<SequenceCase>("c");
    // clang-format off
    const SequenceCase cases[] = {
        { "cycling", "1,01,100,1,x\n2,02,200,1,x\n3,03,300,1,x\n", true, { 1, 2, 3, 1, 2 },
          { 100, 200, 300, 100 } },
        { "disabled rows skipped", "1,01,60,1,x\n2,02,60,0,x\n3,03,60,1,x\n", true,
          { 1, 3, 1, 3 }, { 60, 60, 60 } },
        { "once through", "1,01,100,1,x\n2,02,100,1,x\n3,03,150,1,x\n", false, { 1, 2, 3 },
          { 100, 100 } },
        // Each bad interval takes a tick of the interval before it.
        { "bad intervals", "1,01,100,1,x\n2,02,0,1,x\n3,03,abc,1,x\n4,04,-1,1,x\n5,05,300,1,x\n",
          false, { 1, 5 }, { 400 } },
        // Rows removed while running: the sequence is past the end.
        { "rows removed", "1,01,80,1,x\n2,02,80,1,x\n3,03,80,1,x\n", true, { 1, 2, 3, 1, 1 }, {} },
    };
    // clang-format on
    for (const SequenceCase &c : cases)
        QTest::newRow(c.tag) << c;
}

void tst_SendLists::autoSendSequence()
{
    QFETCH(SequenceCase, c);
    WindowFixture f;
    f.dir.write("auto.txt", c.file);
    f.start();
    f.showPageOf("checkBoxAutoCycle");
    if (c.cycle)
        f.click("checkBoxAutoCycle");
    f.click("btnSendSeq");
    QByteArray first, buffer;
    QList<int> got;
    QList<qint64> at;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < c.ids.size() && clock.elapsed() < 4000) {
        buffer += f.pty.read(20, 10);
        for (; buffer.size() >= 20; buffer.remove(0, 20)) {
            first = first.isEmpty() ? buffer.left(20) : first;
            got << quint8(buffer.at(5));
            at << clock.elapsed();
            if (got.size() == 3 && QByteArray(c.tag) == "rows removed")
                f.get<QTableWidget>("tableWidget_3")->setRowCount(1);
        }
    }
    QCOMPARE(got, c.ids);
    QCOMPARE(first, fixedFrame(1, hex("01"))); // byte for byte as the list says
    for (int i = 0; i < c.gapsMs.size(); ++i) {
        const qint64 gap = at[i + 1] - at[i];
        QVERIFY2(gap >= c.gapsMs[i] - 30 && gap <= c.gapsMs[i] + 250,
                 qPrintable(QString("gap %1: %2 ms").arg(i).arg(gap)));
    }
    if (!c.cycle) { // the timer ticks on until stopped
        QCOMPARE(f.pty.readAll(450), QByteArray());
        QCOMPARE(f.status(), QString("请检查是否有需要发送的数据"));
    }
    f.click("btnAutoStop");
    f.pty.readAll(50);
    QCOMPARE(f.pty.readAll(350), QByteArray());
}

void tst_SendLists::autoSendRefusals_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("status");
    const QString nothing = "请检查是否有要发送的数据";
    QTest::newRow("none enabled") << QByteArray("1,01,60,0,x\n") << true << nothing;
    QTest::newRow("no rows") << QByteArray() << true << nothing;
    QTest::newRow("port closed") << QByteArray("1,01,60,1,x\n") << false
                                 << "COM端口已关闭，请先打开COM端口";
    QTest::newRow("nine data bytes") << QByteArray("1,01 02 03 04 05 06 07 08 09,60,1,x\n") << true
                                     << "数据长度不能超过8字节";
}

void tst_SendLists::autoSendRefusals()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, open);
    QFETCH(QString, status);
    WindowFixture f;
    f.dir.write("auto.txt", file);
    f.start(open);
    f.showPageOf("checkBoxAutoCycle");
    f.click("checkBoxAutoCycle");
    f.click("btnSendSeq");
    QCOMPARE(f.status(), status);
    QCOMPARE(f.pty.readAll(300), QByteArray()); // nor later
}

void tst_SendLists::autoReply_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<bool>("variable");
    QTest::addColumn<QByteArray>("reply");
    const QByteArray fixed = hex("AA 55 01 01 01 20 00 00 00 08 00 11 22 33 44 55 66 77 00 07");
    QTest::newRow("fixed in, fixed out") << fixedFrame(0x10, hex("01")) << false << fixed;
    QTest::newRow("variable remote in, fixed out") << hex("AA D0 10 00 55") << false << fixed;
    QTest::newRow("fixed in, variable out")
            << fixedFrame(0x10, {}) << true << hex("AA C8 20 00 00 11 22 33 44 55 66 77 55");
}

// The default list answers 0x10 with 0x20; the reply is shown as a sent row.
void tst_SendLists::autoReply()
{
    QFETCH(QByteArray, received);
    QFETCH(bool, variable);
    QFETCH(QByteArray, reply);
    WindowFixture f(true);
    f.showPageOf("checkBoxReplyAuto");
    f.click("checkBoxReplyAuto");
    if (variable) {
        f.get<QRadioButton>("radioBtnVariable")->setChecked(true);
        QTest::ignoreMessage(QtDebugMsg, "13");
    }
    QVERIFY(f.pty.write(received));
    QCOMPARE(f.pty.read(reply.size()).toHex(' '), reply.toHex(' '));
    QTRY_COMPARE(f.filledRows(), 2);
    QCOMPARE(rowCells(f.view(), 0).at(1), QString("接受"));
    QCOMPARE(f.viewRow(1), "1|发送|数据帧|标准帧|0x00000020|8|" + Data);
    QCOMPARE(f.view()->currentRow(), 1);
}

void tst_SendLists::autoReplyMatching()
{
    WindowFixture f(true);
    auto *list = f.get<QTableWidget>("tableWidget_4");
    QVERIFY(f.pty.write(fixedFrame(0x10, hex("01")))); // switched off: no answer
    QCOMPARE(f.pty.readAll(150), QByteArray());
    f.showPageOf("checkBoxReplyAuto");
    f.click("checkBoxReplyAuto");
    // Every matching row answers, in the list's order; "99" is hex too.
    list->item(2, 0)->setText("0x99");
    list->item(2, 1)->setText("0x2");
    list->item(5, 0)->setText("99");
    list->item(5, 1)->setText("0x5");
    QVERIFY(f.pty.write(fixedFrame(0x99, {})));
    const QByteArray replies = f.pty.read(40);
    QCOMPARE(replies.mid(5, 1) + replies.mid(25, 1), hex("02 05"));
    QTRY_COMPARE(rowCells(f.view(), 3).at(5), QString("0x5"));
    QCOMPARE(rowCells(f.view(), 2).at(5), QString("0x2"));
    list->item(0, 0)->setText("zz"); // not hex: matches 0
    QVERIFY(f.pty.write(fixedFrame(0x0, {})));
    QCOMPARE(f.pty.read(20).mid(5, 1), hex("20"));
    // The reply's type comes from the frame-type box, not from the received frame.
    f.get<QComboBox>("cbBoxType")->setCurrentIndex(1);
    QVERIFY(f.pty.write(fixedFrame(0x13, hex("01"))));
    QCOMPARE(f.pty.read(20).mid(3, 3), hex("02 01 23"));
    f.click("checkBoxPause"); // paused frames are answered, not shown
    const int shown = f.filledRows();
    QVERIFY(f.pty.write(fixedFrame(0x11, hex("01"))));
    QCOMPARE(f.pty.read(20).mid(5, 1), hex("21"));
    QCOMPARE(f.filledRows(), shown);
    list->item(0, 2)->setText("01 02 03 04 05 06 07 08 09");
    QVERIFY(f.pty.write(fixedFrame(0x0, {})));
    QTRY_COMPARE(f.status(), QString("数据长度不能超过8字节"));
    delete list->takeItem(1, 1);
    QVERIFY(f.pty.write(fixedFrame(0x11, {})));
    QTRY_COMPARE(f.status(), QString("ID不能为空"));
    QCOMPARE(f.pty.readAll(150), QByteArray());
}

QTEST_MAIN(tst_SendLists)
#include "tst_sendlists.moc"
