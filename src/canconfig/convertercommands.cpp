// The bus-status query and the change of the converter's own port baud rate.
#include "commands.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QMessageBox>

namespace {
// Shown as the verdict until a bus-status reply replaces it.
const char *const NoAnswerText = QT_TRANSLATE_NOOP(
        "MainWindow", "无法读取Can总线状态。请检查转换器的波特率和端口，或者在恢复默认值后重试.");

const char *const ChangeBaudRateText = QT_TRANSLATE_NOOP(
        "MainWindow",
        "After clicking OK, the baud rate of the adapter will be changed to your newly set "
        "baud rate.\n\n"
        "To communicate with the adapter again, close the COM port in this software, select "
        "the adapter's new baud rate as the port baud rate and open the COM port again: the "
        "new baud rate is saved in the adapter and stays in force after it is powered off "
        "and on again.\n\n"
        "How to know the current baud rate of the adapter: when the adapter is powered up, "
        "its receive and send indicators flash together. The number of these simultaneous "
        "flashes tells the baud rate the adapter uses:\n"
        "1 flash: 2000000 bps\n"
        "2 flashes: 1228800 bps\n"
        "3 flashes: 115200 bps\n"
        "4 flashes: 38400 bps\n"
        "5 flashes: 19200 bps\n"
        "6 flashes: 9600 bps\n\n"
        "If you click Cancel, nothing is sent and the adapter keeps its previous baud rate.");
} // namespace

void MainWindow::on_btnCANBusStatus_clicked()
{
    if (!ensurePortOpen(tr("COM端口已关闭，请先打开COM端口")))
        return;
    serialPort->write(busStatusQuery());
    showMessage(tr(NoAnswerText));
}

void MainWindow::on_btnChangeBps_clicked()
{
    const QMessageBox::StandardButton answer = QMessageBox::information(
            this, tr("Change the baud rate of the adapter"), tr(ChangeBaudRateText),
            QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton);
    if (answer != QMessageBox::Ok)
        return;
    if (!ensurePortOpen(tr("COM端口已关闭，请先打开COM端口")))
        return;
    serialPort->write(baudRateCommand(ui->cbBoxChangeBps->currentIndex()));
    showMessage(tr(NoAnswerText));
}
