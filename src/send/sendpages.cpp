#include "sendpages.h"
#include "ui_mainwindow.h"

#include "canframe.h"
#include "cellwords.h"
#include "framesender.h"
#include "replymatch.h"
#include "tablecells.h"

#include <QTimer>

namespace {
const char *const DefaultData = "00 11 22 33 44 55 66 77";
const char *const DefaultInterval = "1000";
constexpr int AutoIntervalColumn = 2, AutoEnableColumn = 3;

QTableWidgetItem *sendCellItem(const QString &text)
{
    auto *send = new QTableWidgetItem(text);
    send->setBackground(QBrush(Qt::lightGray));
    send->setTextAlignment(Qt::AlignCenter);
    return send;
}
} // namespace

ManualSendPage::ManualSendPage(Ui::MainWindow *ui, FrameSender *sender, const CellWords &cellWords,
                               QObject *parent)
    : ListPage(ui->tableWidget_2, QStringLiteral("manual.txt"), 3, 3, parent),
      sender(sender),
      cellWords(cellWords)
{
    table->setHorizontalHeaderLabels({ tr("Id(16进制)"), tr("数据(16进制)"), tr("手动发送") });
    const int widths[] = { 100, 200, 100 };
    for (int column = 0; column < 3; ++column)
        table->setColumnWidth(column, widths[column]);
    connectButtons(ui->btnManualINsert, ui->btnManualRemove, ui->btnManualSave);
    connect(table, &QTableWidget::cellClicked, this, &ManualSendPage::sendRow);
}

void ManualSendPage::showRow(int row, const QStringList &fields)
{
    table->setItem(row, 0, new QTableWidgetItem(fields.at(0)));
    table->setItem(row, 1, new QTableWidgetItem(fields.at(1)));
    table->setItem(row, 2, sendCellItem(cellWords.shown(fields.at(2), CellWord::SendCell)));
}

QStringList ManualSendPage::defaultFields(int row) const
{
    return { identifierText(row), QLatin1String(DefaultData), cellWordSource(CellWord::SendCell) };
}

QStringList ManualSendPage::fileFields(int, QStringList cells) const
{
    cells[2] = cellWords.source(cells.at(2), CellWord::SendCell);
    return cells;
}

void ManualSendPage::sendRow(int row, int column)
{
    // A closed port is told on a click on any cell, not only on the send cell.
    const bool portOpen =
            sender->ensurePortOpen(tr("The COM port is closed, please open the COM port first"));
    if (!portOpen || column != 2)
        return;
    if (!hasCell(table, row, 0)) {
        emit statusMessage(tr("ID值不能为空"));
        return;
    }
    sender->sendTexts(cellText(table, row, 0), cellText(table, row, 1));
}

AutoSendPage::AutoSendPage(Ui::MainWindow *ui, FrameSender *sender, const CellWords &cellWords,
                           QObject *parent)
    : ListPage(ui->tableWidget_3, QStringLiteral("auto.txt"), 5, 4, parent),
      sender(sender),
      cellWords(cellWords),
      cycle(ui->checkBoxAutoCycle),
      timer(new QTimer(this))
{
    const int widths[] = { 90, 170, 80, 90 };
    for (int column = 0; column < 4; ++column)
        table->setColumnWidth(column, widths[column]);
    table->setHorizontalHeaderLabels(
            { tr("Id(16进制)"), tr("数据(16进制)"), tr("间隔时间(ms)"), tr("使能") });
    connectButtons(ui->btnAutoInsert, ui->btnAutoRemove, ui->btnAutoSave);
    timer->setObjectName(QStringLiteral("autoSendTimer"));
    connect(ui->btnSendSeq, &QPushButton::clicked, this, &AutoSendPage::startSending);
    connect(ui->btnAutoStop, &QPushButton::clicked, timer, &QTimer::stop);
    connect(timer, &QTimer::timeout, this, &AutoSendPage::sendNext);
}

// File fields: identifier, data, interval, enabled ("1" or "0"), label.
void AutoSendPage::showRow(int row, const QStringList &fields)
{
    table->setItem(row, 0, new QTableWidgetItem(fields.at(0)));
    table->setItem(row, 1, new QTableWidgetItem(fields.at(1)));
    table->setItem(row, AutoIntervalColumn, new QTableWidgetItem(fields.at(2)));
    auto *enable = new QTableWidgetItem(cellWords.shown(fields.at(4), CellWord::SendCell));
    enable->setCheckState(fields.at(3) == QLatin1String("1") ? Qt::Checked : Qt::Unchecked);
    enable->setTextAlignment(Qt::AlignCenter);
    table->setItem(row, AutoEnableColumn, enable);
}

