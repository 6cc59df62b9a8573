// The bits of a message in the signals window: spans compared, signals made
// from dragged bits, found by the search or from counters and checksums,
// and saved into the database.
#include "bitanalysispanel.h"
#include "bitgrid.h"
#include "capturestore.h"
#include "dbc.h"
#include "dbceditor.h"
#include "signalplot.h"
#include "signalsearchwindow.h"
#include "signalswindow.h"
#include "transmitrow.h"
#include "windowtest.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Fills in the next signal dialog once it shows, checks what it proposed, and presses OK.
void answerSignalDialog(std::function<void(QDialog *)> fill)
{
    QTimer::singleShot(50, [fill] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return answerSignalDialog(fill);
        fill(dialog);
        dialog->accept();
    });
}

void setText(QDialog *dialog, const char *name, const QString &text)
{
    child<QLineEdit>(dialog, name)->setText(text);
}

} // namespace

class tst_BitAnalysisWindow : public QObject
{
    Q_OBJECT

    WindowFixture *f = nullptr;
    SignalsWindow *w = nullptr;
    CaptureStore *capture = nullptr;

    void start()
    {
        f->start(false);
        f->window->findChild<QAction *>("actionSignals")->trigger();
        w = f->window->findChild<SignalsWindow *>();
        capture = f->window->findChild<CaptureStore *>();
        w->findChild<QTabWidget *>()->setCurrentIndex(1);
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void append(qint64 timeUs, quint32 id, std::initializer_list<int> bytes)
    {
        CanFrame frame;
        frame.identifier = id;
        frame.length = quint8(bytes.size());
        std::copy(bytes.begin(), bytes.end(), frame.data.begin());
        capture->append({ timeUs, frame, false });
    }
    // Selects the message list's row of `id`.
    void select(quint32 id)
    {
        w->refresh();
        auto *view = child<QTableView>(w, "messageView");
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            if (view->model()->index(row, 0).data().toString()
                == QStringLiteral("0x%1").arg(id, 3, 16, QLatin1Char('0')))
                view->setCurrentIndex(view->model()->index(row, 0));
        }
    }
    QString listCell(quint32 id, int column)
    {
        auto *view = child<QTableView>(w, "messageView");
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            if (view->model()->index(row, 0).data().toString()
                == QStringLiteral("0x%1").arg(id, 3, 16, QLatin1Char('0')))
                return view->model()->index(row, column).data().toString();
        }
        return QStringLiteral("none");
    }
    void drag(BitGrid *grid, int from, int to)
    {
        QTest::mousePress(grid, Qt::LeftButton, {}, grid->cellRect(from).center());
        QMouseEvent move(QEvent::MouseMove, grid->cellRect(to).center(), grid->mapToGlobal(grid->cellRect(to).center()),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid, &move);
        QTest::mouseRelease(grid, Qt::LeftButton, {}, grid->cellRect(to).center());
    }

