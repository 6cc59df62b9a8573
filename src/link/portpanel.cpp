#include "portpanel.h"
#include "ui_mainwindow.h"

#include "canlink.h"
#include "portopenerror.h"

#include <QSerialPortInfo>

PortPanel::PortPanel(Ui::MainWindow *ui, CanLink *link, QObject *parent)
    : QObject(parent), ui(ui), link(link)
{
    connect(ui->btnFind, &QPushButton::clicked, this, &PortPanel::listPorts);
    connect(ui->btnOpenClose, &QPushButton::clicked, this, &PortPanel::openOrClose);
    connect(link, &CanLink::deviceLost, this, [this] {
        showPortState(false);
        emit statusMessage(tr("COM端口已断开，请检查转换器"));
    });
    listPorts();
}

void PortPanel::listPorts()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names.append(info.portName());
    ui->cbBoxPort->clear();
    ui->cbBoxPort->addItems(names);
}

void PortPanel::openOrClose()
{
    if (link->isOpen()) {
        link->close();
        showPortState(false);
        emit statusMessage(tr("端口已关闭"));
        return;
    }
    const QString name = ui->cbBoxPort->currentText();
    if (link->open(name, ui->cbBoxBps->currentText().toInt())) {
        emit statusMessage(tr("端口正常打开"));
        showPortState(true);
    } else {
        const PortOpenProblem problem =
                portOpenProblem(name, link->port()->error(), link->port()->errorString());
        emit statusMessage(tr("COM端口可能不存在或已被占用，请检查")
                           + tr("（%1）").arg(portOpenProblemText(problem)));
    }
}

// The one place that switches the widgets for the port state.
void PortPanel::showPortState(bool open)
{
    ui->btnOpenClose->setText(open ? tr("关闭") : tr("打开"));
    ui->btnSetStart->setEnabled(open);
    ui->btnCANBusStatus->setEnabled(open);
}
