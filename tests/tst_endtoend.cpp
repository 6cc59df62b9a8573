#include "simlink.h"
#include "windowtest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

// The window against the converter simulator over a pseudo-terminal.
class tst_EndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loopBackManualSend_data();
    void loopBackManualSend();
    void healthyBusStatus();
    void receiveIdFilterOnlyListed();
    void autoReplyAnswersANode();
    void baudRateChangeNeedsReopeningAtTheNewRate();

private:
    void startWith(const SimOptions &options);
    void click(const char *button)
    {
        QTest::mouseClick(f->get<QPushButton>(button), Qt::LeftButton);
    }
    QStringList shownIds() const;

    WindowFixture *f = nullptr;
    SimulatorLink *sim = nullptr;
    QStringList trace;
};

void tst_EndToEnd::init()
{
    QTest::failOnWarning(QRegularExpression("No matching signal"));
    f = new WindowFixture;
    trace.clear();
}

void tst_EndToEnd::cleanup()
{
    delete f;
    delete sim;
    sim = nullptr;
}

void tst_EndToEnd::startWith(const SimOptions &options)
{
    sim = new SimulatorLink(options);
    connect(sim, &SimulatorLink::traceLine, this, [this](const QString &line) { trace << line; });
    QString error;
    QVERIFY2(sim->open(&error), qPrintable(error));
    f->start(false);
    openPort(f->window, sim->slavePath());
    QCOMPARE(statusText(f->window), QString("端口正常打开"));
    QTRY_VERIFY(sim->hostConnected());
}

QStringList tst_EndToEnd::shownIds() const
{
    auto *view = f->get<QTableWidget>("tableWidget");
    QStringList ids;
    for (int row = 0; row < view->rowCount() && view->item(row, 5); ++row)
        ids << view->item(row, 1)->text() + " " + view->item(row, 5)->text();
    return ids;
}

void tst_EndToEnd::loopBackManualSend_data()
{
    QTest::addColumn<bool>("variable");
    QTest::newRow("fixed") << false;
    QTest::newRow("variable") << true;
}

void tst_EndToEnd::loopBackManualSend()
{
    QFETCH(bool, variable);
    startWith(SimOptions());
    f->get<QComboBox>("comboBoxMode")->setCurrentText("环回模式");
    if (variable)
        f->get<QRadioButton>("radioBtnVariable")->setChecked(true);
    click("btnSetStart");
    QTRY_VERIFY(sim->converter().running());
    QCOMPARE(sim->converter().variableFraming(), variable);

    f->showPageOf("tableWidget_2");
    if (variable)
        QTest::ignoreMessage(QtDebugMsg, "13");
    clickCell(f->get<QTableWidget>("tableWidget_2"), 3, 2);
    QTRY_COMPARE(shownIds(), (QStringList{ "发送 0x00000003", "接受 0x00000003" }));
    auto *view = f->get<QTableWidget>("tableWidget");
    QCOMPARE(view->item(1, 7)->text(), QString("00 11 22 33 44 55 66 77"));
}

void tst_EndToEnd::healthyBusStatus()
{
    startWith(SimOptions());
    click("btnCANBusStatus");
    QTRY_COMPARE(statusText(f->window),
                 QString("总线状态:正常, 正常状态发送错误计数器  = 0, 接受错误计数器 = 0"));
}

void tst_EndToEnd::receiveIdFilterOnlyListed()
{
    SimOptions options;
    SimNode node;
    QVERIFY(parseNodeOption("123:30:01", &node));
    options.nodes << node;
    QVERIFY(parseNodeOption("456:30:02", &node));
    options.nodes << node;
    startWith(options);

    auto *ids = f->get<QTableWidget>("tableWidget_5");
    ids->setRowCount(1);
    ids->item(0, 0)->setText("0x123");
    f->get<QRadioButton>("radioBtnUploadOnly")->setChecked(true);
    click("btnReceiveSet");
    click("btnSetStart");
    QTRY_VERIFY(sim->converter().running());
    QTest::qWait(50);
    click("btnViewClear");
    QTRY_VERIFY(shownIds().size() >= 3);
    for (const QString &shown : shownIds())
        QCOMPARE(shown, QString("接受 0x00000123"));
}

void tst_EndToEnd::autoReplyAnswersANode()
{
    SimOptions options;
    SimNode node;
    QVERIFY(parseNodeOption("10:50:aa", &node));
    options.nodes << node;
    startWith(options);
    auto *reply = f->get<QCheckBox>("checkBoxReplyAuto");
    reply->setChecked(true);
    click("btnSetStart");
    QTRY_VERIFY(trace.contains("host> fixed frame std data 0x20 [8] 00 11 22 33 44 55 66 77"));
    QVERIFY(shownIds().contains("发送 0x00000020"));
}

void tst_EndToEnd::baudRateChangeNeedsReopeningAtTheNewRate()
{
    QTemporaryDir stateDir;
    SimOptions options;
    options.statePath = stateDir.filePath("converter.state");
    SimNode node;
    QVERIFY(parseNodeOption("77:30:07", &node));
    options.nodes << node;
    startWith(options);
    click("btnSetStart");
    QTRY_VERIFY(!shownIds().isEmpty());

    f->get<QComboBox>("cbBoxChangeBps")->setCurrentText("115200");
    answerNextMessageBox(QMessageBox::Ok);
    click("btnChangeBps");
    QTRY_COMPARE(sim->converter().stored.baudCode, 2);

    // Still at the old rate: nothing readable comes.
    click("btnViewClear");
    QTest::qWait(300);
    QVERIFY(shownIds().isEmpty());
    click("btnCANBusStatus");
    QTest::qWait(200);
    QVERIFY(statusText(f->window).startsWith("无法读取Can总线状态"));

    // Reopened at the new rate, the converter is understood again.
    click("btnOpenClose");
    openPort(f->window, sim->slavePath(), "115200");
    QTRY_VERIFY(!shownIds().isEmpty());
    click("btnCANBusStatus");
    QTRY_VERIFY(statusText(f->window).startsWith("总线状态:正常"));

    // The converter keeps the rate across a power cycle.
    const QString path = options.statePath;
    delete sim;
    SimulatorLink restarted(options);
    QCOMPARE(restarted.converter().stored.baudCode, 2);
    sim = nullptr;
    QVERIFY(QFile::exists(path));
}

QTEST_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