private slots:
    void init() { f = new WindowFixture; }
    void cleanup() { delete f; }

    // A: nothing done; B: a pedal bit toggles, a byte takes another constant.
    void spansCompared()
    {
        start();
        for (int i = 0; i < 200; ++i) {
            const bool inB = i >= 100;
            append(1'000'000 + i * 10'000, 0x200, { i % 64, inB ? i % 2 : 0, inB ? 0x0F : 0 });
            append(1'000'000 + i * 10'000 + 1, 0x300, { 0x55 });
        }
        select(0x200);
        auto *plot = w->findChild<SignalPlot *>();
        plot->setTimeSpan(0.0, 0.995);
        child<QComboBox>(w, "spanChoice")->setCurrentIndex(BitAnalysisPanel::PlotSpan);
        w->refresh();
        // The plotted span alone: the counter's bits flipped, nothing else.
        QCOMPARE(listCell(0x200, 5), "6");
        QCOMPARE(listCell(0x300, 5), "0");
        // The last second: B alone, its toggling bit 8 and the counter's.
        child<QComboBox>(w, "spanChoice")->setCurrentIndex(BitAnalysisPanel::RecentSeconds);
        child<QSpinBox>(w, "recentSeconds")->setValue(1);
        QCOMPARE(listCell(0x200, 5), "7");
        child<QComboBox>(w, "spanChoice")->setCurrentIndex(BitAnalysisPanel::PlotSpan);
        QTest::mouseClick(child<QPushButton>(w, "btnMarkA"), Qt::LeftButton);
        plot->setTimeSpan(1.0, 2.0);
        w->refresh();
        QTest::mouseClick(child<QPushButton>(w, "btnMarkB"), Qt::LeftButton);
        QVERIFY(child<QCheckBox>(w, "checkCompare")->isChecked());
        QCOMPARE(child<QLabel>(w, "labelSpans")->text(), "A: 0.0 s 至 1.0 s; B: 1.0 s 至 2.0 s");
        auto *view = child<QTableView>(w, "messageView");
        QCOMPARE(view->model()->headerData(5, Qt::Horizontal).toString(), "A/B 不同位");
        QCOMPARE(listCell(0x200, 5), "5"); // bit 8 toggles only in B; bits 16-19 other constant
        QCOMPARE(listCell(0x300, 5), "0");
        auto *grid = child<BitGrid>(w, "bitGrid");
        QCOMPARE(grid->cellColour(8), BitGrid::contrastColour(BitContrast::ChangesOnlyInB));
        QCOMPARE(grid->cellColour(16), BitGrid::contrastColour(BitContrast::OtherValue));
        QCOMPARE(grid->cellColour(0), BitGrid::contrastColour(BitContrast::Same));
        QVERIFY(grid->cellToolTip(8).contains("在 A 中不变, 在 B 中变化"));
        child<QCheckBox>(w, "checkOnlyChanged")->setChecked(true);
        QCOMPARE(view->model()->rowCount(), 1);
        QCOMPARE(listCell(0x200, 5), "5");
        // Without the comparison the grid shows the span's flips again.
        child<QCheckBox>(w, "checkCompare")->setChecked(false);
        QCOMPARE(grid->cellColour(16), BitGrid::heatColour(0.0));
        QVERIFY(grid->cellColour(0) != BitGrid::heatColour(0.0));
    }

    // Dragging downwards over two bytes proposes a Motorola signal; with no
    // database the first signal starts one, saved as a new file.
    void draggedBitsBecomeASavedSignal()
    {
        start();
        for (int i = 0; i < 50; ++i)
            append(1'000'000 + i * 10'000, 0x123, { 0, (i * 300) >> 8, (i * 300) & 0xFF, 7 });
        select(0x123);
        auto *grid = child<BitGrid>(w, "bitGrid");
        QCOMPARE(grid->cellToolTip(0), "位 0 (字节 0 的位 0): 值 0, 翻转 0 次");
        bool proposed = false;
        answerSignalDialog([&](QDialog *dialog) {
            proposed = child<QComboBox>(dialog, "signalByteOrder")->currentIndex() == 1
                    && child<QSpinBox>(dialog, "signalLength")->value() == 16
                    && child<QSpinBox>(dialog, "signalStartBit")->value() == 15;
            setText(dialog, "messageName", "Wheel");
            setText(dialog, "signalName", "Speed");
            setText(dialog, "signalFactor", "0.01");
            setText(dialog, "signalUnit", "km/h");
        });
        drag(grid, 15, 16);
        QVERIFY(proposed);
        // Motorola: down through byte 1, on into byte 2, and no further.
        QCOMPARE(grid->signalAt(8), "Speed");
        QCOMPARE(grid->signalAt(20), "Speed");
        QCOMPARE(grid->signalAt(24), "");
        child<QCheckBox>(w, "checkHideExplained")->setChecked(true);
        QCOMPARE(grid->cellColour(8), QColor(200, 200, 200));
        QVERIFY(grid->cellColour(0) != QColor(200, 200, 200));
        // Decoded and plotted at once.
        auto *plot = w->findChild<SignalPlot *>();
        QCOMPARE(plot->indexOf("Wheel", "Speed"), 0);
        QCOMPARE(plot->series()[0].values.back(), 49 * 300 * 0.01);
        QCOMPARE(child<QLabel>(w, "labelDbcName")->text(), "新数据库 (未保存)");
        // A second signal of the message: the one made is the one plotted.
        answerSignalDialog([](QDialog *dialog) { setText(dialog, "signalName", "Tail"); });
        drag(grid, 31, 24);
        QCOMPARE(plot->series().back().name, "Tail");
        QCOMPARE(plot->series().back().values.back(), 7.0);

        answerNextFileDialog(f->dir.filePath("found.dbc"));
        QTest::mouseClick(child<QPushButton>(w, "btnSaveDbc"), Qt::LeftButton);
        const DbcReadResult saved = readDbc(f->dir.read("found.dbc"));
        QVERIFY2(saved.error.isEmpty(), qPrintable(saved.error));
        const DbcSignal &speed = saved.database.messages.at(0).signalList.at(0);
        QCOMPARE(saved.database.messages[0].name, "Wheel");
        QCOMPARE(saved.database.messages[0].length, 4);
        QVERIFY(speed.name == "Speed" && speed.startBit == 15 && speed.length == 16
                && !speed.littleEndian && speed.factor == 0.01 && speed.unit == "km/h");
        QCOMPARE(child<QLabel>(w, "labelDbcName")->text(), "found.dbc");

        // Edited from its row, the change undone, and the file loaded again at the next start.
        w->findChild<QTabWidget *>()->setCurrentIndex(0);
        auto *table = child<QTableWidget>(w, "signalTable");
        table->setCurrentCell(0, 0);
        answerSignalDialog([](QDialog *dialog) { setText(dialog, "signalUnit", "mph"); });
        QTest::mouseClick(child<QPushButton>(w, "btnEditSignal"), Qt::LeftButton);
        QCOMPARE(w->currentDatabase().messages[0].signalList[0].unit, "mph");
        QCOMPARE(child<QLabel>(w, "labelDbcName")->text(), "found.dbc *");
        QTest::mouseClick(child<QPushButton>(w, "btnUndoDbc"), Qt::LeftButton);
        QCOMPARE(w->currentDatabase().messages[0].signalList[0].unit, "km/h");
        table->setCurrentCell(0, 0);
        QTest::mouseClick(child<QPushButton>(w, "btnRemoveSignal"), Qt::LeftButton);
        QCOMPARE(w->currentDatabase().messages[0].signalList.size(), size_t(1));
        QCOMPARE(plot->series().size(), size_t(1)); // Tail's
        f->restart(false);
        f->window->findChild<QAction *>("actionSignals")->trigger();
        w = f->window->findChild<SignalsWindow *>();
        QCOMPARE(w->currentDatabase().messages.at(0).signalList.size(), size_t(2));
    }

    // Loading another database, unloading and closing the program ask first
    // about unsaved changes: saved, dropped, or gone back to.
    void unsavedChangesAskedAbout_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("done");
        QTest::addColumn<bool>("saved");
        for (const char *action : { "load", "unload", "close" }) {
            QTest::addRow("%s, cancelled", action) << action << int(QMessageBox::Cancel) << false << false;
            QTest::addRow("%s, dropped", action) << action << int(QMessageBox::Discard) << true << false;
            QTest::addRow("%s, saved", action) << action << int(QMessageBox::Save) << true << true;
        }
        // A new database whose save dialog is cancelled is still there.
        QTest::newRow("close, new, save cancelled") << "close new" << int(QMessageBox::Save) << false << false;
    }
    void unsavedChangesAskedAbout()
    {
        QFETCH(QString, action);
        QFETCH(int, answer);
        QFETCH(bool, done);
        QFETCH(bool, saved);
        start();
        const QByteArray original = "VERSION \"\"\n\nBU_: Engine\n\nBO_ 256 Engine: 8 Engine\n"
                                    " SG_ Speed : 0|16@1+ (0.1,0) [0|6553.5] \"km/h\" Vector__XXX\n"
                                    " SG_ Temp : 16|8@1+ (1,-40) [-40|215] \"C\" Vector__XXX\n";
        f->dir.write("engine.dbc", original);
        f->dir.write("other.dbc", QByteArray(original).replace("Engine:", "Other:"));
        DbcEditor *editor = w->databaseEditor();
        if (action == "close new") {
            DbcSignal level;
            level.name = "Level";
            level.length = 8;
            QVERIFY(editor->addSignal(0x123, level, "Tank", "", 8));
            answerNextFileDialog(QString());
        } else {
            QVERIFY(w->loadDbc(f->dir.filePath("engine.dbc")));
            QVERIFY(editor->removeSignal(0x100, "Temp"));
        }
        auto asked = answerNextMessageBox(answer);
        if (action == "load") {
            if (done)
                answerNextFileDialog(f->dir.filePath("other.dbc"));
            QTest::mouseClick(child<QPushButton>(w, "btnLoadDbc"), Qt::LeftButton);
        } else if (action == "unload") {
            QTest::mouseClick(child<QPushButton>(w, "btnUnloadDbc"), Qt::LeftButton);
        } else {
            w->hide(); // shown again with the question
            QCOMPARE(f->window->close(), done);
            QCOMPARE(f->window->isVisible(), !done);
            QVERIFY(done || w->isVisible());
        }
        QVERIFY(asked->shown);
        QCOMPARE(asked->text, action == "close new" ? "新数据库还没有保存." : "engine.dbc 有未保存的更改.");
        const QByteArray onDisk = f->dir.read("engine.dbc");
        QCOMPARE(onDisk == original, !saved || action == "close new");
        QCOMPARE(onDisk.contains("Temp"), !saved);
        const QString shown = child<QLabel>(w, "labelDbcName")->text();
        if (!done)
            QCOMPARE(shown, action == "close new" ? "新数据库 (未保存)" : "engine.dbc *");
        else if (action == "load")
            QCOMPARE(shown, "other.dbc");
        else if (action == "unload")
            QCOMPARE(shown, "未加载数据库");
        // Closing drops nothing itself: the changes stay unless they were saved.
        QCOMPARE(editor->document().isModified(), action.startsWith("close") ? !saved : !done);
    }

    // The search narrows to the hidden signal; a candidate is plotted, then made a signal.
    void searchFindsASignal()
    {
        start();
        for (int i = 0; i < 300; ++i) {
            const int value = i < 100 ? 500 : i < 200 ? 500 + (i - 100) * 10 : 1490;
            append(1'000'000 + i * 10'000 - 1, 0x322, { value >= 1000 ? 0x04 : 0x00 });
            append(1'000'000 + i * 10'000, 0x321, { i % 256, value & 0xFF, value >> 8, i % 3 });
        }
        w->refresh();
        QTest::mouseClick(child<QPushButton>(w, "btnSearchSignal"), Qt::LeftButton);
        SignalSearchWindow *search = w->signalSearch();
        QVERIFY(search->isVisible());
        child<QComboBox>(w, "spanChoice")->setCurrentIndex(BitAnalysisPanel::PlotSpan);
        auto *plot = w->findChild<SignalPlot *>();
        const auto step = [&](double from, double to, SearchStep::Kind kind, const QString &low = QString()) {
            plot->setTimeSpan(from, to);
            w->refresh();
            child<QComboBox>(search, "searchKind")->setCurrentIndex(int(kind));
            child<QLineEdit>(search, "searchLow")->setText(low);
            QTest::mouseClick(child<QPushButton>(search, "btnApplyStep"), Qt::LeftButton);
        };
        step(0.0, 0.99, SearchStep::Kind::Stayed);
        step(1.0, 1.99, SearchStep::Kind::Rose);
        step(2.0, 2.99, SearchStep::Kind::Stayed);
        step(0.0, 2.99, SearchStep::Kind::Equals, "1490");
        auto *table = child<QTableWidget>(search, "candidateTable");
        QVERIFY(table->rowCount() >= 1);
        QCOMPARE(rowCells(table, 0), QStringList({ "0x321", "8", "11", "Intel", "否", "1490" }));
        QVERIFY(child<QLabel>(search, "labelSearchStatus")->text().contains("共 4 步"));
        table->setCurrentCell(0, 0);
        // Over the whole capture, the bit that switches with it.
        child<QComboBox>(w, "spanChoice")->setCurrentIndex(BitAnalysisPanel::WholeCapture);
        QTest::mouseClick(child<QPushButton>(search, "btnFollowCandidate"), Qt::LeftButton);
        auto *follow = child<QTableWidget>(search, "followTable");
        QVERIFY(follow->isVisible());
        QCOMPARE(rowCells(follow, 0), QStringList({ "0x322", "2 (字节 0 的位 2)", "100.0%", "否" }));
        QTest::mouseClick(child<QPushButton>(search, "btnPlotCandidate"), Qt::LeftButton);
        QCOMPARE(plot->series().size(), size_t(1));
        QCOMPARE(plot->series()[0].values.back(), 1490.0);
        // A signed candidate plots signed: 1490 in 11 signed bits.
        emit search->plotRequested(0x321, BitField{ 8, 11, true, true });
        QCOMPARE(plot->series().size(), size_t(1));
        QCOMPARE(plot->series()[0].values.back(), 1490.0 - 2048.0);
        answerSignalDialog([](QDialog *dialog) {
            setText(dialog, "signalName", "Level");
            child<QSpinBox>(dialog, "signalLength")->setValue(16);
        });
        QTest::mouseClick(child<QPushButton>(search, "btnMakeCandidate"), Qt::LeftButton);
        const DbcMessage *message = w->currentDatabase().find(0x321, false);
        QVERIFY(message);
        QCOMPARE(message->signalList.at(0).length, 16);
        QCOMPARE(message->signalList.at(0).startBit, 8);
        QTest::mouseClick(child<QPushButton>(search, "btnUndoStep"), Qt::LeftButton);
        QVERIFY(child<QLabel>(search, "labelSearchStatus")->text().contains("共 3 步"));
    }

    void countersAndChecksumsBecomeSignals()
    {
        start();
        QRandomGenerator random(9);
        for (int i = 0; i < 100; ++i) {
            const int data1 = int(random.bounded(256)), data2 = int(random.bounded(256));
            append(1'000'000 + i * 10'000, 0x2E4, { i % 16, data1, data2, i % 16 ^ data1 ^ data2 ^ 0x5A });
        }
        select(0x2E4);
        QTest::mouseClick(child<QPushButton>(w, "btnFindPatterns"), Qt::LeftButton);
        const QString findings = child<QLabel>(w, "labelFindings")->text();
        // The XOR over every byte fits byte 0 as well as byte 3.
        QCOMPARE(findings, "计数器: 起始位 0, 4 位, Intel, 最大 15; 100.0% 的帧加一\n"
                           "校验和: xor8:init=0x5a, 起始位 0, 8 位, Intel; 100.0% 的帧相符\n"
                           "校验和: xor8:init=0x5a, 起始位 24, 8 位, Intel; 100.0% 的帧相符");
        QVERIFY(child<QPushButton>(w, "btnMakePatternSignals")->isEnabled());
        answerSignalDialog([](QDialog *) {}); // not asked: nothing is left open
        QTest::mouseClick(child<QPushButton>(w, "btnMakePatternSignals"), Qt::LeftButton);
        const DbcMessage *message = w->currentDatabase().find(0x2E4, false);
        QVERIFY(message);
        QCOMPARE(message->signalList.at(0).name, "Counter");
        QCOMPARE(message->signalList.at(0).length, 4);
        QCOMPARE(message->signalList.at(0).maximum, 15.0);
        QCOMPARE(message->signalList.at(1).name, "Checksum");
        QCOMPARE(message->signalList.at(1).startBit, 24); // clear of the counter
        QCOMPARE(message->signalList.at(1).comment, "Checksum: xor8:init=0x5a.");
        QCOMPARE(message->signalList.at(1).maximum, 255.0);
        // What the transmit window makes of the message: its counter and checksum, found.
        const TransmitRow row = rowForMessage(w->currentDatabase(), *message);
        QCOMPARE(row.counterSignal, "Counter");
        QCOMPARE(row.checksumSignal, "Checksum");
        QCOMPARE(checksumAlgorithmText(row.checksum), "xor8:init=0x5a");
        // The bits that go with the counter's top bit: none of another message.
        w->findChild<QTabWidget *>()->setCurrentIndex(0);
        child<QTableWidget>(w, "signalTable")->setCurrentCell(0, 0);
        QTest::mouseClick(child<QPushButton>(w, "btnFollowSignal"), Qt::LeftButton);
        QVERIFY(w->signalSearch()->isVisible());
        QVERIFY(child<QTableWidget>(w->signalSearch(), "followTable")->rowCount() > 0);
        QCOMPARE(child<QTableWidget>(w->signalSearch(), "followTable")->item(0, 0)->text(), "0x2e4");
        QCOMPARE(child<QLabel>(w, "labelGridNote")->isVisible(), false);
    }
};

QTEST_MAIN(tst_BitAnalysisWindow)
#include "tst_bitanalysiswindow.moc"
