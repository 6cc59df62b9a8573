#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "canbus.h"
#include "canconfigpage.h"
#include "canlink.h"
#include "captureautosave.h"
#include "capturestore.h"
#include "columnfit.h"
#include "commandline.h"
#include "diagconsole.h"
#include "diagmenu.h"
#include "diagwindow.h"
#include "framesender.h"
#include "logfiles.h"
#include "logmenu.h"
#include "portpanel.h"
#include "replaywindow.h"
#include "sendpages.h"
#include "signalsmenu.h"
#include "signalswindow.h"
#include "slcanmenu.h"
#include "texttableautosave.h"
#include "trafficview.h"
#include "transmitmenu.h"
#include "transmitscheduler.h"
#include "transmitwindow.h"
#include "viewrow.h"

#include <QDir>

MainWindow::MainWindow(const QString &startPort, QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    ui->plainTextEdit_2->appendPlainText(QLatin1Char('\n')
                                         + ProgramInfo::text(QDir::currentPath()));

    capture = new CaptureStore(this);
    bus = new CanBus(this);
    trafficView = new TrafficView(ui, capture, cellWords, this);
    sender = new FrameSender(bus, capture, trafficView, this);
    canConfigPage = new CanConfigPage(ui, bus, this);
    manualSendPage = new ManualSendPage(ui, sender, cellWords, this);
    autoSendPage = new AutoSendPage(ui, sender, cellWords, this);
    autoReplyPage = new AutoReplyPage(ui, sender, this);
    receiveIdPage = new ReceiveIdPage(ui, bus, this);
    manualSendPage->load();
    autoSendPage->load();
    autoReplyPage->load();

    // Each column at least as wide as the widest text of its kind in the font in use.
    const QStringList ids = identifierSamples();
    const QStringList data = dataSamples();
    const QStringList send = { cellWords[CellWord::SendCell] };
    fitColumnsToTexts(ui->tableWidget_2, { ids, data, send });
    fitColumnsToTexts(ui->tableWidget_3, { ids, data, numberSamples(5), send });
    fitColumnsToTexts(ui->tableWidget_4, { ids, ids, data });
    fitColumnsToTexts(ui->tableWidget_5, { ids });

    portPanel = new PortPanel(ui, bus, this);
    ui->toolBox->setCurrentIndex(0);

    // The menu bar's height is added to the window's, so the central area
    // keeps its size and every widget its place.
    captureAutoSave = new CaptureAutoSave(capture, this);
    const int menuBarHeight = ui->menubar->sizeHint().height();
    logMenu = new LogMenu(ui->menubar, capture, this);
    signalsMenu = new SignalsMenu(ui->menubar, capture, this);
    slcanMenu = new SlcanMenu(ui->menubar, bus, this);
    transmitMenu = new TransmitMenu(ui->menubar, this);
    transmitList = transmitMenu->window()->scheduler();
    diagMenu = new DiagMenu(ui->menubar, capture, this);
    resize(width(), height() + ui->menubar->sizeHint().height() - menuBarHeight);
    replayWindow = new ReplayWindow(bus, this);
    connectParts();
    // The transmit list of the last session, on the signals window's database.
    transmitMenu->window()->setDatabase(signalsMenu->window()->currentDatabase());
    transmitMenu->window()->load();
    diagMenu->window()->setDatabase(signalsMenu->window()->currentDatabase());
    if (!startPort.isEmpty())
        portPanel->openNamed(startPort);
}

MainWindow::~MainWindow()
{
    trafficView->textAutoSave()->stop(); // the rows of the last second reach the log too
    captureAutoSave->stop();
    delete ui;
}

