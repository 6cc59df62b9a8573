#include "canconfigpage.h"
#include "ui_mainwindow.h"

#include "bitrate.h"
#include "canbus.h"
#include "canlink.h"
#include "busname.h"
#include "interfacelink.h"
#include "cfgfile.h"
#include "commands.h"
#include "listfile.h"
#include "tablecells.h"

#include <QFile>
#include <QMessageBox>
#include <QSettings>

namespace {
const char *const CfgFile = "cfg.txt";
// The CAN FD choice is the program's, not the converter's: kept beside the
// program's other settings, not in cfg.txt.
const char *const SettingsFile = "talvik.ini";
const char *const ReceiveIdFile = "receiveID.txt";

// Shown as the verdict until a bus-status reply replaces it.
const char *const NoAnswerText = QT_TRANSLATE_NOOP(
        "CanConfigPage",
        "无法读取Can总线状态。请检查转换器的波特率和端口，或者在恢复默认值后重试.");

const char *const ChangeBaudRateText = QT_TRANSLATE_NOOP(
        "CanConfigPage",
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

CanConfigPage::CanConfigPage(Ui::MainWindow *ui, CanBus *bus, QWidget *dialogParent)
    : QObject(dialogParent), ui(ui), bus(bus), dialogParent(dialogParent)
{
    // Each change of the timing runs its own recompute, so the shown rate follows.
    connect(ui->cbBoxCANbps, &QComboBox::currentIndexChanged, this,
            &CanConfigPage::showPresetTiming);
    connect(ui->cbBoxBP1, &QComboBox::currentIndexChanged, this, [this](int index) {
        showBitRate(index, this->ui->cbBoxBP2->currentIndex(), this->ui->lineEditPrescale->text());
    });
    connect(ui->cbBoxBP2, &QComboBox::currentIndexChanged, this, [this](int index) {
        showBitRate(this->ui->cbBoxBP1->currentIndex(), index, this->ui->lineEditPrescale->text());
    });
    connect(ui->lineEditPrescale, &QLineEdit::textChanged, this, [this](const QString &text) {
        showBitRate(this->ui->cbBoxBP1->currentIndex(), this->ui->cbBoxBP2->currentIndex(), text);
    });
    connect(ui->checkBoxManualBps, &QCheckBox::clicked, this, [this](bool checked) {
        showTimingMode(checked);
        if (!checked)
            showPresetTiming(this->ui->cbBoxCANbps->currentIndex());
    });
    connect(ui->radioBtnVariable, &QRadioButton::toggled, this, &CanConfigPage::pushLinkSettings);
    connect(ui->cbBoxType, &QComboBox::currentIndexChanged, this, &CanConfigPage::pushLinkSettings);
    connect(ui->checkBoxCanFd, &QCheckBox::toggled, this, &CanConfigPage::pushLinkSettings);
    connect(ui->btnSetStart, &QPushButton::clicked, this, &CanConfigPage::setAndStart);
    connect(ui->btnCANBusStatus, &QPushButton::clicked, this, &CanConfigPage::queryBusStatus);
    connect(ui->btnChangeBps, &QPushButton::clicked, this, &CanConfigPage::changeConverterBaudRate);
    loadConfig();
    loadFdChoice();
    setInterfaceChosen(false);
    pushLinkSettings();
}

bool CanConfigPage::ensurePortOpen()
{
    if (bus->isOpen())
        return true;
    emit statusMessage(tr("COM端口已关闭，请先打开COM端口"), 1000);
    return false;
}

void CanConfigPage::pushLinkSettings()
{
    bus->setSettings({ ui->radioBtnVariable->isChecked(), ui->cbBoxType->currentIndex() == 1,
                       ui->checkBoxCanFd->isChecked(), ui->checkBoxCanFd->isChecked() });
}

void CanConfigPage::showBitRate(int bs1Index, int bs2Index, const QString &prescalerText)
{
    const std::optional<int> prescaler = prescalerValue(prescalerText);
    if (!prescaler)
        return; // not a number: the last rate stays
    ui->lineEditCANBps->setText(
            bitRateText(ui->cbBoxSYNC->currentIndex(), bs1Index, bs2Index, *prescaler));
}

void CanConfigPage::showPresetTiming(int index)
{
    if (index < 0 || index >= PresetCount)
        return;
    const BitTiming timing = presetTiming(index);
    ui->cbBoxBP1->setCurrentIndex(timing.bs1Index);
    ui->cbBoxBP2->setCurrentIndex(timing.bs2Index);
    ui->lineEditPrescale->setText(QString::number(timing.prescaler));
}

// Manual timing shows the computed rate and lets the timing be edited; a
// preset shows the preset list and locks the timing.
void CanConfigPage::showTimingMode(bool manual)
{
    ui->lineEditCANBps->setVisible(manual);
    ui->cbBoxCANbps->setVisible(!manual);
    ui->cbBoxBP1->setEnabled(manual);
    ui->cbBoxBP2->setEnabled(manual);
    ui->lineEditPrescale->setEnabled(manual);
}

void CanConfigPage::setAndStart()
{
    bus->converter()->restartDecoding(); // whatever follows, the parser starts afresh
    if (!ensurePortOpen())
        return;
    const std::optional<int> prescaler = prescalerValue(ui->lineEditPrescale->text());
    if (!prescaler || *prescaler < 1 || *prescaler > MaxPrescaler) {
        emit statusMessage(tr("预分频（十进制）值错误，不在（1~1023）范围内"));
        return;
    }
    saveConfig();
    if (bus->isInterfaceOpen()) {
        applyToInterface();
        return;
    }

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
    bus->converter()->write(setStartCommand(setup));
}

// The bit rate the timing gives, and the filter and mask as the device's
// filter; each the device refuses is said with what to do instead.
void CanConfigPage::applyToInterface()
{
    InterfaceLink *device = bus->canInterface();
    const int rate = bitRate(ui->cbBoxSYNC->currentIndex(), ui->cbBoxBP1->currentIndex(),
                             ui->cbBoxBP2->currentIndex(), ui->lineEditPrescale->text().toInt());
    QStringList refused;
    const std::optional<int> currentRate = device->bitRate();
    const QString problem = currentRate == rate ? QString() : device->applyBitRate(rate);
    if (!problem.isEmpty()) {
        QString text = tr("位速率 %1 bit/s 未能设置（%2）").arg(rate).arg(problem);
        if (currentRate)
            text += tr("，接口当前为 %1 bit/s").arg(*currentRate);
        // SocketCAN's rate is the system's to set: it takes the right to change the link.
        if (device->name().plugin == QLatin1String("socketcan"))
            text += tr("，请在终端中设置：%1")
                            .arg(linkUpCommand(device->name().interfaceName, rate));
        refused.append(text);
    }
    // Mask 0 lets everything through: nothing to set on a device without a filter.
    const quint32 mask = parseHexId(ui->lineEditMask->text());
    if (mask != 0 || device->hasFilter()) {
        const QString filterProblem = device->applyFilter(parseHexId(ui->lineEditFilter->text()),
                                                          mask, ui->cbBoxType->currentIndex() == 1);
        if (!filterProblem.isEmpty())
            refused.append(tr("滤波ID和屏蔽ID未能设置（%1）").arg(filterProblem));
    }
    if (const QString fdProblem = applyFdToInterface(); !fdProblem.isEmpty())
        refused.append(fdProblem);
    emit statusMessage(refused.isEmpty() ? tr("CAN接口已设置：%1 bit/s").arg(rate)
                                         : refused.join(QLatin1String("; ")));
}

// The data phase's rate, where CAN FD is on; empty when the device took it.
QString CanConfigPage::applyFdToInterface()
{
    saveFdChoice();
    if (!ui->checkBoxCanFd->isChecked())
        return QString();
    InterfaceLink *device = bus->canInterface();
    if (!device->fdCapable())
        return tr("此接口不支持CAN FD");
    const std::optional<int> dataRate = bitRateFromText(ui->cbBoxDataBps->currentText());
    if (!dataRate)
        return tr("CAN FD数据速率“%1”不是速率").arg(ui->cbBoxDataBps->currentText());
    const QString problem = device->applyDataBitRate(*dataRate);
    if (problem.isEmpty())
        return QString();
    QString text = tr("CAN FD数据速率 %1 bit/s 未能设置（%2）").arg(*dataRate).arg(problem);
    if (device->name().plugin == QLatin1String("socketcan")) {
        const int rate = bitRate(ui->cbBoxSYNC->currentIndex(), ui->cbBoxBP1->currentIndex(),
                                 ui->cbBoxBP2->currentIndex(), ui->lineEditPrescale->text().toInt());
        text += tr("，请在终端中设置：%1")
                        .arg(linkUpCommand(device->name().interfaceName, rate, *dataRate));
    }
    return text;
}

void CanConfigPage::saveFdChoice() const
{
    QSettings settings(QLatin1String(SettingsFile), QSettings::IniFormat);
    settings.setValue(QStringLiteral("canFd/enabled"), ui->checkBoxCanFd->isChecked());
    settings.setValue(QStringLiteral("canFd/dataBitRate"), ui->cbBoxDataBps->currentText());
}

void CanConfigPage::loadFdChoice()
{
    const QSettings settings(QLatin1String(SettingsFile), QSettings::IniFormat);
    ui->checkBoxCanFd->setChecked(settings.value(QStringLiteral("canFd/enabled")).toBool());
    const QString dataRate = settings.value(QStringLiteral("canFd/dataBitRate")).toString();
    if (!dataRate.isEmpty())
        ui->cbBoxDataBps->setCurrentText(dataRate);
}

void CanConfigPage::setInterfaceChosen(bool chosen)
{
    // CAN FD is the interfaces' alone: the converter carries classic frames.
    const QString fdTip = chosen ? QString() : tr("CAN FD需要CAN接口：转换器只收发经典CAN帧");
    for (QWidget *widget : { static_cast<QWidget *>(ui->checkBoxCanFd),
                             static_cast<QWidget *>(ui->cbBoxDataBps) }) {
        widget->setEnabled(chosen);
        widget->setToolTip(fdTip);
    }
    ui->comboBoxMode->setEnabled(!chosen);
    ui->comboBoxMode->setToolTip(
            chosen ? tr("CAN接口以正常模式工作：其他工作模式是转换器的设置") : QString());
    const QString lineTip = chosen ? tr("这是转换器串口上的设置，CAN接口没有") : QString();
    for (QWidget *widget : { static_cast<QWidget *>(ui->checkBoxSendOnce),
                             static_cast<QWidget *>(ui->radioBtnFixed),
                             static_cast<QWidget *>(ui->radioBtnVariable),
                             static_cast<QWidget *>(ui->cbBoxChangeBps),
                             static_cast<QWidget *>(ui->btnChangeBps) }) {
        widget->setEnabled(!chosen);
        widget->setToolTip(lineTip);
    }
}

void CanConfigPage::saveConfig()
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
    if (!writeFileAtomically(QLatin1String(CfgFile), canConfigText(config)))
        emit statusMessage(tr("保存失败: ") + QLatin1String(CfgFile));
}

void CanConfigPage::loadConfig()
{
    QFile file{ QLatin1String(CfgFile) };
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        setDefaultConfig();
        return;
    }
    bool appliedAny = false;
    while (!file.atEnd()) {
        const std::optional<StoredCanConfig> config =
                canConfigFromFields(splitListLine(readFileLine(file)));
        if (!config) {
            setDefaultConfig();
            return;
        }
        applyConfig(*config);
        appliedAny = true;
    }
    if (!appliedAny)
        setDefaultConfig();
}

