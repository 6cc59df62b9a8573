#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "captureautosave.h"
#include "capturestore.h"
#include "signalsmenu.h"
#include "columnfit.h"
#include "commandline.h"
#include "listfile.h"
#include "logfiles.h"
#include "logmenu.h"
#include "replaywindow.h"
#include "viewrow.h"

#include <QDir>
#include <QTimer>

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);

    for (int blanks = 20; blanks >= 1; --blanks)
        padBlanks.append(QString(blanks, QLatin1Char(' ')));
    autoSendIndex = 0;

    ui->checkBoxOverlayDisplay->setChecked(false);
    ui->checkBoxOverlayDisplay->setEnabled(false);

    const int viewWidths[] = { 30, 60, 80, 100, 120, 80, 100, 160 };
    for (int column = 0; column < 8; ++column)
        ui->tableWidget->setColumnWidth(column, viewWidths[column]);
    ui->tableWidget->verticalHeader()->hide();
    ui->tableWidget->setHorizontalHeaderLabels({ tr("序号"), tr("传输方向"), tr("时间标识"),
                                                 tr("帧格式"), tr("帧类型"), tr("帧ID"),
                                                 tr("数据长度"), tr("数据(16进制)") });

    ui->tableWidget_2->setHorizontalHeaderLabels(
            { tr("Id(16进制)"), tr("数据(16进制)"), tr("手动发送") });
    const int autoWidths[] = { 90, 170, 80, 90 };
    for (int column = 0; column < 4; ++column)
        ui->tableWidget_3->setColumnWidth(column, autoWidths[column]);
    ui->tableWidget_3->setHorizontalHeaderLabels(
            { tr("Id(16进制)"), tr("数据(16进制)"), tr("间隔时间(ms)"), tr("使能") });
    const int replyWidths[] = { 110, 110, 190 };
    for (int column = 0; column < 3; ++column)
        ui->tableWidget_4->setColumnWidth(column, replyWidths[column]);
    ui->tableWidget_4->setHorizontalHeaderLabels(
            { tr("接受Id(16进制)"), tr("回复Id(16进制)"), tr("回复数据(16进制)") });
    ui->tableWidget_5->setHorizontalHeaderLabels({ tr("接受Id(16进制)") });
    ui->plainTextEdit_2->appendPlainText(QLatin1Char('\n')
                                         + ProgramInfo::text(QDir::currentPath()));

    loadCanConfig();
    loadManualList();
    loadAutoList();
    loadReplyList();
    loadReceiveIdList();

    // Each column at least as wide as the widest text of its kind in the font in use.
    const QStringList ids = identifierSamples();
    const QStringList data = dataSamples();
    const QStringList send = { cellWords[CellWord::SendCell] };
    fitColumnsToTexts(ui->tableWidget,
                      { numberSamples(5),
                        { cellWords[CellWord::Received], cellWords[CellWord::Sent] },
                        viewTimeSamples(),
                        { cellWords[CellWord::DataFrame], cellWords[CellWord::RemoteFrame] },
                        { cellWords[CellWord::StandardFrame], cellWords[CellWord::ExtendedFrame] },
                        ids,
                        numberSamples(1),
                        data });
    fitColumnsToTexts(ui->tableWidget_2, { ids, data, send });
    fitColumnsToTexts(ui->tableWidget_3, { ids, data, numberSamples(5), send });
    fitColumnsToTexts(ui->tableWidget_4, { ids, ids, data });
    fitColumnsToTexts(ui->tableWidget_5, { ids });

    timerAutoSend = new QTimer(this);
    connect(timerAutoSend, &QTimer::timeout, this, &MainWindow::timerAutoSendProc);
    timerAutoSave = new QTimer(this);
    timerAutoSave->setObjectName(QStringLiteral("autoSaveTimer")); // tests flush through it
    connect(timerAutoSave, &QTimer::timeout, this, &MainWindow::timerAutoSaveProc);

    on_btnFind_clicked();
    ui->toolBox->setCurrentIndex(0);

    serialPort = new QSerialPort(this);
    connect(serialPort, &QSerialPort::readyRead, this, &MainWindow::rev_process);
    connect(serialPort, &QSerialPort::errorOccurred, this, &MainWindow::handlePortError);

    // The capture and what reads it. The menu bar's height is added to the
    // window's, so the central area keeps its size and every widget its place.
    capture = new CaptureStore(this);
    captureAutoSave = new CaptureAutoSave(capture, this);
    connect(captureAutoSave, &CaptureAutoSave::saveFailed, this,
            [this](const QString &fileName) { showMessage(tr("保存失败: ") + fileName); });
    const int menuBarHeight = ui->menubar->sizeHint().height();
    logMenu = new LogMenu(ui->menubar, capture, this);
    signalsMenu = new SignalsMenu(ui->menubar, capture, this);
    resize(width(), height() + ui->menubar->sizeHint().height() - menuBarHeight);
    replayWindow = new ReplayWindow(serialPort, this);
    connect(replayWindow, &ReplayWindow::frameDue, this, [this](const CanFrame &frame) {
        sendFrame(frame, identifierText(frame.identifier), receivedDataText(frame).trimmed());
    });
    connect(logMenu, &LogMenu::logOpened, this, [this](const QString &summary) {
        showCaptureInView();
        showMessage(summary);
        replayWindow->setLog(summary,
                             capture->copy(capture->firstSequence(), capture->endSequence()));
    });
    connect(logMenu, &LogMenu::statusMessage, this,
            [this](const QString &text) { showMessage(text); });
    connect(logMenu, &LogMenu::replayRequested, this, [this] {
        if (!replayWindow->hasLog()) // nothing opened from file: the session's own frames
            replayWindow->setLog(captureSummaryText(*capture),
                                 capture->copy(capture->firstSequence(), capture->endSequence()));
        replayWindow->show();
        replayWindow->raise();
        replayWindow->activateWindow();
    });
}

MainWindow::~MainWindow()
{
    if (autoSaving)
        appendPendingRows(); // the rows of the last second reach the log too
    captureAutoSave->stop();
    delete ui;
}

void MainWindow::showMessage(const QString &text, int timeout)
{
    ui->statusbar->showMessage(text, timeout);
}

// Every file the program rewrites goes through here; a failure is never silent.
bool MainWindow::saveTextFile(const QString &fileName, const QString &content)
{
    if (writeFileAtomically(fileName, content))
        return true;
    showMessage(tr("保存失败: ") + fileName);
    return false;
}
