#include "transmitwindow.h"

#include "transmitlistfile.h"
#include "transmitscheduler.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

enum RowColumn { Enabled, Identifier, Name, Period, Trigger, Data, Sent, Late, Skipped, RowColumns };
enum SignalColumn { SignalName, Value, Unit, Raw, Bytes, SignalColumns };

QString idText(const CanFrame &frame)
{
    return QString::number(frame.identifier, 16).toUpper().rightJustified(frame.extended ? 8 : 3,
                                                                          u'0');
}

QString bytesText(const quint8 *data, int count)
{
    return QString::fromLatin1(
            QByteArray(reinterpret_cast<const char *>(data), count).toHex(' ').toUpper());
}

QString physicalText(const DecodedSignal &decoded)
{
    return QString::number(decoded.physical, 'g', 12);
}

QString rawText(const DecodedSignal &decoded)
{
    const DbcSignal &signal = *decoded.signal;
    if (signal.valueType != DbcSignal::ValueType::Integer)
        return QString::number(decoded.rawValue, 'g', 17);
    return signal.isSigned ? QString::number(decoded.raw) : QString::number(decoded.rawUnsigned);
}

// The data bytes a signal occupies in the frame, as the frame carries them.
QString signalBytesText(const DbcSignal &signal, const CanFrame &frame)
{
    const quint64 bytes = signalBytes(signal);
    QStringList texts;
    for (int i = 0; i < frame.length; ++i) {
        if ((bytes >> i) & 1)
            texts.append(QString::number(frame.data[size_t(i)], 16).toUpper().rightJustified(2, u'0'));
    }
    return texts.join(u' ');
}

// An extended identifier always with 8 digits: read back as extended.
QString triggerIdText(const TransmitRow &row)
{
    return QString::number(row.triggerId, 16).toUpper().rightJustified(row.triggerExtended ? 8 : 3,
                                                                       u'0');
}

quint64 messageKey(const CanFrame &frame)
{
    return quint64(frame.identifier) | (frame.extended ? quint64(1) << 32 : 0);
}

} // namespace

TransmitWindow::TransmitWindow(QWidget *parent)
    : QWidget(parent, Qt::Window),
      transmit(new TransmitScheduler(this)),
      refreshTimer(new QTimer(this))
{
    setWindowTitle(tr("发送报文"));
    buildWidgets();
    connectWidgets();
    refreshTimer->setInterval(RefreshMs);
    resize(960, 640);
}

TransmitWindow::~TransmitWindow() = default;

