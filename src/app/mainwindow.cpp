#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "commandline.h"
#include "listfile.h"

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

    timerAutoSend = new QTimer(this);
    connect(timerAutoSend, &QTimer::timeout, this, &MainWindow::timerAutoSendProc);
    timerAutoSave = new QTimer(this);
    connect(timerAutoSave, &QTimer::timeout, this, &MainWindow::timerAutoSaveProc);

    on_btnFind_clicked();
    ui->toolBox->setCurrentIndex(0);

    serialPort = new QSerialPort(this);
    connect(serialPort, &QSerialPort::readyRead, this, &MainWindow::rev_process);
    connect(serialPort, &QSerialPort::errorOccurred, this, &MainWindow::handlePortError);
}

MainWindow::~MainWindow()
{
    if (autoSaving)
        appendPendingRows(); // the rows of the last second reach the log too
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
