// Set-and-start: configures and starts the converter's CAN controller, and
// keeps the configuration in cfg.txt for the next start.
#include "bitrate.h"
#include "cfgfile.h"
#include "commands.h"
#include "listfile.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QFile>

namespace {
const char *const CfgFile = "cfg.txt";
}

void MainWindow::on_btnSetStart_clicked()
{
    receiveBuffer.clear(); // whatever follows, the parser starts afresh
    if (!ensurePortOpen(tr("COM端口已关闭，请先打开COM端口")))
        return;
    const std::optional<int> prescaler = prescalerValue(ui->lineEditPrescale->text());
    if (!prescaler || *prescaler < 1 || *prescaler > MaxPrescaler) {
        showMessage(tr("预分频（十进制）值错误，不在（1~1023）范围内"));
        return;
    }
    saveCanConfig();

    CanSetup setup;
    setup.manualTiming = ui->checkBoxManualBps->isChecked();
    setup.variableFraming = !ui->radioBtnFixed->isChecked();
    setup.presetIndex = ui->cbBoxCANbps->currentIndex();
    setup.frameTypeIndex = ui->cbBoxType->currentIndex();
    setup.filter = parseHexId(ui->lineEditFilter->text());
    setup.mask = parseHexId(ui->lineEditMask->text());
    setup.modeIndex = ui->comboBoxMode->currentIndex();
    setup.retransmit = !ui->checkBoxSendOnce->isChecked();
    setup.syncIndex = ui->cbBoxSYNC->currentIndex();
    setup.bs1Index = ui->cbBoxBP1->currentIndex();
    setup.bs2Index = ui->cbBoxBP2->currentIndex();
    setup.prescaler = *prescaler;
    serialPort->write(setStartCommand(setup));
}

void MainWindow::saveCanConfig()
{
    StoredCanConfig config;
    config.portBaud = ui->cbBoxBps->currentText();
    config.mode = storedItemText(CfgItems::Mode, ui->comboBoxMode->currentIndex());
    config.frameType = storedItemText(CfgItems::FrameType, ui->cbBoxType->currentIndex());
    config.preset = ui->cbBoxCANbps->currentText();
    config.bs1 = ui->cbBoxBP1->currentText();
    config.bs2 = ui->cbBoxBP2->currentText();
    config.prescaler = ui->lineEditPrescale->text();
    config.rateText = ui->lineEditCANBps->text();
    config.filter = ui->lineEditFilter->text();
    config.mask = ui->lineEditMask->text();
    config.manualTiming = ui->checkBoxManualBps->isChecked();
    config.sendOnce = ui->checkBoxSendOnce->isChecked();
    config.fixedFraming = ui->radioBtnFixed->isChecked();
    saveTextFile(QLatin1String(CfgFile), canConfigText(config));
}

void MainWindow::loadCanConfig()
{
    QFile file{ QLatin1String(CfgFile) };
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        setDefaultCanConfig();
        return;
    }
    bool appliedAny = false;
    while (!file.atEnd()) {
        const std::optional<StoredCanConfig> config =
                canConfigFromFields(splitListLine(readFileLine(file)));
        if (!config) {
            setDefaultCanConfig();
            return;
        }
        applyCanConfig(*config);
        appliedAny = true;
    }
    if (!appliedAny)
        setDefaultCanConfig();
}

void MainWindow::applyCanConfig(const StoredCanConfig &config)
{
    ui->cbBoxBps->setCurrentText(config.portBaud);
    if (const int mode = storedItemIndex(CfgItems::Mode, config.mode); mode >= 0)
        ui->comboBoxMode->setCurrentIndex(mode);
    if (const int type = storedItemIndex(CfgItems::FrameType, config.frameType); type >= 0)
        ui->cbBoxType->setCurrentIndex(type);
    ui->cbBoxCANbps->setCurrentText(config.preset); // rewrites the timing ...
    ui->cbBoxBP1->setCurrentText(config.bs1); // ... which the stored timing puts back
    ui->cbBoxBP2->setCurrentText(config.bs2);
    ui->lineEditPrescale->setText(config.prescaler);
    ui->lineEditCANBps->setText(config.rateText);
    ui->lineEditFilter->setText(config.filter);
    ui->lineEditMask->setText(config.mask);
    ui->checkBoxManualBps->setChecked(config.manualTiming);
    showTimingMode(config.manualTiming);
    ui->checkBoxSendOnce->setChecked(config.sendOnce);
    if (config.fixedFraming)
        ui->radioBtnFixed->setChecked(true);
    else
        ui->radioBtnVariable->setChecked(true);
}

void MainWindow::setDefaultCanConfig()
{
    ui->cbBoxBps->setCurrentIndex(0);
    ui->lineEditCANBps->hide();
    ui->cbBoxBP1->setEnabled(false);
    ui->cbBoxBP2->setEnabled(false);
    ui->lineEditPrescale->setEnabled(false);
    ui->cbBoxCANbps->setCurrentIndex(0);
    const BitTiming timing = presetTiming(0);
    ui->cbBoxBP1->setCurrentIndex(timing.bs1Index);
    ui->cbBoxBP2->setCurrentIndex(timing.bs2Index);
    ui->lineEditPrescale->setText(QString::number(timing.prescaler));
}
