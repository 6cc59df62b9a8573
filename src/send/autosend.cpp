// The auto-send list: enabled rows sent in order on a timer, each row with its own delay.
#include "listfile.h"
#include "mainwindow.h"
#include "tablecells.h"
#include "ui_mainwindow.h"

#include <QTimer>

namespace {
const char *const AutoFile = "auto.txt";
const char *const DefaultData = "00 11 22 33 44 55 66 77";
const char *const DefaultInterval = "1000";
constexpr int IdColumn = 0, DataColumn = 1, IntervalColumn = 2, EnableColumn = 3;
} // namespace

void MainWindow::setAutoRow(int row, const QString &idText, const QString &dataText,
                            const QString &intervalText, bool enabled, const QString &enableText)
{
    QTableWidget *table = ui->tableWidget_3;
    table->setItem(row, IdColumn, new QTableWidgetItem(idText));
    table->setItem(row, DataColumn, new QTableWidgetItem(dataText));
    table->setItem(row, IntervalColumn, new QTableWidgetItem(intervalText));
    auto *enable = new QTableWidgetItem(enableText);
    enable->setCheckState(enabled ? Qt::Checked : Qt::Unchecked);
    enable->setTextAlignment(Qt::AlignCenter);
    table->setItem(row, EnableColumn, enable);
}

bool MainWindow::isAutoRowEnabled(int row) const
{
    const QTableWidgetItem *enable = ui->tableWidget_3->item(row, EnableColumn);
    return enable && enable->checkState() != Qt::Unchecked;
}

// The first enabled row from `from` to `to` inclusive, or -1.
int MainWindow::firstEnabledAutoRow(int from, int to) const
{
    to = std::min(to, ui->tableWidget_3->rowCount() - 1);
    for (int row = std::max(from, 0); row <= to; ++row) {
        if (isAutoRowEnabled(row))
            return row;
    }
    return -1;
}

// Sends one row and restarts the timer with its interval; a failing row
// leaves the timer as it was.
bool MainWindow::sendAutoRow(int row)
{
    if (!ensurePortOpen(tr("COM端口已关闭，请先打开COM端口")))
        return false;
    const QTableWidget *table = ui->tableWidget_3;
    if (!hasCell(table, row, IdColumn)) {
        showMessage(tr("ID不能为空"));
        return false;
    }
    if (!hasCell(table, row, IntervalColumn)) {
        showMessage(tr("发送间隔时间不能为空"));
        return false;
    }
    bool ok = false;
    const int interval = cellText(table, row, IntervalColumn).toInt(&ok, 10);
    if (!ok || interval <= 0) {
        showMessage(tr("发送间隔时间值时不对"));
        return false;
    }
    if (!sendRowFrame(cellText(table, row, IdColumn), cellText(table, row, DataColumn)))
        return false;
    timerAutoSend->stop();
    timerAutoSend->start(interval);
    return true;
}

void MainWindow::on_btnSendSeq_clicked()
{
    const int row = firstEnabledAutoRow(0, ui->tableWidget_3->rowCount() - 1);
    if (row < 0) {
        showMessage(tr("请检查是否有要发送的数据"));
        return;
    }
    autoSendIndex = row;
    sendAutoRow(row);
}

void MainWindow::timerAutoSendProc()
{
    int row = firstEnabledAutoRow(autoSendIndex + 1, ui->tableWidget_3->rowCount() - 1);
    if (row < 0 && ui->checkBoxAutoCycle->isChecked() && autoSendIndex >= 0)
        row = firstEnabledAutoRow(0, autoSendIndex);
    if (row < 0) {
        // The timer keeps running: rows enabled meanwhile are picked up.
        showMessage(tr("请检查是否有需要发送的数据"));
        return;
    }
    autoSendIndex = row;
    sendAutoRow(row);
}

void MainWindow::on_btnAutoStop_clicked()
{
    timerAutoSend->stop();
}

void MainWindow::on_btnAutoInsert_clicked()
{
    const int row = insertRowBelowCurrent(ui->tableWidget_3);
    setAutoRow(row, identifierText(row), QLatin1String(DefaultData), QLatin1String(DefaultInterval),
               true, cellWords[CellWord::SendCell]);
}

void MainWindow::on_btnAutoRemove_clicked()
{
    removeCurrentRow(ui->tableWidget_3);
}

void MainWindow::on_btnAutoSave_clicked()
{
    QList<QStringList> rows = rowTexts(ui->tableWidget_3, 4);
    for (int row = 0; row < rows.size(); ++row) {
        QStringList &fields = rows[row];
        fields[EnableColumn] = cellWords.source(fields.at(EnableColumn), CellWord::SendCell);
        fields.insert(EnableColumn, QLatin1String(isAutoRowEnabled(row) ? "1" : "0"));
    }
    saveTextFile(QLatin1String(AutoFile), listFileText(rows));
}

void MainWindow::fillDefaultAutoRows()
{
    for (int row = 0; row < 10 && row < ui->tableWidget_3->rowCount(); ++row)
        setAutoRow(row, identifierText(row), QLatin1String(DefaultData),
                   QLatin1String(DefaultInterval), true, cellWords[CellWord::SendCell]);
}

void MainWindow::loadAutoList()
{
    const auto rows = readListFile(QLatin1String(AutoFile), 5);
    if (!rows) {
        fillDefaultAutoRows();
        return;
    }
    ui->tableWidget_3->setRowCount(0);
    ui->tableWidget_3->setRowCount(int(rows->size()));
    for (int row = 0; row < rows->size(); ++row) {
        const QStringList &f = rows->at(row);
        setAutoRow(row, f.at(0), f.at(1), f.at(2), f.at(3) == QLatin1String("1"),
                   cellWords.shown(f.at(4), CellWord::SendCell));
    }
}
