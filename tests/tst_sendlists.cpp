#include "hexbytes.h"
#include "windowtest.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>

namespace {
const QString Data = "00 11 22 33 44 55 66 77";

struct ListCase
{
    const char *tag, *table, *buttons, *file; // buttons: insert, remove, save
    QStringList firstRow, reloaded; // the second row read back
    const char *saved; // three rows, the second edited; $D: the default data
};
} // namespace
Q_DECLARE_METATYPE(ListCase)

// The three lists that send frames: by hand, in sequence, and in reply to received frames.
class tst_SendLists : public QObject
{
    Q_OBJECT

private slots:
    void listFiles_data()
    {
        QTest::addColumn<ListCase>("c");
        // clang-format off
        const ListCase cases[] = {
            { "manual", "tableWidget_2", "btnManualINsert btnManualRemove btnManualSave", "manual.txt",
              { "0x00000000", Data, "发送" }, { "0x00000001", "aa bb", "发送" },
              "0x00000000,$D,发送\n0x00000001,aa  bb,发送\n0x00000002,$D,发送\n" },
            { "auto send", "tableWidget_3", "btnAutoInsert btnAutoRemove btnAutoSave", "auto.txt",
              { "0x00000000", Data, "1000", "发送" }, { "0x00000001", "aa bb", "1000", "发送" },
              "0x00000000,$D,1000,1,发送\n0x00000001,aa  bb,1000,0,发送\n0x00000002,$D,1000,1,发送\n" },
            { "auto reply", "tableWidget_4", "btnAutoReplyInsert btnAutoReplyRemove btnAutoReplySave",
              "reply.txt", { "0x00000010", "0x00000020", Data }, { "0x00000011", "0x00000021", "aa bb" },
              "0x00000010,0x00000020,$D\n0x00000011,0x00000021,aa  bb\n0x00000012,0x00000022,$D\n" },
        };
        // clang-format on
        for (const ListCase &c : cases)
            QTest::newRow(c.tag) << c;
    }

    // Each list: its defaults, its file written and read back, the file's rules, insert and remove.
    void listFiles()
    {
        QFETCH(ListCase, c);
        const bool enableColumn = c.firstRow.size() == 4; // auto send
        const QList<QByteArray> buttons = QByteArray(c.buttons).split(' ');
        WindowFixture f(false);
        auto list = [&] { return f.get<QTableWidget>(c.table); };
        QCOMPARE(rowCells(list(), 0), c.firstRow); // no file: the defaults
        list()->setRowCount(3);
        list()->item(1, c.firstRow.indexOf(Data))->setText("aa  bb");
        if (enableColumn)
            list()->item(1, 3)->setCheckState(Qt::Unchecked);
        f.click(buttons[2]);
        QCOMPARE(f.dir.read(c.file), QByteArray(c.saved).replace("$D", Data.toUtf8()));
        f.restart();
        QCOMPARE(rowCells(list(), 1), c.reloaded);
        if (enableColumn)
            QCOMPARE(list()->item(1, 3)->checkState(), Qt::Unchecked);

        // At the top without a current row, else below it; the current row is removed.
        auto id = [&](int n) {
            return identifierText(quint32(c.firstRow[0].toUInt(nullptr, 0) + n));
        };
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

        // An empty line ends the list; a file that cannot be written stays as it is.
        f.dir.write(c.file, "1,2,3,4,5\n\n6,7,8,9,10\n");
        f.restart();
        QCOMPARE(list()->rowCount(), 1);
        QFile::remove(f.dir.filePath(c.file));
        QDir(f.dir.path()).mkdir(c.file);
        f.click(buttons[2]);
        QCOMPARE(f.status(), QString("保存失败: ") + c.file);
    }

    void manualSendRefusals()
    {
        WindowFixture f(false);
        auto *list = f.get<QTableWidget>("tableWidget_2");
        for (int column : { 0, 2 }) { // any cell tells of the closed port
            f.window->statusBar()->clearMessage();
            f.clickListCell("tableWidget_2", 0, column);
            QCOMPARE(f.status(), QString("The COM port is closed, please open the COM port first"));
        }
        openPort(f.window, f.pty.slavePath());
        f.clickListCell("tableWidget_2", 1, 1); // only the send cell sends
        list->item(0, 1)->setText("01 02 03 04 05 06 07 08 09");
        f.clickListCell("tableWidget_2", 0, 2);
        QCOMPARE(f.status(), QString("数据长度不能超过8字节"));
        delete list->takeItem(3, 0);
        f.clickListCell("tableWidget_2", 3, 2);
        QCOMPARE(f.status(), QString("ID值不能为空"));
        QCOMPARE(f.pty.readAll(150), QByteArray());
        for (const char *box : { "checkBoxPause", "checkBoxOnlyRev" }) { // sent, not shown
            f.click(box);
            f.clickListCell("tableWidget_2", 1, 2);
            QCOMPARE(f.pty.read(20).mid(5, 1), hex("01"));
            QCOMPARE(f.filledRows(), 0);
            f.click(box);
        }
        // The sent row shows the identifier as typed and the data trimmed, an empty token counted.
        list->item(1, 0)->setText("123");
        list->item(1, 1)->setText(" 01  02 ");
        f.clickListCell("tableWidget_2", 1, 2);
        QCOMPARE(f.pty.read(20), fixedFrame(0x123, hex("01 00 02")));
        QCOMPARE(f.viewRow(0), "0|发送|数据帧|标准帧|123|3|01  02");
    }

