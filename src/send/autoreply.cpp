// The auto-reply list: received identifiers and the frames that answer them.
#include "listfile.h"
#include "mainwindow.h"
#include "tablecells.h"
#include "ui_mainwindow.h"

namespace {
const char *const ReplyFile = "reply.txt";
const char *const DefaultData = "00 11 22 33 44 55 66 77";
} // namespace

void MainWindow::setReplyRow(int row, const QString &receiveId, const QString &replyId,
                             const QString &replyData)
{
    QTableWidget *table = ui->tableWidget_4;
    table->setItem(row, 0, new QTableWidgetItem(receiveId));
    table->setItem(row, 1, new QTableWidgetItem(replyId));
    table->setItem(row, 2, new QTableWidgetItem(replyData));
}

void MainWindow::sendAutoReply(int row)
{
    if (!ensurePortOpen(tr("The COM port is closed, please open the COM port first")))
        return;
    const QTableWidget *table = ui->tableWidget_4;
    if (!hasCell(table, row, 1)) {
        showMessage(tr("ID不能为空"));
        return;
    }
    sendRowFrame(cellText(table, row, 1), cellText(table, row, 2));
}

void MainWindow::on_btnAutoReplyInsert_clicked()
{
    const int row = insertRowBelowCurrent(ui->tableWidget_4);
    setReplyRow(row, identifierText(0x10 + row), identifierText(0x20 + row),
                QLatin1String(DefaultData));
}

void MainWindow::on_btnAutoReplyRemove_clicked()
{
    removeCurrentRow(ui->tableWidget_4);
}

void MainWindow::on_btnAutoReplySave_clicked()
{
    saveTextFile(QLatin1String(ReplyFile), listFileText(rowTexts(ui->tableWidget_4, 3)));
}

void MainWindow::fillDefaultReplyRows()
{
    for (int row = 0; row < 10 && row < ui->tableWidget_4->rowCount(); ++row)
        setReplyRow(row, identifierText(0x10 + row), identifierText(0x20 + row),
                    QLatin1String(DefaultData));
}

void MainWindow::loadReplyList()
{
    const auto rows = readListFile(QLatin1String(ReplyFile), 3);
    if (!rows) {
        fillDefaultReplyRows();
        return;
    }
    ui->tableWidget_4->setRowCount(0);
    ui->tableWidget_4->setRowCount(int(rows->size()));
    for (int row = 0; row < rows->size(); ++row) {
        const QStringList &fields = rows->at(row);
        setReplyRow(row, fields.at(0), fields.at(1), fields.at(2));
    }
}
