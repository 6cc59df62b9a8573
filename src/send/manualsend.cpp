// The manual list: click a row's send cell to send its frame.
#include "listfile.h"
#include "mainwindow.h"
#include "tablecells.h"
#include "ui_mainwindow.h"

namespace {
const char *const ManualFile = "manual.txt";
const char *const DefaultData = "00 11 22 33 44 55 66 77";
} // namespace

void MainWindow::setManualRow(int row, const QString &idText, const QString &dataText,
                              const QString &sendText)
{
    QTableWidget *table = ui->tableWidget_2;
    table->setItem(row, 0, new QTableWidgetItem(idText));
    table->setItem(row, 1, new QTableWidgetItem(dataText));
    auto *send = new QTableWidgetItem(sendText);
    send->setBackground(QBrush(Qt::lightGray));
    send->setTextAlignment(Qt::AlignCenter);
    table->setItem(row, 2, send);
}

void MainWindow::on_tableWidget_2_cellClicked(int row, int column)
{
    if (!ensurePortOpen(tr("The COM port is closed, please open the COM port first")))
        return;
    if (column != 2)
        return;
    const QTableWidget *table = ui->tableWidget_2;
    if (!hasCell(table, row, 0)) {
        showMessage(tr("ID值不能为空"));
        return;
    }
    sendRowFrame(cellText(table, row, 0), cellText(table, row, 1));
}

void MainWindow::on_btnManualINsert_clicked()
{
    const int row = insertRowBelowCurrent(ui->tableWidget_2);
    setManualRow(row, identifierText(row), QLatin1String(DefaultData),
                 cellWords[CellWord::SendCell]);
}

void MainWindow::on_btnManualRemove_clicked()
{
    removeCurrentRow(ui->tableWidget_2);
}

void MainWindow::on_btnManualSave_clicked()
{
    QList<QStringList> rows = rowTexts(ui->tableWidget_2, 3);
    for (QStringList &fields : rows)
        fields[2] = cellWords.source(fields.at(2), CellWord::SendCell);
    saveTextFile(QLatin1String(ManualFile), listFileText(rows));
}

void MainWindow::fillDefaultManualRows()
{
    for (int row = 0; row < 10 && row < ui->tableWidget_2->rowCount(); ++row)
        setManualRow(row, identifierText(row), QLatin1String(DefaultData),
                     cellWords[CellWord::SendCell]);
}

void MainWindow::loadManualList()
{
    const int widths[] = { 100, 200, 100 };
    for (int column = 0; column < 3; ++column)
        ui->tableWidget_2->setColumnWidth(column, widths[column]);

    const auto rows = readListFile(QLatin1String(ManualFile), 3);
    if (!rows) {
        fillDefaultManualRows();
        return;
    }
    ui->tableWidget_2->setRowCount(0);
    ui->tableWidget_2->setRowCount(int(rows->size()));
    for (int row = 0; row < rows->size(); ++row) {
        const QStringList &fields = rows->at(row);
        setManualRow(row, fields.at(0), fields.at(1),
                     cellWords.shown(fields.at(2), CellWord::SendCell));
    }
}