    void autoSendSequence_data()
    {
        QTest::addColumn<bool>("cycle");
        QTest::addColumn<QList<int>>("ids");
        QTest::addColumn<QList<int>>("gapsMs");
        QTest::newRow("cycling") << true << QList<int>{ 1, 3, 1, 3 } << QList<int>{ 100, 300, 100 };
        QTest::newRow("once through") << false << QList<int>{ 1, 3 } << QList<int>{ 100 };
    }

    // The sequence from auto.txt, row 2 disabled, on the wire at each row's interval.
    void autoSendSequence()
    {
        QFETCH(bool, cycle);
        QFETCH(QList<int>, ids);
        QFETCH(QList<int>, gapsMs);
        WindowFixture f;
        f.dir.write("auto.txt", "1,01,100,1,x\n2,02,200,0,x\n3,03,300,1,x\n");
        f.start();
        if (cycle)
            f.click("checkBoxAutoCycle");
        f.click("btnSendSeq");
        QByteArray first, buffer;
        QList<int> got;
        QList<qint64> at;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < ids.size() && clock.elapsed() < 4000) {
            buffer += f.pty.read(20, 10);
            for (; buffer.size() >= 20; buffer.remove(0, 20)) {
                first = first.isEmpty() ? buffer.left(20) : first;
                got << quint8(buffer.at(5));
                at << clock.elapsed();
            }
        }
        QCOMPARE(got, ids);
        QCOMPARE(first, fixedFrame(1, hex("01"))); // byte for byte as the list says
        for (int i = 0; i < gapsMs.size(); ++i) {
            const qint64 gap = at[i + 1] - at[i];
            QVERIFY2(gap >= gapsMs[i] - 30 && gap <= gapsMs[i] + 250,
                     qPrintable(QString("gap %1: %2 ms").arg(i).arg(gap)));
        }
        if (!cycle) { // the timer ticks on until stopped
            QCOMPARE(f.pty.readAll(450), QByteArray());
            QCOMPARE(f.status(), QString("请检查是否有需要发送的数据"));
        }
        f.click("btnAutoStop");
        f.pty.readAll(50);
        QCOMPARE(f.pty.readAll(350), QByteArray());
    }

    void autoSendRefusals_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("status");
        const QString nothing = "请检查是否有要发送的数据";
        QTest::newRow("none enabled") << QByteArray("1,01,60,0,x\n") << true << nothing;
        // clang-format off
        QTest::newRow("port closed") << QByteArray("1,01,60,1,x\n") << false << "COM端口已关闭，请先打开COM端口";
        QTest::newRow("nine data bytes") << QByteArray("1,01 02 03 04 05 06 07 08 09,60,1,x\n") << true
                                         << "数据长度不能超过8字节";
    }

    void autoSendRefusals()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, open);
        QFETCH(QString, status);
        WindowFixture f;
        f.dir.write("auto.txt", file);
        f.start(open);
        f.click("checkBoxAutoCycle");
        f.click("btnSendSeq");
        QCOMPARE(f.status(), status);
        QCOMPARE(f.pty.readAll(300), QByteArray()); // nor later
    }

    // The default list answers 0x10 with 0x20, shown as a sent row. Which rows answer is the
    // reply matcher's; here: the switch, an edit, the type box, pause, refusals.
    void autoReply()
    {
        WindowFixture f(true);
        auto *list = f.get<QTableWidget>("tableWidget_4");
        QVERIFY(f.pty.write(fixedFrame(0x10, hex("01")))); // switched off: no answer
        QCOMPARE(f.pty.readAll(150), QByteArray());
        f.click("checkBoxReplyAuto");
        QVERIFY(f.pty.write(fixedFrame(0x10, hex("01"))));
        QCOMPARE(f.pty.read(20).toHex(' '),
                 hex("AA 55 01 01 01 20 00 00 00 08 00 11 22 33 44 55 66 77 00 07").toHex(' '));
        QTRY_COMPARE(f.filledRows(), 3);
        QCOMPARE(f.viewRow(2), "2|发送|数据帧|标准帧|0x00000020|8|" + Data);
        QCOMPARE(f.view()->currentRow(), 2);
        list->item(2, 0)->setText("0x99"); // edited: the list is read again
        QVERIFY(f.pty.write(fixedFrame(0x99, {})));
        QCOMPARE(f.pty.read(20).mid(5, 1), hex("22"));
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
        QVERIFY(f.pty.write(fixedFrame(0x10, {})));
        QTRY_COMPARE(f.status(), QString("数据长度不能超过8字节"));
        delete list->takeItem(1, 1);
        QVERIFY(f.pty.write(fixedFrame(0x11, {})));
        QTRY_COMPARE(f.status(), QString("ID不能为空"));
        QCOMPARE(f.pty.readAll(150), QByteArray());
    }
};

QTEST_MAIN(tst_SendLists)
#include "tst_sendlists.moc"
