#include "captureautosave.h"
#include "capturestore.h"
#include "hexbytes.h"
#include "logline.h"
#include "texttableautosave.h"
#include "viewrow.h"
#include "windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {
const QString Header = "序号" + QString(18, ' ') + "传输方向" + QString(16, ' ') + "时间标识"
        + QString(16, ' ') + "帧格式" + QString(17, ' ') + "帧类型" + QString(17, ' ') + "帧ID"
        + QString(17, ' ') + "数据长度" + QString(16, ' ') + "数据(16进制)" + QString(12, ' ')
        + "\n";
const QString Overflow = "Display area can display the number of rows is too little";

// Frames with the identifiers first, first + 1, ..., one data byte each.
QByteArray frames(int first, int count = 1)
{
    QByteArray bytes;
    for (int id = first; id < first + count; ++id)
        bytes += fixedFrame(quint32(id), hex("01"));
    return bytes;
}

QStringList logFiles(const WindowFixture &f)
{
    return QDir(f.dir.path()).entryList({ "20*.txt" }, QDir::Files, QDir::Name);
}

// The identifiers logged, in order, across the auto-save files; each starts with the header.
QList<int> loggedIds(const WindowFixture &f)
{
    QList<int> ids;
    for (const QString &name : logFiles(f)) {
        const QStringList lines = QString::fromUtf8(f.dir.read(name)).split('\n');
        if (lines.first() + "\n" != Header)
            return { -1 };
        for (const QString &line : lines.mid(1, lines.size() - 2))
            ids << line.mid(100, 20).trimmed().toInt(nullptr, 16);
    }
    return ids;
}

struct AutoSaveCase
{
    const char *tag;
    int limit, before, after; // frames shown before auto-save is switched on, and after
    bool statistics, sendRow; // the manual list's first row sent at the end
    const char *finish; // how the last rows reach the file
    int files;
};
} // namespace
Q_DECLARE_METATYPE(AutoSaveCase)
Q_DECLARE_METATYPE(CanFrame)

// The data view fed by the converter's line, and the traffic logs saved from it.
class tst_DataView : public QObject
{
    Q_OBJECT

private slots:
    // The cells of an FD frame: every byte, and each flag where it is set.
    void fdCells_data()
    {
        QTest::addColumn<CanFrame>("frame");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("data");
        QByteArray twelve = hex("00 11 22 33 44 55 66 77 88 99 AA BB");
        QTest::newRow("12 bytes, BRS") << fdFrame(0x1, twelve, false, true) << "标准帧 FD BRS"
                                       << "00 11 22 33 44 55 66 77 88 99 aa bb";
        QTest::newRow("64 bytes, ESI")
                << fdFrame(0x1, QByteArray(63, '\0') + '\xEE', true, false, true)
                << "扩展帧 FD ESI" << QString("00 ").repeated(63) + "ee";
        QTest::newRow("8 bytes, both") << fdFrame(0x1, twelve.left(8), false, true, true)
                                       << "标准帧 FD BRS ESI" << "00 11 22 33 44 55 66 77";
    }
    void fdCells()
    {
        QFETCH(CanFrame, frame);
        QTEST(frameTypeText(CellWords(), frame), "type");
        QTEST(receivedDataText(frame), "data");
    }

    void receivedRows()
    {
        WindowFixture f(true);
        QByteArray unknownType = fixedFrame(0x7, hex("07"));
        unknownType[3] = 3;
        unknownType[19] = char(fixedChecksum(unknownType));
        // Standard data; variable framing, extended remote; a frame type neither.
        const QByteArray variable = hex("AA F0 10 00 00 00 55");
        QVERIFY(f.receive(fixedFrame(0x123, hex("11 22 33")) + variable + unknownType, 3));
        QCOMPARE(f.viewRow(0), "0|接受|数据帧|标准帧|0x00000123|3|11 22 33" + QString(13, ' '));
        QCOMPARE(f.viewRow(1), QString("1|接受|远程帧|扩展帧|0x00000010|0| "));
        QCOMPARE(rowCells(f.view(), 2).at(4), QString("-")); // the frame-type cell left alone
        QVERIFY(QTime::fromString(rowCells(f.view(), 0).at(2), "hh:mm:ss zzz").isValid());
        QCOMPARE(f.view()->currentRow(), 2);
        QCOMPARE(f.view()->styleSheet(), QString("selection-background-color:rgb(0,167,242)"));
        answerNextFileDialog(f.dir.filePath("one.txt"));
        f.click("btnViewSave");
        const QStringList lines = QString::fromUtf8(f.dir.read("one.txt")).split('\n');
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[1].left(40) + lines[1].mid(60), // without the time
                 "0" + QString(19, ' ') + "接受" + QString(18, ' ') + "数据帧" + QString(17, ' ')
                         + "标准帧" + QString(17, ' ') + "0x00000123" + QString(10, ' ') + "3"
                         + QString(19, ' ') + "11 22 33" + QString(13, ' ')); // 21: written whole