void TransmitWindow::buildWidgets()
{
    filterEdit = new QLineEdit(this);
    filterEdit->setPlaceholderText(tr("按名称或标识符筛选"));
    filterEdit->setClearButtonEnabled(true);
    messageChoice = new QComboBox(this);
    messageChoice->setObjectName(QStringLiteral("messageChoice"));
    messageChoice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    addMessageButton = new QPushButton(tr("添加报文"), this);
    nodeChoice = new QComboBox(this);
    nodeChoice->setObjectName(QStringLiteral("nodeChoice"));
    addNodeButton = new QPushButton(tr("添加节点发送的全部报文"), this);
    addRawButton = new QPushButton(tr("添加原始帧"), this);
    removeButton = new QPushButton(tr("删除"), this);
    sendButton = new QPushButton(tr("发送一次"), this);
    startButton = new QPushButton(tr("启动"), this);
    stopButton = new QPushButton(tr("停止"), this);
    openButton = new QPushButton(tr("打开列表…"), this);
    saveAsButton = new QPushButton(tr("列表另存为…"), this);
    stopButton->setEnabled(false);
    const std::pair<QWidget *, const char *> names[] = {
        { filterEdit, "filterEdit" },     { addMessageButton, "btnAddMessage" },
        { addNodeButton, "btnAddNode" },  { addRawButton, "btnAddRaw" },
        { removeButton, "btnRemove" },    { sendButton, "btnSendOnce" },
        { startButton, "btnStart" },      { stopButton, "btnStop" },
        { openButton, "btnOpenList" },    { saveAsButton, "btnSaveListAs" },
    };
    for (const auto &[widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    auto *pick = new QHBoxLayout;
    pick->addWidget(filterEdit, 1);
    pick->addWidget(messageChoice, 2);
    pick->addWidget(addMessageButton);
    pick->addSpacing(12);
    pick->addWidget(nodeChoice, 1);
    pick->addWidget(addNodeButton);
    auto *actions = new QHBoxLayout;
    for (QPushButton *button : { addRawButton, removeButton, sendButton })
        actions->addWidget(button);
    actions->addStretch(1);
    for (QPushButton *button : { openButton, saveAsButton, startButton, stopButton })
        actions->addWidget(button);

    table = new QTableWidget(0, RowColumns, this);
    table->setObjectName(QStringLiteral("transmitTable"));
    table->setHorizontalHeaderLabels({ tr("启用"), tr("标识符"), tr("报文"), tr("周期 (ms)"),
                                       tr("触发"), tr("数据"), tr("已发送"), tr("迟发"),
                                       tr("跳过") });
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(Data, QHeaderView::Stretch);

    triggerChoice = new QComboBox(this);
    triggerChoice->addItems({ tr("周期发送"), tr("手动发送"), tr("收到报文后发送") });
    triggerIdEdit = new QLineEdit(this);
    triggerIdEdit->setPlaceholderText(tr("标识符 (十六进制)"));
    delaySpin = new QSpinBox(this);
    delaySpin->setRange(0, 3'600'000);
    delaySpin->setSuffix(tr(" ms"));
    keyEdit = new QLineEdit(this);
    keyEdit->setMaxLength(1);
    keyEdit->setPlaceholderText(tr("无"));
    keyEdit->setToolTip(tr("窗口有焦点时按此键发送一次"));
    counterChoice = new QComboBox(this);
    checksumChoice = new QComboBox(this);
    algorithmChoice = new QComboBox(this);
    algorithmChoice->setEditable(true);
    algorithmChoice->addItems(checksumNames());
    triggerChoice->setObjectName(QStringLiteral("triggerChoice"));
    triggerIdEdit->setObjectName(QStringLiteral("triggerIdEdit"));
    delaySpin->setObjectName(QStringLiteral("delaySpin"));
    keyEdit->setObjectName(QStringLiteral("keyEdit"));
    counterChoice->setObjectName(QStringLiteral("counterChoice"));
    checksumChoice->setObjectName(QStringLiteral("checksumChoice"));
    algorithmChoice->setObjectName(QStringLiteral("algorithmChoice"));
    algorithmChoice->setToolTip(tr("算法名，可加参数，如 crc8:poly=0x1d,init=0xff,bytes=1-7"));

    auto *trigger = new QHBoxLayout;
    trigger->addWidget(triggerChoice);
    trigger->addWidget(triggerIdEdit);
    trigger->addWidget(new QLabel(tr("延时"), this));
    trigger->addWidget(delaySpin);
    trigger->addWidget(new QLabel(tr("按键"), this));
    trigger->addWidget(keyEdit);
    auto *integrity = new QHBoxLayout;
    integrity->addWidget(counterChoice, 1);
    integrity->addWidget(new QLabel(tr("校验和"), this));
    integrity->addWidget(checksumChoice, 1);
    integrity->addWidget(algorithmChoice, 1);
    auto *details = new QFormLayout;
    details->addRow(tr("触发"), trigger);
    details->addRow(tr("计数器"), integrity);

    signalTable = new QTableWidget(0, SignalColumns, this);
    signalTable->setObjectName(QStringLiteral("signalTable"));
    signalTable->setHorizontalHeaderLabels(
            { tr("信号"), tr("值"), tr("单位"), tr("原始值"), tr("字节") });
    signalTable->verticalHeader()->hide();
    signalTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    signalTable->horizontalHeader()->setSectionResizeMode(Value, QHeaderView::Stretch);

    auto *lower = new QWidget(this);
    auto *lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addLayout(details);
    lowerLayout->addWidget(signalTable, 1);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(table);
    splitter->addWidget(lower);
    splitter->setSizes({ 320, 320 });

    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("transmitStatus"));
    statusLabel->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(pick);
    layout->addLayout(actions);
    layout->addWidget(splitter, 1);
    layout->addWidget(statusLabel);
    showDetails();
}

void TransmitWindow::connectWidgets()
{
    connect(filterEdit, &QLineEdit::textChanged, this, &TransmitWindow::fillMessageChoice);
    connect(addMessageButton, &QPushButton::clicked, this, &TransmitWindow::addChosenMessage);
    connect(addNodeButton, &QPushButton::clicked, this, &TransmitWindow::addNodeMessages);
    connect(addRawButton, &QPushButton::clicked, this, &TransmitWindow::addRawFrame);
    connect(removeButton, &QPushButton::clicked, this, &TransmitWindow::removeSelected);
    connect(sendButton, &QPushButton::clicked, this, &TransmitWindow::sendSelected);
    connect(startButton, &QPushButton::clicked, transmit, &TransmitScheduler::start);
    connect(stopButton, &QPushButton::clicked, this, &TransmitWindow::stop);
    connect(openButton, &QPushButton::clicked, this, &TransmitWindow::openList);
    connect(saveAsButton, &QPushButton::clicked, this, &TransmitWindow::saveListAs);
    connect(transmit, &TransmitScheduler::runningChanged, this, [this](bool running) {
        startButton->setEnabled(!running);
        stopButton->setEnabled(running);
        running ? refreshTimer->start() : refreshTimer->stop();
        refreshCounts();
        if (!running)
            save(); // the bytes last sent
    });
    connect(transmit, &TransmitScheduler::sendFailed, this,
            [this] { setStatus(tr("发送失败，已停止"), true); });
    connect(transmit, &TransmitScheduler::rowRefused, this, [this](int row) {
        const TransmitRow &refused = transmit->rows()[size_t(row)];
        setStatus(tr("%1：总线不能发送此帧 (CAN FD 未启用或设备拒绝)，此行已停用")
                          .arg(refused.messageName.isEmpty() ? idText(refused.frame)
                                                             : refused.messageName),
                  true);
        filling = true;
        showRow(row, true);
        filling = false;
    });
    connect(refreshTimer, &QTimer::timeout, this, &TransmitWindow::refreshCounts);
    connect(table, &QTableWidget::cellChanged, this, &TransmitWindow::tableItemChanged);
    connect(table, &QTableWidget::itemSelectionChanged, this, &TransmitWindow::selectionChanged);
    connect(triggerChoice, &QComboBox::currentIndexChanged, this, &TransmitWindow::detailsEdited);
    connect(triggerIdEdit, &QLineEdit::editingFinished, this, &TransmitWindow::detailsEdited);
    connect(delaySpin, &QSpinBox::editingFinished, this, &TransmitWindow::detailsEdited);
    connect(keyEdit, &QLineEdit::textEdited, this, &TransmitWindow::detailsEdited);
    connect(counterChoice, &QComboBox::currentIndexChanged, this, &TransmitWindow::detailsEdited);
    connect(checksumChoice, &QComboBox::currentIndexChanged, this, &TransmitWindow::detailsEdited);
    connect(algorithmChoice, &QComboBox::currentTextChanged, this, &TransmitWindow::detailsEdited);
    connect(signalTable, &QTableWidget::cellChanged, this, [this](int row, int column) {
        if (!filling && column == Value)
            setSignalText(signalTable->item(row, SignalName)->data(Qt::UserRole).toInt(),
                          signalTable->item(row, Value)->text());
    });
}

void TransmitWindow::setDatabase(const DbcDatabase &database)
{
    transmit->setDatabase(database);
    fillMessageChoice();
    const QString node = nodeChoice->currentText();
    nodeChoice->clear();
    nodeChoice->addItems(sendingNodes(transmit->database()));
    nodeChoice->setCurrentText(node);
    const bool have = !transmit->database().messages.empty();
    for (QWidget *widget : { static_cast<QWidget *>(filterEdit), static_cast<QWidget *>(messageChoice),
                             static_cast<QWidget *>(addMessageButton) })
        widget->setEnabled(have);
    nodeChoice->setEnabled(nodeChoice->count() > 0);
    addNodeButton->setEnabled(nodeChoice->count() > 0);
    messageChoice->setPlaceholderText(have ? tr("没有符合筛选的报文")
                                           : tr("未加载数据库 (工具 → 信号… → 加载DBC…)"));
    rowsChanged();
    emit integrityRulesChanged(integrityRules());
}

void TransmitWindow::fillMessageChoice()
{
    const QString filter = filterEdit->text().trimmed();
    messageChoice->clear();
    const std::vector<DbcMessage> &messages = transmit->database().messages;
    for (size_t i = 0; i < messages.size(); ++i) {
        const DbcMessage &message = messages[i];
        if (message.name == QLatin1String("VECTOR__INDEPENDENT_SIG_MSG"))
            continue;
        CanFrame frame;
        frame.identifier = message.identifier;
        frame.extended = message.extended;
        const QString text = QStringLiteral("%1  %2").arg(idText(frame), message.name);
        if (filter.isEmpty() || text.contains(filter, Qt::CaseInsensitive))
            messageChoice->addItem(text, int(i));
    }
    messageChoice->setCurrentIndex(messageChoice->count() > 0 ? 0 : -1);
}

void TransmitWindow::addChosenMessage()
{
    const QVariant index = messageChoice->currentData();
    if (!index.isValid())
        return;
    const DbcMessage &message = transmit->database().messages[size_t(index.toInt())];
    transmit->addRow(rowForMessage(transmit->database(), message));
    rowsChanged();
    table->selectRow(transmit->rowCount() - 1);
}

// Simulating a missing node is one action: every message it sends.
void TransmitWindow::addNodeMessages()
{
    const QString node = nodeChoice->currentText();
    int added = 0;
    for (const DbcMessage &message : transmit->database().messages) {
        if (message.sender == node) {
            transmit->addRow(rowForMessage(transmit->database(), message));
            ++added;
        }
    }
    rowsChanged();
    setStatus(tr("已添加 %1 发送的 %2 个报文").arg(node).arg(added));
}

void TransmitWindow::addRawFrame()
{
    CanFrame frame;
    frame.identifier = 0x100;
    frame.length = 8;
    transmit->addRow(rowForFrame(frame));
    rowsChanged();
    table->selectRow(transmit->rowCount() - 1);
}

void TransmitWindow::removeSelected()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    transmit->removeRow(row);
    rowsChanged();
}

