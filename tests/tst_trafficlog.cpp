#include "hexbytes.h"
#include "logline.h"
#include "windowtest.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {

QStringList blanks()
{
    QStringList pad;
    for (int n = 20; n >= 1; --n)
        pad << QString(n, ' ');
    return pad;
}

const QString Header = "序号" + QString(18, ' ') + "传输方向" + QString(16, ' ') + "时间标识"
        + QString(16, ' ') + "帧格式" + QString(17, ' ') + "帧类型" + QString(17, ' ') + "帧ID"
        + QString(17, ' ') + "数据长度" + QString(16, ' ') + "数据(16进制)" + QString(12, ' ')
        + "\n";

} // namespace

// Traffic logs saved by hand and by auto-save.
class tst_TrafficLog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lineLayout();
    void manualSave();
    void autoSaveFirstFrames();
    void autoSaveWrapsToANewFile();
    void autoSaveUnderLoadKeepsEveryRowOnce();
    void clearStartsANewFile();
    void closingAppendsPendingRows();
    void statisticsModeDoesNotAppend();
    void autoSaveThatCannotStart();

private:
    // The auto-save files in the order they were started, and their contents.
    QStringList logFiles() const;
    QString logText(const QString &name) const { return QString::fromUtf8(f->dir.read(name)); }
    // The frame identifiers logged, in order, across all files; checks each file's header.
    QList<int> loggedIds() const;
    void tick(bool on);
    void setRowLimit(const QString &text);
    void sendNumbered(int first, int count);

    WindowFixture *f = nullptr;
};

void tst_TrafficLog::init()
{
    QTest::failOnWarning(QRegularExpression("No matching signal"));
    f = new WindowFixture;
}

void tst_TrafficLog::cleanup()
{
    delete f;
}

QStringList tst_TrafficLog::logFiles() const
{
    return QDir(f->dir.path()).entryList({ "20*.txt" }, QDir::Files, QDir::Name);
}

QList<int> tst_TrafficLog::loggedIds() const
{
    QList<int> ids;
    for (const QString &name : logFiles()) {
        const QStringList lines = logText(name).split('\n', Qt::SkipEmptyParts);
        if (lines.isEmpty() || lines.first() + "\n" != Header) {
            qWarning("%s does not start with the header", qPrintable(name));
            return {};
        }
        for (const QString &line : lines.mid(1))
            ids << line.mid(100, 20).trimmed().toInt(nullptr, 16);
    }
    return ids;
}

void tst_TrafficLog::tick(bool on)
{
    auto *box = f->get<QCheckBox>("checkBoxAutoSave");
    if (box->isChecked() != on)
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
}

void tst_TrafficLog::setRowLimit(const QString &text)
{
    auto *edit = f->get<QLineEdit>("lineEditTotal");
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void tst_TrafficLog::sendNumbered(int first, int count)
{
    QByteArray frames;
    for (int id = first; id < first + count; ++id)
        frames += fixedFrame(quint32(id), hex("01"));
    QVERIFY(f->pty.write(frames));
}

void tst_TrafficLog::lineLayout()
{
    const QStringList pad = blanks();
    QCOMPARE(logLine({ "序号", "传输方向", "时间标识", "帧格式", "帧类型", "帧ID", "数据长度",
                       "数据(16进制)" },
                     pad),
             Header);
    const QString twenty(20, 'x');
    QCOMPARE(logLine({ twenty, "a" }, pad), twenty + "a" + QString(19, ' ') + "\n");
    QCOMPARE(logLine({ "00 11 22 33 44 55 66 77" }, pad), QString("00 11 22 33 44 55 66 77\n"));
    QCOMPARE(logLine({ "" }, pad), QString(20, ' ') + "\n");
    QCOMPARE(autoSaveFileNameAt(QDateTime(QDate(2026, 12, 4), QTime(23, 15, 23, 42))),
             QString("20261204_231523_042.txt"));
}

void tst_TrafficLog::manualSave()
{
    f->start();
    const QString path = f->dir.filePath("traffic.txt");
    answerNextFileDialog(QString()); // cancelled: nothing written
    QTest::mouseClick(f->get<QPushButton>("btnViewSave"), Qt::LeftButton);
    QVERIFY(!f->dir.exists("traffic.txt"));

    answerNextFileDialog(path);
    QTest::mouseClick(f->get<QPushButton>("btnViewSave"), Qt::LeftButton);
    QCOMPARE(logText("traffic.txt"), Header); // an empty view: the header alone

    sendNumbered(0x123, 1);
    QTRY_VERIFY(f->get<QTableWidget>("tableWidget")->item(0, 5));
    answerNextFileDialog(f->dir.filePath("second.txt")); // a new name: no overwrite question
    QTest::mouseClick(f->get<QPushButton>("btnViewSave"), Qt::LeftButton);
    const QStringList lines = logText("second.txt").split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[1].left(40), "0" + QString(19, ' ') + "接受" + QString(18, ' '));
    QCOMPARE(lines[1].mid(60),
             "数据帧" + QString(17, ' ') + "标准帧" + QString(17, ' ') + "0x00000123"
                     + QString(10, ' ') + "1" + QString(19, ' ') + "01"
                     + QString(19, ' ')); // 21 characters: written whole
}