QStringList AutoSendPage::defaultFields(int row) const
{
    return { identifierText(row), QLatin1String(DefaultData), QLatin1String(DefaultInterval),
             QStringLiteral("1"), cellWordSource(CellWord::SendCell) };
}

QStringList AutoSendPage::fileFields(int row, QStringList cells) const
{
    cells[AutoEnableColumn] = cellWords.source(cells.at(AutoEnableColumn), CellWord::SendCell);
    cells.insert(AutoEnableColumn, QLatin1String(isEnabled(row) ? "1" : "0"));
    return cells;
}

bool AutoSendPage::isEnabled(int row) const
{
    const QTableWidgetItem *enable = table->item(row, AutoEnableColumn);
    return enable && enable->checkState() != Qt::Unchecked;
}

QVector<bool> AutoSendPage::enabledRows() const
{
    QVector<bool> enabled(table->rowCount());
    for (int row = 0; row < table->rowCount(); ++row)
        enabled[row] = isEnabled(row);
    return enabled;
}

void AutoSendPage::startSending()
{
    const int row = sequence.start(enabledRows());
    if (row < 0) {
        emit statusMessage(tr("请检查是否有要发送的数据"));
        return;
    }
    sendRow(row);
}

void AutoSendPage::sendNext()
{
    const int row = sequence.next(enabledRows(), cycle->isChecked());
    if (row < 0) {
        // The timer keeps running: rows enabled meanwhile are picked up.
        emit statusMessage(tr("请检查是否有需要发送的数据"));
        return;
    }
    sendRow(row);
}

// Sends one row and restarts the timer with its interval; a failing row
// leaves the timer as it was.
bool AutoSendPage::sendRow(int row)
{
    if (!sender->ensurePortOpen(tr("COM端口已关闭，请先打开COM端口")))
        return false;
    if (!hasCell(table, row, 0)) {
        emit statusMessage(tr("ID不能为空"));
        return false;
    }
    if (!hasCell(table, row, AutoIntervalColumn)) {
        emit statusMessage(tr("发送间隔时间不能为空"));
        return false;
    }
    const std::optional<int> interval = sendIntervalMs(cellText(table, row, AutoIntervalColumn));
    if (!interval) {
        emit statusMessage(tr("发送间隔时间值时不对"));
        return false;
    }
    if (!sender->sendTexts(cellText(table, row, 0), cellText(table, row, 1)))
        return false;
    timer->stop();
    timer->start(*interval);
    return true;
}

AutoReplyPage::AutoReplyPage(Ui::MainWindow *ui, FrameSender *sender, QObject *parent)
    : ListPage(ui->tableWidget_4, QStringLiteral("reply.txt"), 3, 3, parent),
      sender(sender),
      enabled(ui->checkBoxReplyAuto)
{
    const int widths[] = { 110, 110, 190 };
    for (int column = 0; column < 3; ++column)
        table->setColumnWidth(column, widths[column]);
    table->setHorizontalHeaderLabels(
            { tr("接受Id(16进制)"), tr("回复Id(16进制)"), tr("回复数据(16进制)") });
    connectButtons(ui->btnAutoReplyInsert, ui->btnAutoReplyRemove, ui->btnAutoReplySave);
    const auto markStale = [this] { receiveIdsStale = true; };
    QAbstractItemModel *model = table->model();
    connect(model, &QAbstractItemModel::dataChanged, this, markStale);
    connect(model, &QAbstractItemModel::rowsInserted, this, markStale);
    connect(model, &QAbstractItemModel::rowsRemoved, this, markStale);
    connect(model, &QAbstractItemModel::modelReset, this, markStale);
}

void AutoReplyPage::showRow(int row, const QStringList &fields)
{
    for (int column = 0; column < 3; ++column)
        table->setItem(row, column, new QTableWidgetItem(fields.at(column)));
}

QStringList AutoReplyPage::defaultFields(int row) const
{
    return { identifierText(0x10 + row), identifierText(0x20 + row), QLatin1String(DefaultData) };
}

void AutoReplyPage::answer(quint32 identifier)
{
    if (!enabled->isChecked())
        return;
    if (receiveIdsStale) {
        QStringList texts;
        for (int row = 0; row < table->rowCount(); ++row)
            texts.append(cellText(table, row, 0));
        receiveIds = parseReceiveIds(texts);
        receiveIdsStale = false;
    }
    for (const int row : rowsAnswering(receiveIds, identifier))
        sendReply(row);
}

void AutoReplyPage::sendReply(int row)
{
    if (!sender->ensurePortOpen(tr("The COM port is closed, please open the COM port first")))
        return;
    if (!hasCell(table, row, 1)) {
        emit statusMessage(tr("ID不能为空"));
        return;
    }
    sender->sendTexts(cellText(table, row, 1), cellText(table, row, 2));
}