void CanConfigPage::applyConfig(const StoredCanConfig &config)
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

void CanConfigPage::setDefaultConfig()
{
    ui->cbBoxBps->setCurrentIndex(0);
    ui->lineEditCANBps->hide();
    ui->cbBoxBP1->setEnabled(false);
    ui->cbBoxBP2->setEnabled(false);
    ui->lineEditPrescale->setEnabled(false);
    ui->cbBoxCANbps->setCurrentIndex(0);
    showPresetTiming(0);
}

void CanConfigPage::queryBusStatus()
{
    if (!ensurePortOpen())
        return;
    if (bus->isInterfaceOpen()) {
        const QString status = bus->canInterface()->busStatusText();
        emit statusMessage(status.isEmpty() ? tr("此CAN接口不报告总线状态") : status);
        return;
    }
    bus->converter()->write(busStatusQuery());
    emit statusMessage(tr(NoAnswerText));
}

void CanConfigPage::changeConverterBaudRate()
{
    const QMessageBox::StandardButton answer = QMessageBox::information(
            dialogParent, tr("Change the baud rate of the adapter"), tr(ChangeBaudRateText),
            QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton);
    if (answer != QMessageBox::Ok)
        return;
    if (!ensurePortOpen())
        return;
    bus->converter()->write(baudRateCommand(ui->cbBoxChangeBps->currentIndex()));
    emit statusMessage(tr(NoAnswerText));
}