void MainWindow::connectParts()
{
    connect(trafficView, &TrafficView::statusMessage, this,
            [this](const QString &text) { showMessage(text); });
    const auto show = [this](const QString &text, int timeout) { showMessage(text, timeout); };
    connect(sender, &FrameSender::statusMessage, this, show);
    connect(portPanel, &PortPanel::statusMessage, this, show);
    connect(canConfigPage, &CanConfigPage::statusMessage, this, show);
    connect(receiveIdPage, &ReceiveIdPage::statusMessage, this, show);
    for (ListPage *page :
         { static_cast<ListPage *>(manualSendPage), static_cast<ListPage *>(autoSendPage),
           static_cast<ListPage *>(autoReplyPage) })
        connect(page, &ListPage::statusMessage, this, show);

    connect(bus, &CanBus::framesReceived, this, &MainWindow::receiveFrames);
    connect(bus, &CanBus::problemReported, this, [this](const QString &text) { showMessage(text); });
    connect(bus->converter(), &CanLink::busStatusReceived, this,
            [this](const BusStatus &status) { showMessage(busStatusText(status)); });
    connect(portPanel, &PortPanel::interfaceChosen, canConfigPage,
            &CanConfigPage::setInterfaceChosen);
    connect(portPanel, &PortPanel::interfaceChosen, receiveIdPage,
            &ReceiveIdPage::setInterfaceChosen);
    connect(ui->checkBoxAutoSave, &QCheckBox::clicked, this, &MainWindow::switchAutoSave);
    connect(captureAutoSave, &CaptureAutoSave::saveFailed, this,
            [this](const QString &fileName) { showMessage(tr("保存失败: ") + fileName); });

    replayWindow->setSend([this](const CanFrame &frame) {
        return sender->sendFrame(frame, identifierText(frame.identifier),
                                 receivedDataText(frame).trimmed());
    });
    connect(logMenu, &LogMenu::logOpened, this, &MainWindow::showOpenedLog);
    connect(logMenu, &LogMenu::statusMessage, this,
            [this](const QString &text) { showMessage(text); });
    connect(logMenu, &LogMenu::replayRequested, this, &MainWindow::showReplayWindow);
    connect(slcanMenu, &SlcanMenu::statusMessage, this,
            [this](const QString &text) { showMessage(text); });
    connect(slcanMenu, &SlcanMenu::frameSent, this, [this](const CanFrame &frame) {
        sender->recordSent(frame, identifierText(frame.identifier),
                           receivedDataText(frame).trimmed());
    });

    // The transmit list sends through the one write path, stops with the
    // device, and shares the signals window's database and checks.
    transmitList->setSend([this](const CanFrame &frame) {
        return TransmitScheduler::sendOnBus(bus, frame, [this](const CanFrame &f) {
            return sender->sendFrame(f, identifierText(f.identifier), receivedDataText(f).trimmed());
        });
    });
    TransmitWindow *transmitWindow = transmitMenu->window();
    SignalsWindow *signalsWindow = signalsMenu->window();
    connect(bus, &CanBus::aboutToClose, transmitWindow, &TransmitWindow::stop);
    connect(bus, &CanBus::deviceLost, transmitWindow, &TransmitWindow::stop);
    connect(transmitWindow, &TransmitWindow::statusMessage, this,
            [this](const QString &text) { showMessage(text); });
    installEventFilter(signalsMenu); // unsaved database changes are asked about at close
    connect(signalsWindow, &SignalsWindow::databaseChanged, transmitWindow,
            &TransmitWindow::setDatabase);
    connect(transmitWindow, &TransmitWindow::integrityRulesChanged, signalsWindow,
            &SignalsWindow::setIntegrityRules);

    // The diagnostics console sends through the same path and hears the bus at once.
    DiagConsole *console = diagMenu->window()->console();
    console->setSend([this](const CanFrame &frame) {
        const auto send = [this](const CanFrame &f) {
            return sender->sendFrame(f, identifierText(f.identifier), receivedDataText(f).trimmed());
        };
        return TransmitScheduler::sendOnBus(bus, frame, send) == TransmitScheduler::SendResult::Sent;
    });
    connect(bus, &CanBus::framesReceived, console, &DiagConsole::receiveFrames);
    connect(signalsWindow, &SignalsWindow::databaseChanged, diagMenu->window(),
            &DiagWindow::setDatabase);
}

void MainWindow::showMessage(const QString &text, int timeout)
{
    ui->statusbar->showMessage(text, timeout);
}

// Every frame of a read is shown and captured unless the view is paused, and
// answered by auto reply either way.
void MainWindow::receiveFrames(const QVector<LinkFrame> &frames)
{
    trafficView->beginBatch();
    for (const LinkFrame &received : frames) {
        if (!trafficView->paused()) {
            const CaptureRecord record{ capture->stamp(received.lineTimeUs), received.frame,
                                        false };
            // A frame that finds no row in a full statistics view is consumed
            // unanswered: nothing is ever shown or answered twice.
            if (!trafficView->addReceivedRow(record, received.frameTypeKnown))
                continue;
            capture->append(record);
        }
        if (!received.frame.error)
            autoReplyPage->answer(received.frame.identifier);
        transmitList->frameReceived(received.frame);
    }
    trafficView->endBatch();
}

// The standard formats save the capture; the text table saves the view's rows.
void MainWindow::switchAutoSave(bool on)
{
    TextTableAutoSave *textAutoSave = trafficView->textAutoSave();
    if (!on && captureAutoSave->isRunning()) {
        captureAutoSave->stop();
        return;
    }
    if (!on) {
        textAutoSave->stop();
        return;
    }
    const LogFormat format = logMenu->autoSaveFormat();
    const bool started = format == LogFormat::TextTable ? trafficView->startTextAutoSave()
                                                        : captureAutoSave->start(format);
    if (!started) {
        ui->checkBoxAutoSave->setChecked(false);
        showMessage(tr("无法创建自动保存文件")
                    + (format == LogFormat::TextTable ? textAutoSave->fileName()
                                                      : captureAutoSave->fileName()));
    }
}

void MainWindow::showOpenedLog(const QString &summary)
{
    trafficView->showCapture();
    showMessage(summary);
    replayWindow->setLog(summary, capture->copy(capture->firstSequence(), capture->endSequence()));
}

void MainWindow::showReplayWindow()
{
    if (!replayWindow->hasLog()) // nothing opened from file: the session's own frames
        replayWindow->setLog(captureSummaryText(*capture),
                             capture->copy(capture->firstSequence(), capture->endSequence()));
    replayWindow->show();
    replayWindow->raise();
    replayWindow->activateWindow();
}
