#include "windowtest.h"

#include "signalplot.h"
#include "signalswindow.h"

#include <QAction>
#include <QWheelEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

// The signals window over the capture: a database loaded from file decodes
// the frames that arrive from the converter. These cases need the database
// reader and decoder (src/dbc) as well as the window.
class tst_SignalsWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void showsDecodedSignals();
    void badDatabaseKeepsTheOldOne_data();
    void badDatabaseKeepsTheOldOne();
    void databaseIsLoadedAgainAtStart();
    void plotZoomsPansAndShowsSamples();

private:
    SignalsWindow *openSignals();
    void load(const QString &name, const QByteArray &content);

    WindowFixture *f = nullptr;
};

namespace {
const QByteArray EngineDbc = "VERSION \"\"\r\n"
                             "\r\n"
                             "BU_: Engine\r\n"
                             "BO_ 291 EngineData: 8 Engine\r\n"
                             " SG_ EngineSpeed : 0|16@1+ (0.25,0) [0|16000] \"rpm\" Vector__XXX\r\n"
                             " SG_ GearState : 16|3@1+ (1,0) [0|7] \"\" Vector__XXX\r\n"
                             "\r\n"
                             "CM_ SG_ 291 EngineSpeed \"Crankshaft speed\";\r\n"
                             "BA_ \"GenMsgCycleTime\" BO_ 291 100;\r\n"
                             "VAL_ 291 GearState 0 \"Park\" 3 \"Drive\" ;\r\n";

QStringList signalRow(const QTableWidget *table, int row)
{
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column)
        cells << (table->item(row, column) ? table->item(row, column)->text()
                                           : QStringLiteral("-"));
    return cells;
}
} // namespace

void tst_SignalsWindow::init()
{
    QTest::failOnWarning(QRegularExpression("No matching signal"));
    f = new WindowFixture;
}

void tst_SignalsWindow::cleanup()
{
    delete f;
    f = nullptr;
}

SignalsWindow *tst_SignalsWindow::openSignals()
{
    f->window->findChild<QAction *>("actionSignals")->trigger();
    auto *signalsWindow = f->window->findChild<SignalsWindow *>();
    if (signalsWindow && !QTest::qWaitForWindowExposed(signalsWindow))
        return nullptr;
    return signalsWindow;
}

void tst_SignalsWindow::load(const QString &name, const QByteArray &content)
{
    f->dir.write(name, content);
    answerNextFileDialog(f->dir.filePath(name));
    QTest::mouseClick(child<QPushButton>(f->window->findChild<SignalsWindow *>(), "btnLoadDbc"),
                      Qt::LeftButton);
}

void tst_SignalsWindow::showsDecodedSignals()
{
    f->start();
    SignalsWindow *signalsWindow = openSignals();
    QVERIFY(signalsWindow);
    load("engine.dbc", EngineDbc);
    QTRY_VERIFY(signalsWindow->hasDatabase());

    // EngineSpeed 0x4e21 = 20001 * 0.25 rpm, GearState 3 "Drive"; 0x124 is not in the database.
    for (int i = 0; i < 3; ++i)
        f->pty.write(fixedFrame(0x123, QByteArray("\x21\x4e\x03\x00\x00\x00\x00\x00", 8))
                     + fixedFrame(0x124, "\x01"));
    auto *messages = child<QTableView>(signalsWindow, "messageView");
    QTRY_COMPARE(messages->model()->rowCount(), 2);
    QTRY_COMPARE(messages->model()->index(0, 2).data().toString(), QString("3"));
    QCOMPARE(messages->model()->index(0, 0).data().toString(), QString("0x123"));
    QCOMPARE(messages->model()->index(0, 1).data().toString(), QString("EngineData"));
    QVERIFY(messages->model()->index(0, 3).data().toString().endsWith("(100)"));
    QCOMPARE(messages->model()->index(1, 1).data().toString(), QString());

    messages->setCurrentIndex(messages->model()->index(0, 0));
    auto *signalList = child<QTableWidget>(signalsWindow, "signalTable");
    QTRY_COMPARE(signalList->rowCount(), 2);
    QCOMPARE(signalRow(signalList, 0), QStringList({ "EngineSpeed", "20001", "5000.25 rpm", "" }));
    QCOMPARE(signalRow(signalList, 1), QStringList({ "GearState", "3", "3", "Drive" }));
    QCOMPARE(signalList->item(0, 0)->toolTip(), QString("Crankshaft speed"));

    // Ticked, the signal is plotted with every frame the capture holds of it.
    signalList->item(1, 0)->setCheckState(Qt::Checked);
    auto *plot = child<SignalPlot>(signalsWindow, "plot");
    QCOMPARE(int(plot->series().size()), 1);
    QCOMPARE(plot->series()[0].values, std::vector<double>({ 3, 3, 3 }));
    QVERIFY(plot->series()[0].steps);
    f->pty.write(fixedFrame(0x123, QByteArray("\x00\x00\x00\x00\x00\x00\x00\x00", 8)));
    QTRY_COMPARE(plot->series()[0].values.size(), size_t(4));
    QCOMPARE(plot->series()[0].values.back(), 0.0);
    QTRY_COMPARE(signalRow(signalList, 1).at(3), QString("Park"));

    // A frame shorter than the message: only the signals it holds, and marked.
    f->pty.write(fixedFrame(0x123, QByteArray("\x10\x00", 2)));
    QTRY_COMPARE(signalList->rowCount(), 1);
    QCOMPARE(signalRow(signalList, 0).at(1), QString("16"));
    QVERIFY(child<QLabel>(signalsWindow, "labelMessage")->text().contains("8"));
}