void tst_TrafficLog::autoSaveFirstFrames()
{
    f->start();
    tick(true);
    QCOMPARE(logFiles().size(), 1);
    QCOMPARE(logText(logFiles().first()), Header);
    sendNumbered(0x10, 2);
    QTRY_COMPARE_WITH_TIMEOUT(loggedIds(), (QList<int>{ 0x10, 0x11 }), 2500);
}

void tst_TrafficLog::autoSaveWrapsToANewFile()
{
    f->start();
    setRowLimit("3");
    tick(true);
    sendNumbered(1, 5);
    QTRY_COMPARE_WITH_TIMEOUT(loggedIds(), (QList<int>{ 1, 2, 3, 4, 5 }), 2500);
    const QStringList files = logFiles();
    QCOMPARE(files.size(), 2);
    QCOMPARE(logText(files[0]).count('\n'), 4); // header and the first pass
    QCOMPARE(logText(files[1]).count('\n'), 3); // header and the rest
}

void tst_TrafficLog::autoSaveUnderLoadKeepsEveryRowOnce()
{
    f->start();
    setRowLimit("10");
    tick(true);
    QList<int> expected;
    for (int batch = 0; batch < 3; ++batch) {
        sendNumbered(100 * batch + 1, 97);
        for (int id = 100 * batch + 1; id < 100 * batch + 98; ++id)
            expected << id;
        QTest::qWait(50);
    }
    QTRY_COMPARE_WITH_TIMEOUT(loggedIds().size(), expected.size(), 3000);
    QCOMPARE(loggedIds(), expected);
    // Each file holds at most one pass over the 10 rows.
    for (const QString &name : logFiles())
        QVERIFY(logText(name).count('\n') <= 11);
}

void tst_TrafficLog::clearStartsANewFile()
{
    f->start();
    tick(true);
    sendNumbered(1, 2);
    QTRY_COMPARE_WITH_TIMEOUT(loggedIds().size(), 2, 2500);
    QTest::mouseClick(f->get<QPushButton>("btnViewClear"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(logFiles().size(), 2, 2500);
    QCOMPARE(logText(logFiles().last()), Header);
    sendNumbered(3, 1);
    QTRY_COMPARE_WITH_TIMEOUT(loggedIds(), (QList<int>{ 1, 2, 3 }), 2500);
}

void tst_TrafficLog::closingAppendsPendingRows()
{
    f->start();
    tick(true);
    sendNumbered(1, 3);
    QTRY_VERIFY(f->get<QTableWidget>("tableWidget")->item(2, 5));
    delete f->window; // before the second is up
    f->window = nullptr;
    QCOMPARE(loggedIds(), (QList<int>{ 1, 2, 3 }));
}

void tst_TrafficLog::statisticsModeDoesNotAppend()
{
    f->start();
    for (const char *name : { "checkBoxOnlyRev", "checkBoxOverlayDisplay" }) {
        auto *box = f->get<QCheckBox>(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    }
    tick(true);
    sendNumbered(1, 3);
    QTRY_VERIFY(f->get<QTableWidget>("tableWidget")->item(2, 5));
    QTest::qWait(1300);
    QCOMPARE(logFiles().size(), 1);
    QCOMPARE(logText(logFiles().first()), Header);
}

void tst_TrafficLog::autoSaveThatCannotStart()
{
    f->start();
    // A working directory that no longer exists refuses new files, even to root.
    QDir(f->dir.path()).mkdir("gone");
    QDir::setCurrent(f->dir.filePath("gone"));
    QDir(f->dir.path()).rmdir("gone");
    tick(true);
    QDir::setCurrent(f->dir.path());
    QVERIFY(!f->get<QCheckBox>("checkBoxAutoSave")->isChecked());
    QVERIFY(statusText(f->window).startsWith("无法创建自动保存文件20"));
    QVERIFY(statusText(f->window).endsWith(".txt"));
    QTest::qWait(1200);
    QVERIFY(logFiles().isEmpty());
}

QTEST_MAIN(tst_TrafficLog)
#include "tst_trafficlog.moc"