        // The ring: the fourth frame of three rows takes the top row, selected alone.
        f.get<QLineEdit>("lineEditTotal")->setText("3");
        QVERIFY(f.receive(frames(1, 3), 3));
        QVERIFY(f.pty.write(frames(4)));
        QTRY_COMPARE(rowCells(f.view(), 0).at(5), QString("0x00000004"));
        QCOMPARE(rowCells(f.view(), 0).at(0), QString("0"));
        QCOMPARE(rowCells(f.view(), 1).at(5), QString("0x00000002"));
        QCOMPARE(f.view()->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(f.view()->currentRow(), 0);

        f.click("btnViewClear");
        QCOMPARE(f.filledRows(), 0);
        QCOMPARE(f.view()->rowCount(), 3);
        // Paused: frames are not shown, bus status replies still are.
        f.click("checkBoxPause");
        QByteArray status = hex("AA 55 04 00 00 03 C8 00 01") + QByteArray(11, 0);
        status[19] = char(fixedChecksum(status));
        QVERIFY(f.pty.write(frames(5) + status));
        QTRY_COMPARE(f.status(),
                     QString("总线状态:正常, 错误被动, 发送错误计数器  = 200, 接受错误计数器 = 3"));
        QCOMPARE(f.filledRows(), 0);
        f.click("checkBoxPause");
        QVERIFY(f.receive(frames(6), 1)); // from the top after the clear
        QCOMPARE(rowCells(f.view(), 0).at(5), QString("0x00000006"));
    }