void TransmitWindow::sendSelected()
{
    const int row = selectedRow();
    if (row >= 0)
        transmit->sendNow(row);
    refreshCounts();
}

void TransmitWindow::stop()
{
    transmit->stop();
}

// A row's key sends it once while the window has the focus, wherever in it
// (a text box takes the letters typed into it first).
void TransmitWindow::updateKeys()
{
    qDeleteAll(keyShortcuts);
    keyShortcuts.clear();
    QStringList keys;
    for (const TransmitRow &row : transmit->rows()) {
        if (!row.key.isEmpty() && !keys.contains(row.key))
            keys.append(row.key);
    }
    for (const QString &key : keys) {
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, [this, key] {
            for (int i = 0; i < transmit->rowCount(); ++i) {
                if (transmit->rows()[size_t(i)].key == key)
                    transmit->sendNow(i);
            }
            refreshCounts();
        });
        keyShortcuts.append(shortcut);
    }
}

void TransmitWindow::closeEvent(QCloseEvent *event)
{
    save();
    QWidget::closeEvent(event);
}

int TransmitWindow::selectedRow() const
{
    const QList<QTableWidgetSelectionRange> ranges = table->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

// The table follows the list: rows added or removed, every cell written.
void TransmitWindow::rowsChanged()
{
    filling = true;
    table->setRowCount(transmit->rowCount());
    for (int row = 0; row < transmit->rowCount(); ++row)
        showRow(row, true);
    filling = false;
    showDetails();
    updateKeys();
    save();
    emit integrityRulesChanged(integrityRules());
}

void TransmitWindow::showRow(int index, bool all)
{
    const TransmitRow &row = transmit->rows()[size_t(index)];
    const auto cell = [this, index](int column, const QString &text, bool editable) {
        QTableWidgetItem *item = table->item(index, column);
        if (!item) {
            item = new QTableWidgetItem;
            table->setItem(index, column, item);
        }
        if (item->text() != text)
            item->setText(text);
        const Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled
                | (editable ? Qt::ItemIsEditable : Qt::NoItemFlags);
        if (item->flags() != flags && column != Enabled)
            item->setFlags(flags);
        return item;
    };
    const bool raw = transmit->messageOf(index) == nullptr;
    if (all) {
        QTableWidgetItem *enabled = cell(Enabled, QString(), false);
        enabled->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        enabled->setCheckState(row.enabled ? Qt::Checked : Qt::Unchecked);
        cell(Identifier, idText(row.frame) + (row.frame.fd ? tr(" FD") : QString()), raw);
        cell(Name,
             row.messageName.isEmpty() ? tr("(原始帧)")
                     : raw             ? tr("%1 (不在数据库中，按原始字节)").arg(row.messageName)
                                       : row.messageName,
             false);
        cell(Period, QString::number(row.periodMs), true);
        const QStringList triggers = { tr("周期"), tr("手动"),
                                       tr("收到 %1 后").arg(triggerIdText(row)) };
        cell(Trigger, triggers[int(row.trigger)], false);
    }
    cell(Data, bytesText(row.frame.data.data(), row.frame.length), raw);
    cell(Sent, QString::number(row.sent), false);
    cell(Late, QString::number(row.late), false);
    cell(Skipped, QString::number(row.skipped), false);
}

void TransmitWindow::refreshCounts()
{
    filling = true;
    for (int row = 0; row < transmit->rowCount() && row < table->rowCount(); ++row)
        showRow(row, false);
    // The selected row's counter and checksum move with every frame: their
    // cells follow, and so do the raw values and bytes, without touching editors.
    const int index = selectedRow();
    const DbcMessage *message = index >= 0 ? transmit->messageOf(index) : nullptr;
    if (message) {
        const TransmitRow &row = transmit->rows()[size_t(index)];
        for (int r = 0; r < signalTable->rowCount(); ++r) {
            const int signalAt = signalTable->item(r, SignalName)->data(Qt::UserRole).toInt();
            const DbcSignal &signal = message->signalList[size_t(signalAt)];
            const DecodedSignal decoded = decodeBits(signal, row.signalBits[size_t(signalAt)]);
            if (signal.name == row.counterSignal || signal.name == row.checksumSignal) {
                const DecodedSignal carried =
                        decodeSignal(signal, row.frame.data.data(), row.frame.length);
                signalTable->item(r, Value)->setText(physicalText(carried));
                signalTable->item(r, Raw)->setText(rawText(carried));
            } else {
                signalTable->item(r, Raw)->setText(rawText(decoded));
            }
            signalTable->item(r, Bytes)->setText(signalBytesText(signal, row.frame));
        }
    }
    filling = false;
}

void TransmitWindow::tableItemChanged(int index, int column)
{
    if (filling || index < 0 || index >= transmit->rowCount())
        return;
    TransmitRow row = transmit->rows()[size_t(index)];
    const QString text = table->item(index, column)->text().trimmed();
    bool ok = true;
    switch (column) {
    case Enabled:
        row.enabled = table->item(index, column)->checkState() == Qt::Checked;
        break;
    case Period: {
        const int period = text.toInt(&ok);
        ok = ok && period >= 0 && period <= 3'600'000;
        if (ok)
            row.periodMs = period;
        else
            setStatus(tr("周期须为 0 到 3600000 ms 的整数"), true);
        break;
    }
    case Identifier: {
        QString digits = text;
        digits.remove(tr(" FD")).remove(u' ');
        const quint32 id = digits.toUInt(&ok, 16);
        ok = ok && id <= 0x1FFFFFFF;
        if (ok) {
            row.frame.identifier = id;
            row.frame.extended = id > 0x7FF || digits.size() > 3;
        } else {
            setStatus(tr("标识符须为 0 到 1FFFFFFF 的十六进制数"), true);
        }
        break;
    }
    case Data: {
        const HexBytes bytes = parseHexBytes(text);
        ok = bytes.fitsFdFrame();
        if (ok) {
            const bool fd = bytes.tokenCount > CanFrame::ClassicMaxLength;
            row.frame = frameFromTexts(QString::number(row.frame.identifier, 16), bytes,
                                       row.frame.extended, fd && row.frame.bitRateSwitch);
        } else {
            setStatus(tr("数据最多 64 字节"), true);
        }
        break;
    }
    default:
        return;
    }
    if (ok) {
        transmit->setRow(index, row);
        setStatus(QString());
    }
    filling = true;
    showRow(index, true);
    filling = false;
    save();
}

void TransmitWindow::selectionChanged()
{
    showDetails();
}

// The selected row's trigger, counter, checksum and signals.
void TransmitWindow::showDetails()
{
    const int index = selectedRow();
    const bool have = index >= 0 && index < transmit->rowCount();
    const DbcMessage *message = have ? transmit->messageOf(index) : nullptr;
    filling = true;
    for (QWidget *widget : std::initializer_list<QWidget *>{ triggerChoice, triggerIdEdit, delaySpin,
                                                              keyEdit, removeButton, sendButton })
        widget->setEnabled(have);
    for (QWidget *widget : std::initializer_list<QWidget *>{ counterChoice, checksumChoice,
                                                              algorithmChoice })
        widget->setEnabled(message != nullptr);
    counterChoice->clear();
    checksumChoice->clear();
    counterChoice->addItem(tr("无计数器"));
    checksumChoice->addItem(tr("无校验和"));
    if (have) {
        const TransmitRow &row = transmit->rows()[size_t(index)];
        triggerChoice->setCurrentIndex(int(row.trigger));
        triggerIdEdit->setText(triggerIdText(row));
        triggerIdEdit->setEnabled(row.trigger == TransmitRow::Trigger::OnReceive);
        delaySpin->setValue(row.delayMs);
        delaySpin->setEnabled(row.trigger == TransmitRow::Trigger::OnReceive);
        keyEdit->setText(row.key);
        if (message) {
            for (const DbcSignal &signal : message->signalList) {
                counterChoice->addItem(signal.name);
                checksumChoice->addItem(signal.name);
            }
            counterChoice->setCurrentText(row.counterSignal.isEmpty() ? counterChoice->itemText(0)
                                                                      : row.counterSignal);
            checksumChoice->setCurrentText(
                    row.checksumSignal.isEmpty() ? checksumChoice->itemText(0) : row.checksumSignal);
            algorithmChoice->setCurrentText(checksumAlgorithmText(row.checksum));
        }
        algorithmChoice->setEnabled(message && !row.checksumSignal.isEmpty());
    }
    filling = false;
    showSignals();
}

void TransmitWindow::showSignals()
{
    const int index = selectedRow();
    const DbcMessage *message = index >= 0 ? transmit->messageOf(index) : nullptr;
    filling = true;
    signalTable->setRowCount(0);
    if (!message) {
        filling = false;
        return;
    }
    const TransmitRow &row = transmit->rows()[size_t(index)];
    // A multiplexed message shows its multiplexor and the signals its value selects.
    const std::vector<DecodedSignal> shown = decodeMessage(*message, row.frame);
    signalTable->setRowCount(int(shown.size()));
    for (int r = 0; r < int(shown.size()); ++r) {
        const DbcSignal &signal = *shown[size_t(r)].signal;
        const int signalAt = int(&signal - message->signalList.data());
        // The counter and checksum as the next frame carries them; the rest as set.
        const bool computed = signal.name == row.counterSignal || signal.name == row.checksumSignal;
        const DecodedSignal decoded = computed
                ? decodeSignal(signal, row.frame.data.data(), row.frame.length)
                : decodeBits(signal, row.signalBits[size_t(signalAt)]);
        auto *name = new QTableWidgetItem(signal.name);
        name->setData(Qt::UserRole, signalAt);
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        name->setToolTip(signal.comment);
        if (signal.name == row.counterSignal)
            name->setText(tr("%1 (计数器)").arg(signal.name));
        else if (signal.name == row.checksumSignal)
            name->setText(tr("%1 (校验和)").arg(signal.name));
        signalTable->setItem(r, SignalName, name);
        auto *value = new QTableWidgetItem(physicalText(decoded));
        value->setToolTip(signal.comment);
        signalTable->setItem(r, Value, value);
        if (computed) {
            value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        } else if (!signal.valueTexts.isEmpty()) {
            auto *choice = new QComboBox(signalTable);
            for (auto it = signal.valueTexts.cbegin(); it != signal.valueTexts.cend(); ++it)
                choice->addItem(QStringLiteral("%1 (%2)").arg(it.value()).arg(it.key()), it.value());
            const int at = choice->findData(decoded.text);
            if (at < 0)
                choice->addItem(physicalText(decoded));
            choice->setCurrentIndex(at < 0 ? choice->count() - 1 : at);
            choice->setEditable(true);
            connect(choice, &QComboBox::activated, this, [this, signalAt, choice](int item) {
                const QVariant text = choice->itemData(item);
                setSignalText(signalAt, text.isValid() ? text.toString() : choice->itemText(item));
            });
            signalTable->setCellWidget(r, Value, choice);
        } else if (signal.minimum < signal.maximum) {
            auto *spin = new QDoubleSpinBox(signalTable);
            const int decimals = signal.factor > 0 && signal.factor < 1
                    ? std::min(9, int(std::ceil(-std::log10(signal.factor) - 1e-9)))
                    : 0;
            spin->setDecimals(signal.valueType == DbcSignal::ValueType::Integer ? decimals : 6);
            spin->setRange(signal.minimum, signal.maximum);
            spin->setSingleStep(signal.factor > 0 ? signal.factor : 1);
            spin->setValue(decoded.physical);
            spin->setSuffix(signal.unit.isEmpty() ? QString() : u' ' + signal.unit);
            spin->setKeyboardTracking(false);
            spin->setToolTip(signal.comment);
            connect(spin, &QDoubleSpinBox::valueChanged, this, [this, signalAt](double v) {
                setSignalText(signalAt, QString::number(v, 'g', 17));
            });
            signalTable->setCellWidget(r, Value, spin);
        }
        for (int column : { Unit, Raw, Bytes }) {
            auto *item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            signalTable->setItem(r, column, item);
        }
        signalTable->item(r, Unit)->setText(signal.unit);
        signalTable->item(r, Raw)->setText(rawText(decoded));
        signalTable->item(r, Bytes)->setText(signalBytesText(signal, row.frame));
    }
    filling = false;
}

// A value typed or chosen for a signal: refused with the reason, never wrapped.
void TransmitWindow::setSignalText(int signal, const QString &text)
{
    const int index = selectedRow();
    const DbcMessage *message = index >= 0 ? transmit->messageOf(index) : nullptr;
    if (!message || signal < 0 || size_t(signal) >= message->signalList.size())
        return;
    QString why;
    const auto bits = bitsForText(message->signalList[size_t(signal)], text, &why);
    if (!bits) {
        setStatus(why, true);
    } else {
        transmit->setSignalBits(index, signal, *bits);
        setStatus(QString());
        filling = true;
        showRow(index, false);
        filling = false;
        save();
    }
    // Later, not from within the editor that called here: the table is rebuilt.
    QTimer::singleShot(0, this, &TransmitWindow::showSignals);
}

void TransmitWindow::detailsEdited()
{
    const int index = selectedRow();
    if (filling || index < 0)
        return;
    TransmitRow row = transmit->rows()[size_t(index)];
    row.trigger = TransmitRow::Trigger(triggerChoice->currentIndex());
    bool ok = false;
    const quint32 id = triggerIdEdit->text().trimmed().toUInt(&ok, 16);
    if (ok && id <= 0x1FFFFFFF) {
        row.triggerId = id;
        row.triggerExtended = id > 0x7FF || triggerIdEdit->text().trimmed().size() > 3;
    }
    row.delayMs = delaySpin->value();
    row.key = keyEdit->text();
    if (transmit->messageOf(index)) {
        row.counterSignal = counterChoice->currentIndex() > 0 ? counterChoice->currentText()
                                                              : QString();
        row.checksumSignal = checksumChoice->currentIndex() > 0 ? checksumChoice->currentText()
                                                                : QString();
        if (const auto algorithm = parseChecksumAlgorithm(algorithmChoice->currentText())) {
            row.checksum = *algorithm;
            setStatus(QString());
        } else if (!row.checksumSignal.isEmpty()) {
            setStatus(tr("校验算法无效：%1 (可选 %2，参数写在冒号后)")
                              .arg(algorithmChoice->currentText(),
                                   checksumNames().join(QLatin1String(", "))),
                      true);
        }
    }
    transmit->setRow(index, row);
    filling = true;
    showRow(index, true);
    filling = false;
    triggerIdEdit->setEnabled(row.trigger == TransmitRow::Trigger::OnReceive);
    delaySpin->setEnabled(row.trigger == TransmitRow::Trigger::OnReceive);
    algorithmChoice->setEnabled(!row.checksumSignal.isEmpty());
    showSignals();
    updateKeys();
    save();
    emit integrityRulesChanged(integrityRules());
}

void TransmitWindow::setStatus(const QString &text, bool error)
{
    statusLabel->setText(text);
    statusLabel->setStyleSheet(error ? QStringLiteral("color: #b03000;") : QString());
}

void TransmitWindow::load()
{
    QFile file{ QString::fromLatin1(ListFile) };
    if (!file.open(QIODevice::ReadOnly)) {
        listLoaded = !file.exists();
        return;
    }
    const TransmitListRead read = readTransmitList(file.readAll(), transmit->database());
    if (!read.error.isEmpty()) {
        setStatus(tr("%1: %2 (文件保持原样，列表不保存到此文件)")
                          .arg(QLatin1String(ListFile), read.error),
                  true);
        return;
    }
    listLoaded = true;
    showList(read);
}

// A list read from file takes the place of the rows, stopped.
void TransmitWindow::showList(const TransmitListRead &read)
{
    transmit->setRows(read.rows);
    rowsChanged();
    if (!read.warnings.isEmpty())
        setStatus(read.warnings.join(QLatin1String("; ")), true);
}

void TransmitWindow::openList()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("打开发送列表"), QString(),
                                                          tr("发送列表 (*.json);;所有文件 (*)"));
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        setStatus(tr("无法打开 %1: %2").arg(fileName, file.errorString()), true);
        return;
    }
    const TransmitListRead read = readTransmitList(file.readAll(), transmit->database());
    if (!read.error.isEmpty()) {
        setStatus(tr("%1: %2").arg(fileName, read.error), true);
        return;
    }
    showList(read);
}

void TransmitWindow::saveListAs()
{
    const QString fileName = QFileDialog::getSaveFileName(this, tr("发送列表另存为"), QString(),
                                                          tr("发送列表 (*.json);;所有文件 (*)"));
    if (!fileName.isEmpty() && !saveTo(fileName))
        setStatus(tr("保存失败: ") + fileName, true);
}

bool TransmitWindow::saveTo(const QString &fileName)
{
    QSaveFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(transmitListText(transmit->rows())) >= 0
            && file.commit();
}

void TransmitWindow::save()
{
    if (!listLoaded)
        return;
    if (!saveTo(QLatin1String(ListFile)))
        emit statusMessage(tr("保存失败: ") + QLatin1String(ListFile));
}

IntegrityRules TransmitWindow::integrityRules() const
{
    IntegrityRules rules;
    for (int i = 0; i < transmit->rowCount(); ++i) {
        const TransmitRow &row = transmit->rows()[size_t(i)];
        if (transmit->messageOf(i) && (!row.counterSignal.isEmpty() || !row.checksumSignal.isEmpty()))
            rules.insert(messageKey(row.frame), { row.counterSignal, row.checksumSignal, row.checksum });
    }
    return rules;
}
