// The receive-ID filter: which identifiers the converter forwards, kept in receiveID.txt.
#include "commands.h"
#include "listfile.h"
#include "mainwindow.h"
#include "tablecells.h"
#include "ui_mainwindow.h"

#include <QMessageBox>

namespace {
const char *const ReceiveIdFile = "receiveID.txt";
}

void MainWindow::on_btnReceiveSet_clicked()
{
    if (!ensurePortOpen(tr("COM端口已关闭，请先打开COM端口")))
        return;
    if (ui->radioBtnUploadAll->isChecked()) {
        serialPort->write(receiveIdCommand(UploadMode::All, {}));
        return;
    }
    UploadMode mode;
    if (ui->radioBtnNoUpload->isChecked())
        mode = UploadMode::NotListed;
    else if (ui->radioBtnUploadOnly->isChecked())
        mode = UploadMode::OnlyListed;
    else
        return;

    const QTableWidget *table = ui->tableWidget_5;
    if (table->rowCount() == 0) {
        QMessageBox::critical(this, tr("配置接收ID"), tr("项目中没有ID数据，请检查"));
        return;
    }
    QList<quint32> identifiers;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (hasCell(table, row, 0)) // rows added and never typed into are skipped
            identifiers.append(parseHexId(cellText(table, row, 0)));
    }
    if (identifiers.size() > MaxReceiveIds) {
        QMessageBox::critical(this, tr("配置接收ID"), tr("接收ID表的数量不能超过50."));
        return;
    }
    serialPort->write(receiveIdCommand(mode, identifiers));
}

void MainWindow::on_btnReceiveRemove_clicked()
{
    removeCurrentRow(ui->tableWidget_5);
}

void MainWindow::on_btnREceiveInsert_clicked()
{
    ui->tableWidget_5->insertRow(ui->tableWidget_5->rowCount());
}

void MainWindow::on_btnReceiveSave_clicked()
{
    const QTableWidget *table = ui->tableWidget_5;
    QString text;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (hasCell(table, row, 0))
            text += cellText(table, row, 0) + QLatin1Char('\n');
    }
    saveTextFile(QLatin1String(ReceiveIdFile), text);
}

void MainWindow::loadReceiveIdList()
{
    const std::optional<QStringList> identifiers = readReceiveIdFile(QLatin1String(ReceiveIdFile));
    if (!identifiers)
        return; // the form's rows stay
    ui->tableWidget_5->setRowCount(0);
    ui->tableWidget_5->setRowCount(int(identifiers->size()));
    for (int row = 0; row < identifiers->size(); ++row)
        ui->tableWidget_5->setItem(row, 0, new QTableWidgetItem(identifiers->at(row)));
}
