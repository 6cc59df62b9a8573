#include "hexbytes.h"
#include "signalplot.h"
#include "signalswindow.h"
#include "windowtest.h"

#include <QAction>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QValueAxis>

namespace {
const QByteArray EngineDbc = "VERSION \"\"\r\n\r\nBU_: Engine\r\n"
                             "BO_ 291 EngineData: 8 Engine\r\n"
                             " SG_ EngineSpeed : 0|16@1+ (0.25,0) [0|16000] \"rpm\" Vector__XXX\r\n"
                             " SG_ GearState : 16|3@1+ (1,0) [0|7] \"\" Vector__XXX\r\n\r\n"
                             "CM_ SG_ 291 EngineSpeed \"Crankshaft speed\";\r\n"
                             "BA_ \"GenMsgCycleTime\" BO_ 291 100;\r\n"
                             "VAL_ 291 GearState 0 \"Park\" 3 \"Drive\" ;\r\n";
} // namespace

// The signals window over the capture: a database loaded from file decodes
// the frames that arrive from the converter.
class tst_SignalsWindow : public QObject
{
    Q_OBJECT

    WindowFixture *f = nullptr;
    SignalsWindow *start(bool openThePort)
    {
        f->start(openThePort);
        f->window->findChild<QAction *>("actionSignals")->trigger();
        return f->window->findChild<SignalsWindow *>();
    }
    void load(const QString &name, const QByteArray &content)
    {
        f->dir.write(name, content);
        answerNextFileDialog(f->dir.filePath(name));
        QTest::mouseClick(child<QPushButton>(f->window, "btnLoadDbc"), Qt::LeftButton);
    }

private slots:
    void init() { f = new WindowFixture; }
    void cleanup() { delete f; }

    void showsDecodedSignals()
    {
        SignalsWindow *signalsWindow = start(true);
        QVERIFY(QTest::qWaitForWindowExposed(signalsWindow));
        load("engine.dbc", EngineDbc);
        QVERIFY(signalsWindow->hasDatabase());
        // EngineSpeed 0x4e21 = 20001 * 0.25 rpm, GearState 3 "Drive"; 0x124 is not in the database.
        for (int i = 0; i < 3; ++i)
            f->pty.write(fixedFrame(0x123, hex("214e030000000000")) + fixedFrame(0x124, "\x01"));
        auto *messageView = child<QTableView>(signalsWindow, "messageView");
        const auto cell = [&](int row, int column) {
            return messageView->model()->index(row, column).data().toString();
        };
        QTRY_COMPARE(cell(0, 2) + " " + cell(1, 2), "3 3");
        QCOMPARE(QStringList({ cell(0, 0), cell(0, 1), cell(0, 3).section(' ', -1), cell(1, 1) }),
                 QStringList({ "0x123", "EngineData", "(100)", "" }));

        messageView->setCurrentIndex(messageView->model()->index(0, 0));
        auto *signalList = child<QTableWidget>(signalsWindow, "signalTable");
        QTRY_COMPARE(signalList->rowCount(), 2);
        QCOMPARE(rowCells(signalList, 0) + rowCells(signalList, 1),
                 QStringList({ "EngineSpeed", "20001", "5000.25 rpm", "", "GearState", "3", "3",
                               "Drive" }));
        QCOMPARE(signalList->item(0, 0)->toolTip(), "Crankshaft speed");
        // Ticked, the signal is plotted with every frame the capture holds of it.
        signalList->item(1, 0)->setCheckState(Qt::Checked);
        auto *plot = child<SignalPlot>(signalsWindow, "plot");
        QCOMPARE(int(plot->series().size()), 1);
        QCOMPARE(plot->series()[0].values, std::vector<double>({ 3, 3, 3 }));
        QVERIFY(plot->series()[0].steps);
        f->pty.write(fixedFrame(0x123, QByteArray(8, '\0')));
        QTRY_COMPARE(plot->series()[0].values, std::vector<double>({ 3, 3, 3, 0 }));
        QTRY_COMPARE(rowCells(signalList, 1).at(3), "Park");
        // A frame shorter than the message: only the signals it holds, and marked.
        f->pty.write(fixedFrame(0x123, hex("1000")));
        QTRY_COMPARE(signalList->rowCount(), 1);
        QCOMPARE(rowCells(signalList, 0).at(1), "16");
        QVERIFY(child<QLabel>(signalsWindow, "labelMessage")->text().contains("8"));
    }