    void rowLimit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rows"); // 0: refused
        QTest::addColumn<QString>("status");
        QTest::newRow("25") << "25" << 25 << "端口正常打开";
        QTest::newRow("emptied: the limit comes back") << "" << 1000 << "端口正常打开";
        QTest::newRow("not a number") << "abc" << 0 << "端口正常打开";
        QTest::newRow("zero") << "0" << 0 << "端口正常打开";
        QTest::newRow("negative") << "-5" << 0 << "端口正常打开";
        QTest::newRow("too large") << "100001" << 0 << "总行数不能超过100000";
    }

    // An accepted limit clears the view; a refused text changes nothing, not even the row cursor.
    void rowLimit()
    {
        QFETCH(QString, text);
        QFETCH(int, rows);
        WindowFixture f(true);
        QVERIFY(f.receive(frames(1, 2), 2));
        auto *edit = f.get<QLineEdit>("lineEditTotal");
        edit->setText(text);
        QCOMPARE(edit->text(), text.isEmpty() ? "1000" : text);
        QCOMPARE(f.view()->rowCount(), rows ? rows : 1000);
        QTEST(f.status(), "status");
        QVERIFY(f.receive(frames(9), rows ? 1 : 3));
        QCOMPARE(rowCells(f.view(), rows ? 0 : 2).at(5), QString("0x00000009"));
    }

    // One row per identifier, each frame answered once, also when there is no row left for it.
    void statisticsMode()
    {
        WindowFixture f(true);
        auto *overlay = f.get<QCheckBox>("checkBoxOverlayDisplay");
        for (const char *box : { "checkBoxOnlyRev", "checkBoxOverlayDisplay", "checkBoxReplyAuto" })
            f.click(box);
        f.get<QLineEdit>("lineEditTotal")->setText("2");
        const QByteArray reply = fixedFrame(0x20, hex("00 11 22 33 44 55 66 77")); // to 0x10
        QVERIFY(f.receive(fixedFrame(0x10, hex("01")), 1));
        QCOMPARE(f.pty.read(20), reply);
        // One batch: a known frame, a new identifier that finds no room, a known frame.
        QVERIFY(f.pty.write(fixedFrame(0x10, hex("02")) + frames(0x33)
                            + fixedFrame(0x10, hex("04"))));
        QCOMPARE(f.pty.read(40), reply + reply);
        QCOMPARE(f.pty.readAll(200), QByteArray());
        QCOMPARE(f.status(), Overflow);
        QCOMPARE(f.viewRow(0), "0|接受|数据帧|标准帧|0x00000010|1|04" + QString(19, ' '));
        QVERIFY(f.receive(frames(0x33), 2)); // admitted: it has the last row when it comes again
        QCOMPARE(rowCells(f.view(), 1).at(5), QString("0x00000033"));
        // The first identifier as another frame type: its row, the latest frame.
        QVERIFY(f.pty.write(fixedFrame(0x10, hex("05 06"), true)));
        QCOMPARE(f.pty.read(20), reply);
        QTRY_COMPARE(f.viewRow(0), "0|接受|数据帧|扩展帧|0x00000010|2|05 06" + QString(16, ' '));
        QCOMPARE(f.view()->styleSheet(), QString("selection-background-color:rgb(255,255,255)"));

        f.click("btnViewClear"); // keeps each identifier's row
        QVERIFY(f.receive(frames(0x33), 1));
        QCOMPARE(rowCells(f.view(), 1).at(5), QString("0x00000033"));
        // Its row lost to a lowered row limit: the frame is still captured.
        f.get<QLineEdit>("lineEditTotal")->setText("1");
        QVERIFY(f.pty.write(fixedFrame(0x33, hex("05"))));
        auto *capture = f.window->findChild<CaptureStore *>();
        QTRY_COMPARE(capture->last().frame, canFrame(0x33, hex("05")));
        QCOMPARE(f.filledRows(), 0);
        f.get<QLineEdit>("lineEditTotal")->setText("2");
        QVERIFY(f.receive(frames(0x33), 1)); // its row again
        for (int i = 0; i < 2; ++i) { // switched off and on: cleared, the rows given afresh
            f.click("checkBoxOverlayDisplay");
            QCOMPARE(f.filledRows(), 0);
        }
        QVERIFY(f.receive(frames(0x33), 1));
        QCOMPARE(rowCells(f.view(), 0).at(5), QString("0x00000033"));
        f.click("checkBoxOnlyRev"); // leaves statistics mode and clears the view
        QVERIFY(!overlay->isChecked() && !overlay->isEnabled());
        QCOMPARE(f.filledRows(), 0);
        QVERIFY(f.receive(frames(0x33) + frames(0x33), 2));
    }

    void autoSave_data()
    {
        QTest::addColumn<AutoSaveCase>("c");
        const AutoSaveCase cases[] = {
            { "rows shown before", 1000, 2, 2, false, false, "timer", 1 },
            { "a flood over 10 rows", 10, 2, 69, false, false, "timer", 8 },
            { "a sent row over a pass", 3, 0, 3, false, true, "timer", 2 },
            { "statistics mode: nothing", 1000, 0, 3, true, false, "timer", 1 },
            { "switched off", 1000, 0, 3, false, false, "off", 1 },
            { "window closed", 1000, 0, 3, false, false, "close", 1 },
            { "cleared: a new file", 1000, 0, 2, false, false, "clear", 2 },
        };
        for (const AutoSaveCase &c : cases)
            QTest::newRow(c.tag) << c;
    }

    // Every row shown while auto-save is on reaches the files once, in order, a file per pass.
    void autoSave()
    {
        QFETCH(AutoSaveCase, c);
        const QString finish = c.finish;
        WindowFixture f(true);
        if (c.statistics) {
            f.click("checkBoxOnlyRev");
            f.click("checkBoxOverlayDisplay");
        }
        f.get<QLineEdit>("lineEditTotal")->setText(QString::number(c.limit));
        QVERIFY(f.receive(frames(1, c.before), c.before));
        const int last = c.before + c.after;
        QList<int> ids;
        for (int id = 1; id <= last + (finish == "clear"); ++id)
            ids << id;
        const QDateTime started = QDateTime::currentDateTime();
        f.click("checkBoxAutoSave"); // the rows already shown are written at once
        QCOMPARE(loggedIds(f), ids.mid(0, c.before));
        QVERIFY(f.pty.write(frames(c.before + 1, c.after)));
        QTRY_COMPARE(rowCells(f.view(), (last - 1) % c.limit).at(5), identifierText(quint32(last)));
        if (c.sendRow) {
            f.clickListCell("tableWidget_2", 0, 2);
            QCOMPARE(rowCells(f.view(), last % c.limit).at(1), QString("发送"));
            ids << 0;
        }
        if (finish == "clear") { // appends what is pending; rows from the top go to a new file
            f.click("btnViewClear");
            QVERIFY(f.receive(frames(last + 1), 1));
        }
        if (finish == "timer")
            f.flushAutoSave();
        else if (finish == "close")
            f.restart();
        else
            f.click("checkBoxAutoSave");
        QCOMPARE(loggedIds(f), c.statistics ? QList<int>() : ids);
        QCOMPARE(logFiles(f).size(), c.files);
        for (const QString &name : logFiles(f)) {
            // named by the clock when the file was started, to the millisecond
            // (files started within one take the next ones)
            const QDateTime named = QDateTime::fromString(name, "yyyyMMdd_hhmmss_zzz'.txt'");
            QVERIFY2(named >= started && named <= QDateTime::currentDateTime().addMSecs(c.files),
                     qPrintable(name));
            QVERIFY(f.dir.read(name).count('\n') <= c.limit + 1);
        }
    }

    // A working directory that no longer exists refuses new files, even to root; a name
    // already taken (a file, a link to nothing) is passed over and left as it is.
    void autoSaveFileNames()
    {
        WindowFixture f(true);
        auto *autoSave = f.get<QCheckBox>("checkBoxAutoSave");
        QDir(f.dir.path()).mkdir("gone");
        QDir::setCurrent(f.dir.filePath("gone"));
        QDir(f.dir.path()).rmdir("gone");
        f.click("checkBoxAutoSave");
        QDir::setCurrent(f.dir.path());
        QVERIFY(!autoSave->isChecked());
        QVERIFY(QRegularExpression("^无法创建自动保存文件20.*\\.txt$").match(f.status()).hasMatch());
        QVERIFY(f.receive(frames(1), 1));
        f.flushAutoSave();
        QVERIFY(logFiles(f).isEmpty());

        QStringList taken;
        const QDateTime now = QDateTime::currentDateTime();
        for (int ms = 0; ms < 1500; ++ms) {
            taken << f.dir.filePath(autoSaveFileNameAt(now.addMSecs(ms)));
            QVERIFY(ms % 2 ? QFile(taken.last()).open(QIODevice::WriteOnly)
                           : QFile::link("gone", taken.last()));
        }
        f.click("checkBoxAutoSave");
        QVERIFY(autoSave->isChecked());
        f.click("checkBoxAutoSave");
        const QStringList files = logFiles(f);
        QCOMPARE(files.size(), 751); // the links to nothing are not listed
        QVERIFY(!taken.contains(f.dir.filePath(files.last())));
        QVERIFY(QFileInfo(taken.first()).isSymLink());
        QCOMPARE(QFileInfo(taken.last()).size(), 0); // odd: a file
    }

    void autoSaveRefusedByTheDisk_data()
    {
        QTest::addColumn<bool>("textTable");
        QTest::newRow("text table") << true;
        QTest::newRow("candump") << false;
    }

    // A file turned into a folder refuses appends, even to root. Rows about to be
    // lost (overwritten in the view, dropped from the capture) are tried once and
    // then given up with one message; they are not tried again for every row.
    void autoSaveRefusedByTheDisk()
    {
        QFETCH(bool, textTable);
        WindowFixture f(true);
        f.get<QLineEdit>("lineEditTotal")->setText("3");
        f.window->findChild<CaptureStore *>()->setCapacity(3);
        f.get<QAction>(textTable ? "actionAutoSaveText" : "actionAutoSaveCandump")->trigger();
        f.click("checkBoxAutoSave");
        QObject *autoSave = textTable
                ? static_cast<QObject *>(f.window->findChild<TextTableAutoSave *>())
                : f.window->findChild<CaptureAutoSave *>();
        auto *timer = autoSave->findChild<QTimer *>();
        timer->stop(); // only the rows about to be lost try the file here
        const QString name = QDir().entryList({ "20*" }).at(0);
        QVERIFY(QFile::remove(name) && QDir().mkdir(name));
        QSignalSpy failures(
                autoSave, textTable ? SIGNAL(statusMessage(QString)) : SIGNAL(saveFailed(QString)));
        // Three rows owed, then three more over them: one try, one message.
        QVERIFY(f.pty.write(frames(1, 6)));
        QTRY_COMPARE(rowCells(f.view(), 2).at(5), identifierText(6));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(f.status(), "保存失败: " + name);
        // The disk takes appends again: the next second brings the rows since.
        QVERIFY(QDir().rmdir(name));
        QMetaObject::invokeMethod(timer, "timeout");
        QCOMPARE(f.dir.read(name).count('\n'), 3);
    }
};

QTEST_MAIN(tst_DataView)
#include "tst_dataview.moc"