void tst_SignalsWindow::badDatabaseKeepsTheOldOne_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("not a database") << QByteArray("hello\nworld\n");
    QTest::newRow("no message") << QByteArray("VERSION \"\"\nNS_ :\nBS_:\nBU_: A\n");
}

void tst_SignalsWindow::badDatabaseKeepsTheOldOne()
{
    QFETCH(QByteArray, content);
    f->start(false);
    SignalsWindow *signalsWindow = openSignals();
    load("engine.dbc", EngineDbc);
    QTRY_VERIFY(signalsWindow->hasDatabase());
    load("bad.dbc", content);
    auto *status = child<QLabel>(signalsWindow, "labelDbcStatus");
    QTRY_VERIFY(status->text().contains("bad.dbc"));
    QVERIFY(status->text().contains("line"));
    QVERIFY(signalsWindow->hasDatabase());
    QCOMPARE(child<QLabel>(signalsWindow, "labelDbcName")->text(), QString("engine.dbc"));
}

void tst_SignalsWindow::databaseIsLoadedAgainAtStart()
{
    f->start(false);
    SignalsWindow *signalsWindow = openSignals();
    load("engine.dbc", EngineDbc);
    QTRY_VERIFY(signalsWindow->hasDatabase());
    delete f->window;
    f->window = nullptr;

    f->start(false);
    signalsWindow = f->window->findChild<SignalsWindow *>();
    QVERIFY(signalsWindow->hasDatabase());
    QCOMPARE(child<QLabel>(signalsWindow, "labelDbcName")->text(), QString("engine.dbc"));
    // Unloaded, it stays unloaded.
    QTest::mouseClick(child<QPushButton>(signalsWindow, "btnUnloadDbc"), Qt::LeftButton);
    QVERIFY(!signalsWindow->hasDatabase());
    delete f->window;
    f->window = nullptr;
    f->start(false);
    QVERIFY(!f->window->findChild<SignalsWindow *>()->hasDatabase());
}

// The plot alone, without a database: wheel, drag and hover.
void tst_SignalsWindow::plotZoomsPansAndShowsSamples()
{
    SignalPlot plot;
    plot.resize(800, 400);
    SignalSeries series;
    series.name = QStringLiteral("Speed");
    series.unit = QStringLiteral("km/h");
    for (int i = 0; i <= 100; ++i) {
        series.times.push_back(i * 0.1);
        series.values.push_back(i % 2 ? 10.0 : 20.0);
    }
    plot.addSeries(series);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    plot.fitAll();
    QCOMPARE(plot.spanStart(), 0.0);
    QCOMPARE(plot.spanEnd(), 10.0);

    // One wheel step in at the middle: a fifth less time, around the cursor.
    const QPointF middle = plot.mapFromScene(plot.chart()->mapToPosition(QPointF(5.0, 15.0)));
    QWheelEvent wheel(middle, plot.mapToGlobal(middle), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot.viewport(), &wheel);
    QVERIFY(std::abs(plot.spanEnd() - plot.spanStart() - 8.0) < 0.05);
    QVERIFY(std::abs((plot.spanStart() + plot.spanEnd()) / 2 - 5.0) < 0.05);

    // Dragging to the right shows earlier times.
    const double before = plot.spanStart();
    QTest::mousePress(plot.viewport(), Qt::LeftButton, Qt::NoModifier, middle.toPoint());
    QTest::mouseMove(plot.viewport(), middle.toPoint() + QPoint(100, 0));
    QTest::mouseRelease(plot.viewport(), Qt::LeftButton, Qt::NoModifier,
                        middle.toPoint() + QPoint(100, 0));
    QVERIFY(plot.spanStart() < before);

    // Hovering on a sample names it; far from every line, nothing.
    const QPoint onSample = plot.mapFromScene(plot.chart()->mapToPosition(QPointF(3.0, 20.0)));
    QCOMPARE(plot.sampleTextAt(onSample), QString("Speed: 20 km/h\n时间 3.000000 s"));
    const QPoint away = plot.mapFromScene(plot.chart()->mapToPosition(QPointF(3.0, 15.0)));
    QCOMPARE(plot.sampleTextAt(away), QString());
}

QTEST_MAIN(tst_SignalsWindow)
#include "tst_signalswindow.moc"
