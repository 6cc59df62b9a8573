#include "portpanel.h"
#include "ui_mainwindow.h"

#include "busname.h"
#include "canbus.h"
#include "canlink.h"
#include "interfacelink.h"
#include "portopenerror.h"

#include <QSerialPortInfo>

PortPanel::PortPanel(Ui::MainWindow *ui, CanBus *bus, QObject *parent)
    : QObject(parent), ui(ui), bus(bus)
{
    connect(ui->btnFind, &QPushButton::clicked, this, &PortPanel::listPorts);
    connect(ui->btnOpenClose, &QPushButton::clicked, this, &PortPanel::openOrClose);
    connect(ui->cbBoxPort, &QComboBox::currentTextChanged, this, &PortPanel::showChosenKind);
    connect(bus, &CanBus::deviceLost, this, [this](const QString &reason) {
        showPortState(false);
        if (!this->bus->interfaceChosen())
            emit statusMessage(tr("COM端口已断开，请检查转换器"));
        else if (reason.isEmpty())
            emit statusMessage(tr("CAN接口已断开"));
        else
            emit statusMessage(tr("CAN接口已断开：%1").arg(reason));
    });
    listPorts();
    showChosenKind(ui->cbBoxPort->currentText());
}

// Serial ports first, so the box starts on the first of them as it always
// did; none is chosen when there is none.
void PortPanel::listPorts()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names.append(info.portName());
    const bool anySerialPort = !names.isEmpty();
    names.append(availableBusNames());
    ui->cbBoxPort->clear();
    ui->cbBoxPort->addItems(names);
    if (!anySerialPort)
        ui->cbBoxPort->setCurrentIndex(-1);
}

void PortPanel::openNamed(const QString &name)
{
    ui->cbBoxPort->setCurrentText(name);
    if (!bus->isOpen())
        openOrClose();
}

void PortPanel::openOrClose()
{
    if (bus->isOpen()) {
        bus->close();
        showPortState(false);
        emit statusMessage(tr("端口已关闭"));
        return;
    }
    const QString name = ui->cbBoxPort->currentText().trimmed();
    if (bus->open(name, ui->cbBoxBps->currentText().toInt())) {
        emit statusMessage(tr("端口正常打开"));
        showPortState(true);
    } else if (CanBus::isInterfaceName(name)) {
        emit statusMessage(bus->canInterface()->openProblem());
    } else {
        const QSerialPort *port = bus->converter()->port();
        const PortOpenProblem problem = portOpenProblem(name, port->error(), port->errorString());
        emit statusMessage(tr("COM端口可能不存在或已被占用，请检查")
                           + tr("（%1）").arg(portOpenProblemText(problem)));
    }
}

// The one place that switches the widgets for the port state. While a device
// is open the port box keeps naming it, so the page's controls follow the
// device that is open.
void PortPanel::showPortState(bool open)
{
    ui->btnOpenClose->setText(open ? tr("关闭") : tr("打开"));
    ui->cbBoxPort->setEnabled(!open);
    ui->btnFind->setEnabled(!open);
    ui->btnSetStart->setEnabled(open);
    ui->btnCANBusStatus->setEnabled(open);
}

// The baud rate is the serial line's: a CAN interface has none.
void PortPanel::showChosenKind(const QString &name)
{
    const bool isInterface = CanBus::isInterfaceName(name.trimmed());
    ui->cbBoxPort->setToolTip(isInterface ? name.trimmed() : QString()); // longer than the box
    ui->cbBoxBps->setEnabled(!isInterface);
    ui->cbBoxBps->setToolTip(isInterface ? tr("波特率是转换器串口的设置，CAN接口没有波特率")
                                         : QString());
    if (isInterface == interfaceNamed)
        return;
    interfaceNamed = isInterface;
    emit interfaceChosen(isInterface);
}