    // Each unit on an axis of its own, in its line's colour: every signal fills the plot's
    // height; the hover text names the signal under the mouse; an axis goes with its last signal.
    void plotGivesEachUnitItsAxis()
    {
        SignalPlot plot;
        plot.resize(800, 400);
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        // Saw teeth from 0 to 49 times the scale, the throttle's falling.
        const auto series = [](const char *name, const char *unit, double scale) {
            SignalSeries s{ "EngineData", name, unit };
            for (int i = 0; i <= 100; ++i) {
                s.times.push_back(i * 0.1);
                s.values.push_back(scale * (scale == 2 ? 49 - i % 50 : i % 50));
            }
            return s;
        };
        plot.addSeries(series("EngineSpeed", "rpm", 160));
        plot.addSeries(series("ThrottlePosition", "%", 2));
        plot.addSeries(series("Load", "%", 1));
        plot.fitAll();
        const QRectF area = plot.chart()->plotArea();
        const QList<QAbstractSeries *> lines = plot.chart()->series();
        for (int k : { 0, 1 }) {
            auto *line = static_cast<QLineSeries *>(lines[k]);
            auto *axis = plot.valueAxis(k ? "%" : "rpm");
            QCOMPARE(axis->titleText(), k ? "%" : "rpm");
            QCOMPARE(axis->alignment(), k ? Qt::AlignRight : Qt::AlignLeft);
            QCOMPARE(axis->linePenColor(), line->color());
            const double top = plot.chart()->mapToPosition({ 0, 49.0 * (k ? 2 : 160) }, line).y();
            const double bottom = plot.chart()->mapToPosition({ 0, 0 }, line).y();
            QVERIFY2(qAbs(top - area.top()) < 0.1 * area.height()
                             && qAbs(area.bottom() - bottom) < 0.1 * area.height(),
                     qPrintable(QString::asprintf("%g to %g in %g to %g", top, bottom, area.top(),
                                                  area.bottom())));
        }
        const QPointF throttle = plot.chart()->mapToPosition({ 4.0, 18.0 }, lines[1]);
        QCOMPARE(plot.sampleTextAt(plot.mapFromScene(throttle)),
                 "ThrottlePosition: 18 %\n时间 4.000000 s");
        plot.removeSeries(0);
        QVERIFY(!plot.valueAxis("rpm"));
        QCOMPARE(plot.chart()->axes(Qt::Vertical).size(), 1);
    }

    void plotRunsToTheLeftEdge_data()
    {
        QTest::addColumn<bool>("steps");
        QTest::addColumn<int>("samples"); // over 10 s; thousands are reduced to the plot's width
        QTest::newRow("line, every sample") << false << 50;
        QTest::newRow("steps, reduced") << true << 20000;
    }

    // Zoomed in and panned, the line starts at the sample before the span: at the left edge.
    void plotRunsToTheLeftEdge()
    {
        QFETCH(bool, steps);
        QFETCH(int, samples);
        SignalPlot plot;
        plot.resize(800, 400);
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        SignalSeries series{ "M", "S", "", steps };
        for (int i = 0; i < samples; ++i) {
            series.times.push_back(10.0 * i / samples);
            series.values.push_back(i % 7);
        }
        plot.addSeries(series);
        plot.setTimeSpan(2.3456, 7.3456); // what the wheel and dragging set
        const int before = int(2.3456 * samples / 10); // the last sample before 2.3456 s
        QCOMPARE(static_cast<QLineSeries *>(plot.chart()->series().at(0))->at(0),
                 QPointF(10.0 * before / samples, before % 7));
    }

    // A file that is no database, or holds no message, keeps the loaded one;
    // the database is loaded again at start until it is unloaded.
    void databaseKeptOverBadFilesAndRestarts()
    {
        SignalsWindow *signalsWindow = start(false);
        load("engine.dbc", EngineDbc);
        for (const char *bad : { "hello\nworld\n", "VERSION \"\"\nNS_ :\nBS_:\nBU_: A\n" }) {
            load("bad.dbc", bad);
            auto *status = child<QLabel>(signalsWindow, "labelDbcStatus");
            QVERIFY(status->text().contains("bad.dbc") && status->text().contains("line"));
            QVERIFY(signalsWindow->hasDatabase());
        }
        for (bool loaded : { true, false }) {
            delete f->window;
            signalsWindow = start(false);
            QCOMPARE(signalsWindow->hasDatabase(), loaded);
            if (loaded)
                QCOMPARE(child<QLabel>(signalsWindow, "labelDbcName")->text(), "engine.dbc");
            QTest::mouseClick(child<QPushButton>(signalsWindow, "btnUnloadDbc"), Qt::LeftButton);
        }
    }
};

QTEST_MAIN(tst_SignalsWindow)
#include "tst_signalswindow.moc"
