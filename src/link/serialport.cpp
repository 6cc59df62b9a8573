// Port scan, open/close, loss of the device, and the one path by which a CAN
// frame reaches the converter.
#include "mainwindow.h"
#include "portopenerror.h"
#include "ui_mainwindow.h"

void MainWindow::on_btnFind_clicked()
{
    portInfoList = QSerialPortInfo::availablePorts();
    QStringList names;
    for (const QSerialPortInfo &info : std::as_const(portInfoList))
        names.append(info.portName());
    ui->cbBoxPort->clear();
    ui->cbBoxPort->addItems(names);
}

void MainWindow::on_btnOpenClose_clicked()
{
    if (portOpen) {
        serialPort->close();
        showPortState(false);
        showMessage(tr("端口已关闭"));
        return;
    }

    serialPort->setPortName(ui->cbBoxPort->currentText());
    serialPort->setBaudRate(ui->cbBoxBps->currentText().toInt(), QSerialPort::AllDirections);
    if (serialPort->open(QIODevice::ReadWrite)) {
        showMessage(tr("端口正常打开"));
        showPortState(true);
    } else {
        const PortOpenProblem problem = portOpenProblem(
                ui->cbBoxPort->currentText(), serialPort->error(), serialPort->errorString());
        showMessage(tr("COM端口可能不存在或已被占用，请检查")
                    + tr("（%1）").arg(portOpenProblemText(problem)));
    }
}

// The one place that switches the widgets for the port state.
void MainWindow::showPortState(bool open)
{
    portOpen = open;
    ui->btnOpenClose->setText(open ? tr("关闭") : tr("打开"));
    ui->btnSetStart->setEnabled(open);
    ui->btnCANBusStatus->setEnabled(open);
}

// An unplugged converter makes the port report read, write or resource errors;
// a hung-up line reports them in a tight loop until the port is closed, so the
// port is closed at the first one and later ones find it closed.
void MainWindow::handlePortError(QSerialPort::SerialPortError error)
{
    const bool lost = error == QSerialPort::ResourceError || error == QSerialPort::ReadError
            || error == QSerialPort::WriteError;
    if (!lost || !serialPort->isOpen())
        return;
    serialPort->close();
    serialPort->clearError();
    showPortState(false);
    showMessage(tr("COM端口已断开，请检查转换器"));
}

bool MainWindow::ensurePortOpen(const QString &closedMessage)
{
    if (serialPort->isOpen())
        return true;
    showMessage(closedMessage, 1000);
    return false;
}

void MainWindow::writeCanFrame(const CanFrame &frame)
{
    if (ui->radioBtnFixed->isChecked())
        serialPort->write(encodeFixedFrame(frame));
    if (ui->radioBtnVariable->isChecked())
        serialPort->write(encodeVariableFrame(frame));
}