ReceiveIdPage::ReceiveIdPage(Ui::MainWindow *ui, CanBus *bus, QWidget *dialogParent)
    : QObject(dialogParent), ui(ui), bus(bus), dialogParent(dialogParent)
{
    ui->tableWidget_5->setHorizontalHeaderLabels({ tr("接受Id(16进制)") });
    connect(ui->btnReceiveSet, &QPushButton::clicked, this, &ReceiveIdPage::sendFilter);
    connect(ui->btnReceiveRemove, &QPushButton::clicked, this,
            [this] { removeCurrentRow(this->ui->tableWidget_5); });
    connect(ui->btnREceiveInsert, &QPushButton::clicked, this,
            [this] { this->ui->tableWidget_5->insertRow(this->ui->tableWidget_5->rowCount()); });
    connect(ui->btnReceiveSave, &QPushButton::clicked, this, &ReceiveIdPage::save);
    load();
}

void ReceiveIdPage::setInterfaceChosen(bool chosen)
{
    ui->btnReceiveSet->setEnabled(!chosen);
    ui->btnReceiveSet->setToolTip(
            chosen ? tr("接收ID列表保存在转换器中；CAN接口请用基本配置页的滤波ID和屏蔽ID")
                   : QString());
}

void ReceiveIdPage::sendFilter()
{
    if (!bus->isOpen()) {
        emit statusMessage(tr("COM端口已关闭，请先打开COM端口"), 1000);
        return;
    }
    if (ui->radioBtnUploadAll->isChecked()) {
        bus->converter()->write(receiveIdCommand(UploadMode::All, {}));
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
        QMessageBox::critical(dialogParent, tr("配置接收ID"), tr("项目中没有ID数据，请检查"));
        return;
    }
    QList<quint32> identifiers;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (hasCell(table, row, 0)) // rows added and never typed into are skipped
            identifiers.append(parseHexId(cellText(table, row, 0)));
    }
    if (identifiers.size() > MaxReceiveIds) {
        QMessageBox::critical(dialogParent, tr("配置接收ID"), tr("接收ID表的数量不能超过50."));
        return;
    }
    bus->converter()->write(receiveIdCommand(mode, identifiers));
}

void ReceiveIdPage::save()
{
    const QTableWidget *table = ui->tableWidget_5;
    QString text;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (hasCell(table, row, 0))
            text += cellText(table, row, 0) + QLatin1Char('\n');
    }
    if (!writeFileAtomically(QLatin1String(ReceiveIdFile), text))
        emit statusMessage(tr("保存失败: ") + QLatin1String(ReceiveIdFile));
}

void ReceiveIdPage::load()
{
    const std::optional<QStringList> identifiers = readReceiveIdFile(QLatin1String(ReceiveIdFile));
    if (!identifiers)
        return; // the form's rows stay
    ui->tableWidget_5->setRowCount(0);
    ui->tableWidget_5->setRowCount(int(identifiers->size()));
    for (int row = 0; row < identifiers->size(); ++row)
        ui->tableWidget_5->setItem(row, 0, new QTableWidgetItem(identifiers->at(row)));
}
