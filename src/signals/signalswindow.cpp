#include "signalswindow.h"
#include "ui_signalswindow.h"

#include "bitanalysispanel.h"
#include "capturestore.h"
#include "databytesdelegate.h"
#include "dbceditor.h"
#include "logmenu.h"
#include "messagetablemodel.h"
#include "signalsearchwindow.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTimer>

namespace {
const char *const DbcPathKey = "dbc/path";
const char *const GeometryKey = "signalsWindow/geometry";
const char *const MainSplitterKey = "signalsWindow/splitter";
const char *const ListSplitterKey = "signalsWindow/listSplitter";

enum SignalColumn { SignalName, Raw, Physical, ValueText };

QSettings settings()
{
    return QSettings(settingsFileName(), QSettings::IniFormat);
}

QString rawText(const DecodedSignal &decoded)
{
    if (decoded.signal->valueType != DbcSignal::ValueType::Integer)
        return QString::number(decoded.physical, 'g', 10);
    if (!decoded.signal->isSigned && decoded.signal->length == 64)
        return QString::number(decoded.rawUnsigned);
    return QString::number(decoded.raw);
}
} // namespace

SignalsWindow::SignalsWindow(CaptureStore *capture, QWidget *parent)
    : QWidget(parent, Qt::Window),
      ui(new Ui::SignalsWindow),
      capture(capture),
      timer(new QTimer(this)),
      model(new MessageTableModel(&statistics, this)),
      sorted(new QSortFilterProxyModel(this)),
      editor(new DbcEditor(this)),
      bitPanel(new BitAnalysisPanel(capture, this)),
      tabs(new QTabWidget(this)),
      searchWindow(new SignalSearchWindow(
              capture, [this] { return bitPanel->chosenSpan(); }, this))
{
    ui->setupUi(this);
    // The selected message's signals, and its bits, side by side with the list.
    ui->splitterLists->replaceWidget(1, tabs);
    tabs->addTab(ui->signalPane, tr("信号"));
    tabs->addTab(bitPanel, tr("位"));
    sorted->setSourceModel(model);
    sorted->setSortRole(MessageTableModel::SortRole);
    ui->messageView->setModel(sorted);
    ui->messageView->sortByColumn(MessageTableModel::Identifier, Qt::AscendingOrder);
    ui->messageView->setItemDelegateForColumn(
            MessageTableModel::Data,
            new DataBytesDelegate(MessageTableModel::ChangedBytesRole, ui->messageView));
    ui->messageView->verticalHeader()->hide();
    ui->messageView->verticalHeader()->setDefaultSectionSize(ui->messageView->fontMetrics().height()
                                                             + 6);
    ui->messageView->horizontalHeader()->setStretchLastSection(true);
    const QFontMetrics metrics = ui->messageView->fontMetrics();
    ui->messageView->setColumnWidth(MessageTableModel::Identifier,
                                    metrics.horizontalAdvance(QStringLiteral("0x00000000")) + 16);
    ui->messageView->setColumnWidth(MessageTableModel::Name,
                                    metrics.horizontalAdvance(QStringLiteral("VehicleSpeedInfo")));
    ui->messageView->setColumnWidth(MessageTableModel::Count,
                                    metrics.horizontalAdvance(QStringLiteral("00000000")) + 8);
    ui->messageView->setColumnWidth(MessageTableModel::Period,
                                    metrics.horizontalAdvance(QStringLiteral("0000.0 (0000)")) + 8);
    ui->messageView->setColumnWidth(MessageTableModel::Length,
                                    metrics.horizontalAdvance(tr("长度")) + 16);
    ui->messageView->setColumnWidth(MessageTableModel::ChangedBits,
                                    metrics.horizontalAdvance(tr("A/B 不同位")) + 16);
    ui->messageView->setColumnWidth(
            MessageTableModel::Integrity,
            metrics.horizontalAdvance(tr("计数器错 %1, 校验和错 %1").arg(QStringLiteral("000")))
                    + 12);
    ui->signalTable->verticalHeader()->hide();
    ui->signalTable->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    ui->signalTable->horizontalHeader()->setStretchLastSection(true);
    // Until the user moves them: lists above, a plot as tall, the message list the wider.
    ui->splitterMain->setSizes({ 320, 380 });
    ui->splitterLists->setSizes({ 540, 360 });

    timer->setInterval(RefreshMs);
    connect(timer, &QTimer::timeout, this, &SignalsWindow::refresh);
    connect(capture, &CaptureStore::replaced, this, &SignalsWindow::startOver);
    connect(capture, &CaptureStore::cleared, this, &SignalsWindow::startOver);
    connect(ui->btnLoadDbc, &QPushButton::clicked, this, &SignalsWindow::chooseDbc);
    connect(ui->btnUnloadDbc, &QPushButton::clicked, this, [this] {
        if (editor->settleUnsavedChanges())
            unloadDbc();
    });
    connect(ui->btnFitAll, &QPushButton::clicked, ui->plot, &SignalPlot::fitAll);
    connect(ui->btnExportPng, &QPushButton::clicked, this, &SignalsWindow::exportPng);
    connect(ui->btnExportCsv, &QPushButton::clicked, this, &SignalsWindow::exportCsv);
    connect(ui->messageView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &SignalsWindow::selectionChanged);
    connect(ui->signalTable, &QTableWidget::itemChanged, this, &SignalsWindow::signalTicked);
    connect(ui->btnSaveDbc, &QPushButton::clicked, editor, &DbcEditor::save);
    connect(ui->btnSaveDbcAs, &QPushButton::clicked, editor, [this] { editor->saveAs(); });
    connect(ui->btnUndoDbc, &QPushButton::clicked, editor, &DbcEditor::undo);
    connect(ui->btnEditSignal, &QPushButton::clicked, this, [this] {
        if (haveSelection && !currentSignalName().isEmpty())
            editor->editSignal(selectedKey, currentSignalName());
    });
    connect(ui->btnFollowSignal, &QPushButton::clicked, this, [this] {
        const DbcMessage *message = selectedMessage();
        for (const DbcSignal &signal : message ? message->signalList : std::vector<DbcSignal>()) {
            if (signal.name != currentSignalName())
                continue;
            if (signal.length > BitField::MaxValueLength) {
                setStatus(tr("%1 有 %2 位: 只能跟随 32 位以内的信号").arg(signal.name).arg(signal.length), true);
                return;
            }
            searchWindow->show();
            searchWindow->raise();
            searchWindow->listFollowersOf(selectedKey, { quint16(signal.startBit), quint16(signal.length),
                                                         signal.littleEndian, signal.isSigned });
            return;
        }
        setStatus(tr("先在信号列表中选一个信号"), true);
    });
    connect(ui->btnRemoveSignal, &QPushButton::clicked, this, [this] {
        if (haveSelection && !currentSignalName().isEmpty())
            editor->removeSignal(selectedKey, currentSignalName());
    });
    connect(editor, &DbcEditor::edited, this, &SignalsWindow::databaseEdited);
    connect(editor, &DbcEditor::status, this, &SignalsWindow::setStatus);
    connect(bitPanel, &BitAnalysisPanel::fieldMarked, this, &SignalsWindow::makeSignal);
    connect(bitPanel, &BitAnalysisPanel::patternsAccepted, this, [this](quint64 key) {
        editor->makePatternSignals(key, bitPanel->counters(), bitPanel->checksums(),
                                   frameLengthOf(key));
    });
    connect(bitPanel, &BitAnalysisPanel::searchRequested, searchWindow, [this] {
        searchWindow->show();
        searchWindow->raise();
    });
    connect(searchWindow, &SignalSearchWindow::signalRequested, this, &SignalsWindow::makeSignal);
    connect(searchWindow, &SignalSearchWindow::plotRequested, this, &SignalsWindow::plotCandidate);
    connect(bitPanel, &BitAnalysisPanel::countsChanged, this, [this] {
        model->setChangedBits(&bitPanel->changedBits(), bitPanel->isComparing());
    });
    connect(bitPanel, &BitAnalysisPanel::listFilterChanged, this, [this](bool on) {
        // Only the messages with a changed bit: their count sorts above 0.
        sorted->setFilterKeyColumn(MessageTableModel::ChangedBits);
        sorted->setFilterRole(Qt::DisplayRole);
        sorted->setFilterRegularExpression(on ? QStringLiteral("^[1-9]") : QString());
    });

    const QSettings stored = settings();
    restoreGeometry(stored.value(QLatin1String(GeometryKey)).toByteArray());
    ui->splitterMain->restoreState(stored.value(QLatin1String(MainSplitterKey)).toByteArray());
    ui->splitterLists->restoreState(stored.value(QLatin1String(ListSplitterKey)).toByteArray());
    databaseEdited();
    // The database of the last session, loaded again.
    const QString lastFile = stored.value(QLatin1String(DbcPathKey)).toString();
    if (!lastFile.isEmpty())
        loadDbc(lastFile);
    nextSequence = capture->firstSequence();
}

SignalsWindow::~SignalsWindow()
{
    if (isVisible())
        saveLayout();
    delete ui;
}

bool SignalsWindow::loadDbc(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        setStatus(tr("无法打开 %1: %2. 仍使用之前的数据库.").arg(fileName, file.errorString()),
                  true);
        return false;
    }
    QString error;
    const QString absolute = QFileInfo(fileName).absoluteFilePath();
    if (!editor->load(file.readAll(), absolute, &error)) {
        setStatus(tr("无法加载 %1: %2. 仍使用之前的数据库.")
                          .arg(QFileInfo(fileName).fileName(), error),
                  true);
        return false;
    }
    // The plots hold signals of the old database: they go with it.
    ui->plot->removeAll();
    plotted.clear();
    databaseEdited();
    const DbcReadResult &result = editor->document().readResult();
    QString status = tr("已加载 %1 个报文").arg(currentDatabase().messages.size());
    if (result.skippedLines > 0)
        status += tr(", 跳过 %1 行: %2")
                          .arg(result.skippedLines)
                          .arg(result.skipped.join(QLatin1String("; ")));
    setStatus(status, result.skippedLines > 0);
    return true;
}

void SignalsWindow::unloadDbc()
{
    ui->plot->removeAll();
    plotted.clear();
    editor->unload();
    settings().remove(QLatin1String(DbcPathKey));
    databaseEdited();
    setStatus(QString(), false);
}

bool SignalsWindow::hasDatabase() const
{
    return !editor->fileName().isEmpty() || !editor->database().messages.empty();
}

const DbcDatabase &SignalsWindow::currentDatabase() const
{
    return editor->database();
}

// The database was loaded, changed or saved: what shows it follows.
void SignalsWindow::databaseEdited()
{
    const DbcDatabase &database = editor->database();
    // Plotted signals are found again by name: the database was read anew.
    for (size_t k = plotted.size(); k-- > 0;) {
        if (plotted[k].candidate)
            continue;
        const DbcMessage *message = database.find(quint32(plotted[k].key), plotted[k].key >> 32);
        const DbcSignal *signal = nullptr;
        for (const DbcSignal &candidate : message ? message->signalList : std::vector<DbcSignal>()) {
            if (candidate.name == ui->plot->series()[k].name)
                signal = &candidate;
        }
        if (signal) {
            plotted[k].message = message;
            plotted[k].signal = signal;
        } else {
            ui->plot->removeSeries(int(k));
            plotted.erase(plotted.begin() + qsizetype(k));
        }
    }
    model->setDatabase(&database);
    const QString file = editor->fileName();
    const bool changed = editor->document().isModified();
    if (!file.isEmpty())
        ui->labelDbcName->setText(QFileInfo(file).fileName() + (changed ? QStringLiteral(" *") : QString()));
    else
        ui->labelDbcName->setText(hasDatabase() ? tr("新数据库 (未保存)") : tr("未加载数据库"));
    ui->labelDbcName->setToolTip(file);
    ui->btnUnloadDbc->setEnabled(hasDatabase());
    ui->btnSaveDbc->setEnabled(changed);
    ui->btnSaveDbcAs->setEnabled(hasDatabase());
    ui->btnUndoDbc->setEnabled(editor->document().undoCount() > 0);
    if (!file.isEmpty())
        settings().setValue(QLatin1String(DbcPathKey), file);
    shownSignals.clear();
    showSignals();
    rebuildChecks();
    bitPanel->setMessage(haveSelection ? std::optional<quint64>(selectedKey) : std::nullopt,
                         selectedMessage());
    emit databaseChanged(database);
}

void SignalsWindow::makeSignal(quint64 key, const BitField &field)
{
    if (!editor->makeSignal(key, field, frameLengthOf(key)))
        return;
    // Decoded and plotted at once.
    const DbcMessage *message = currentDatabase().find(quint32(key), key >> 32);
    if (message && !message->signalList.empty()) {
        plotSignal(*message, message->signalList.back());
        shownSignals.clear();
        showSignals();
    }
}

// A candidate of the search, plotted as a signal of raw values.
void SignalsWindow::plotCandidate(quint64 key, const BitField &field)
{
    // One candidate at a time: the one clicked last.
    for (size_t k = plotted.size(); k-- > 0;) {
        if (plotted[k].candidate) {
            ui->plot->removeSeries(int(k));
            plotted.erase(plotted.begin() + qsizetype(k));
        }
    }
    candidates.clear();
    DbcMessage &message = candidates.emplace_back();
    message.identifier = quint32(key);
    message.extended = key >> 32;
    message.name = tr("候选");
    DbcSignal &signal = message.signalList.emplace_back();
    signal.name = QStringLiteral("0x%1 %2|%3@%4%5")
                          .arg(QString::number(message.identifier, 16).toUpper())
                          .arg(field.startBit)
                          .arg(field.length)
                          .arg(field.littleEndian ? 1 : 0)
                          .arg(QChar(field.isSigned ? u'-' : u'+'));
    signal.startBit = field.startBit;
    signal.length = field.length;
    signal.littleEndian = field.littleEndian;
    signal.isSigned = field.isSigned;
    plotSignal(message, signal);
    plotted.back().candidate = true;
}

QString SignalsWindow::currentSignalName() const
{
    const int row = ui->signalTable->currentRow();
    const QTableWidgetItem *item = row >= 0 ? ui->signalTable->item(row, SignalName) : nullptr;
    return item ? item->text() : QString();
}

int SignalsWindow::frameLengthOf(quint64 key) const
{
    const int row = statistics.rowOf(quint32(key), key >> 32);
    return row < 0 ? 8 : statistics.at(row).length;
}

const DbcMessage *SignalsWindow::selectedMessage() const
{
    return haveSelection ? currentDatabase().find(quint32(selectedKey), selectedKey >> 32) : nullptr;
}

void SignalsWindow::setIntegrityRules(const IntegrityRules &rules)
{
    if (rules == integrityRules)
        return; // the counts go on
    integrityRules = rules;
    rebuildChecks();
}

// Counts start again from nothing whenever what is checked changes.
void SignalsWindow::rebuildChecks()
{
    checks.clear();
    for (const DbcMessage &message : currentDatabase().messages) {
        const quint64 key = MessageStatistics::key(message.identifier, message.extended);
        const auto rule = integrityRules.constFind(key);
        const IntegrityCheck check =
                rule != integrityRules.constEnd()
                ? IntegrityCheck(&message, rule->counter, rule->checksum, rule->algorithm)
                : IntegrityCheck(&message, proposedCounter(message), QString(), ChecksumAlgorithm());
        if (check.checksCounter() || check.checksChecksum())
            checks.insert(key, check);
    }
    model->setIntegrityChecks(&checks);
}

void SignalsWindow::chooseDbc()
{
    if (!editor->settleUnsavedChanges())
        return;
    const QString start = editor->fileName().isEmpty() ? QDir::currentPath()
                                                        : QFileInfo(editor->fileName()).path();
    const QString fileName = QFileDialog::getOpenFileName(this, tr("加载DBC"), start,
                                                          tr("CAN 数据库 (*.dbc);;所有文件 (*)"));
    if (!fileName.isEmpty())
        loadDbc(fileName);
}

void SignalsWindow::setStatus(const QString &text, bool error)
{
    ui->labelDbcStatus->setText(text);
    ui->labelDbcStatus->setStyleSheet(error ? QStringLiteral("color: #b03000;") : QString());
    ui->labelDbcStatus->setVisible(!text.isEmpty());
}

void SignalsWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
    timer->start();
}

void SignalsWindow::hideEvent(QHideEvent *event)
{
    timer->stop();
    saveLayout();
    QWidget::hideEvent(event);
}

void SignalsWindow::saveLayout() const
{
    QSettings stored = settings();
    stored.setValue(QLatin1String(GeometryKey), saveGeometry());
    stored.setValue(QLatin1String(MainSplitterKey), ui->splitterMain->saveState());
    stored.setValue(QLatin1String(ListSplitterKey), ui->splitterLists->saveState());
}

void SignalsWindow::startOver()
{
    // A log opened from file, or the capture cleared: read again from the start.
    statistics.clear();
    rebuildChecks();
    model->reset();
    for (SignalSeries &series : ui->plot->series()) {
        series.times.clear();
        series.values.clear();
    }
    haveOrigin = false;
    nextSequence = capture->firstSequence();
    bitPanel->startOver();
    if (isVisible())
        refresh();
}

void SignalsWindow::refresh()
{
    // Records dropped from the capture before they were read are skipped.
    const quint64 from = std::max(nextSequence, capture->firstSequence());
    const quint64 to = capture->endSequence();
    readRecords(from, to);
    showErrorFrameCount();
    nextSequence = to;
    model->refresh();
    showSignals();
    ui->plot->redraw();
    bitPanel->setPlotSpan(originUs, ui->plot->spanStart(), ui->plot->spanEnd());
    bitPanel->refresh();
}

// Error frames a CAN interface reported are counted here, not in the list.
void SignalsWindow::showErrorFrameCount()
{
    const quint64 count = statistics.errorFrameCount();
    ui->labelErrorFrames->setVisible(count > 0);
    ui->labelErrorFrames->setText(tr("错误帧: %1").arg(count));
}

void SignalsWindow::readRecords(quint64 from, quint64 to)
{
    for (quint64 sequence = from; sequence < to; ++sequence) {
        const CaptureRecord &record = capture->at(sequence);
        if (!haveOrigin) {
            originUs = record.timestampUs;
            haveOrigin = true;
        }
        statistics.add(record);
        if (record.frame.error)
            continue;
        const quint64 key = MessageStatistics::key(record.frame.identifier, record.frame.extended);
        if (!checks.isEmpty() && !record.sent) {
            const auto check = checks.find(key);
            if (check != checks.end())
                check->check(record.frame, record.timestampUs);
        }
        if (plotted.empty())
            continue;
        const DbcMessage *message = nullptr;
        std::vector<DecodedSignal> decoded;
        for (size_t k = 0; k < plotted.size(); ++k) {
            if (plotted[k].key != key)
                continue;
            if (!message) {
                message = plotted[k].message;
                decoded = decodeMessage(*message, record.frame);
            }
            for (const DecodedSignal &value : decoded) {
                if (value.signal == plotted[k].signal && value.present) {
                    SignalSeries &series = ui->plot->series()[k];
                    series.times.push_back(double(record.timestampUs - originUs) / 1e6);
                    series.values.push_back(value.physical);
                }
            }
        }
    }
}

void SignalsWindow::selectionChanged()
{
    const QModelIndex current = sorted->mapToSource(ui->messageView->currentIndex());
    haveSelection = current.isValid();
    if (haveSelection) {
        const MessageStatistics::Entry &entry = statistics.at(current.row());
        selectedKey = MessageStatistics::key(entry.identifier, entry.extended);
    }
    shownSignals.clear();
    showSignals();
    bitPanel->setMessage(haveSelection ? std::optional<quint64>(selectedKey) : std::nullopt,
                         selectedMessage());
}

void SignalsWindow::showSignals()
{
    QTableWidget *table = ui->signalTable;
    const int row = haveSelection ? statistics.rowOf(quint32(selectedKey), selectedKey >> 32) : -1;
    const MessageStatistics::Entry *entry = row >= 0 ? &statistics.at(row) : nullptr;
    const DbcMessage *message =
            entry ? currentDatabase().find(entry->identifier, entry->extended) : nullptr;
    std::vector<DecodedSignal> decoded;
    if (message) {
        CanFrame frame;
        frame.identifier = entry->identifier;
        frame.extended = entry->extended;
        frame.length = quint8(entry->length);
        frame.fd = entry->fd;
        frame.data = entry->data;
        for (DecodedSignal &value : decodeMessage(*message, frame)) {
            if (value.present)
                decoded.push_back(value);
        }
    }

    if (!entry)
        ui->labelMessage->setText(tr("选择一个报文查看其信号"));
    else if (!message)
        ui->labelMessage->setText(hasDatabase() ? tr("数据库中没有这个标识符")
                                                : tr("未加载数据库"));
    else if (entry->length != message->length)
        ui->labelMessage->setText(tr("%1: 帧长 %2 字节, 与定义的 %3 字节不同; 只显示帧内完整的信号")
                                          .arg(message->name)
                                          .arg(entry->length)
                                          .arg(message->length));
    else
        ui->labelMessage->setText(message->comment.isEmpty()
                                          ? message->name
                                          : message->name + QLatin1String(": ") + message->comment);
    ui->labelMessage->setStyleSheet(message && entry->length != message->length
                                            ? QStringLiteral("background: #ffc878;")
                                            : QString());

    // The rows are built again only when other signals are present (a
    // multiplexor that moved, another message); otherwise their texts change.
    QStringList names;
    for (const DecodedSignal &value : decoded)
        names << value.signal->name;
    const QSignalBlocker blocker(table);
    const bool rebuilt = names != shownSignals;
    if (rebuilt) {
        shownSignals = names;
        table->setRowCount(int(decoded.size()));
        for (int r = 0; r < int(decoded.size()); ++r) {
            const DbcSignal &signal = *decoded[size_t(r)].signal;
            auto *name = new QTableWidgetItem(signal.name);
            name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            name->setCheckState(ui->plot->indexOf(message->name, signal.name) >= 0 ? Qt::Checked
                                                                                   : Qt::Unchecked);
            name->setToolTip(signal.comment);
            table->setItem(r, SignalName, name);
            for (int column = Raw; column <= ValueText; ++column) {
                auto *cell = new QTableWidgetItem;
                cell->setToolTip(signal.comment);
                if (column != ValueText)
                    cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                table->setItem(r, column, cell);
            }
        }
    }
    for (int r = 0; r < int(decoded.size()); ++r) {
        const DecodedSignal &value = decoded[size_t(r)];
        table->item(r, Raw)->setText(rawText(value));
        QString physical = QString::number(value.physical, 'g', 10);
        if (!value.signal->unit.isEmpty())
            physical += QLatin1Char(' ') + value.signal->unit;
        table->item(r, Physical)->setText(physical);
        table->item(r, ValueText)->setText(value.text);
    }
    // Sized to the first values of a message's signals, not on every refresh,
    // so the columns do not jump while the values move.
    if (rebuilt) {
        for (int column = SignalName; column < ValueText; ++column)
            table->resizeColumnToContents(column);
    }
}

void SignalsWindow::signalTicked(QTableWidgetItem *item)
{
    if (item->column() != SignalName || !haveSelection)
        return;
    const int row = statistics.rowOf(quint32(selectedKey), selectedKey >> 32);
    const DbcMessage *message = row >= 0
            ? currentDatabase().find(statistics.at(row).identifier, statistics.at(row).extended)
            : nullptr;
    if (!message)
        return;
    const int index = ui->plot->indexOf(message->name, item->text());
    if (item->checkState() == Qt::Checked && index < 0) {
        for (const DbcSignal &signal : message->signalList) {
            if (signal.name == item->text())
                plotSignal(*message, signal);
        }
    } else if (item->checkState() != Qt::Checked && index >= 0) {
        ui->plot->removeSeries(index);
        plotted.erase(plotted.begin() + index);
    }
}

void SignalsWindow::plotSignal(const DbcMessage &message, const DbcSignal &signal)
{
    SignalSeries series;
    series.message = message.name;
    series.name = signal.name;
    series.unit = signal.unit;
    series.steps = !signal.valueTexts.isEmpty();
    const quint64 key = MessageStatistics::key(message.identifier, message.extended);
    // What the capture already holds of the signal, from its first frame read.
    for (quint64 sequence = capture->firstSequence(); sequence < nextSequence; ++sequence) {
        const CaptureRecord &record = capture->at(sequence);
        if (MessageStatistics::key(record.frame.identifier, record.frame.extended) != key)
            continue;
        for (const DecodedSignal &value : decodeMessage(message, record.frame)) {
            if (value.signal == &signal && value.present) {
                series.times.push_back(double(record.timestampUs - originUs) / 1e6);
                series.values.push_back(value.physical);
            }
        }
    }
    plotted.push_back({ key, &message, &signal });
    ui->plot->addSeries(std::move(series));
}

void SignalsWindow::exportPng()
{
    const QString fileName = QFileDialog::getSaveFileName(this, tr("导出PNG"), QDir::currentPath(),
                                                          tr("PNG 图像 (*.png)"));
    if (fileName.isEmpty())
        return;
    if (ui->plot->grab().save(fileName, "PNG"))
        setStatus(tr("已导出 %1").arg(fileName), false);
    else
        setStatus(tr("无法写入 %1").arg(fileName), true);
}

void SignalsWindow::exportCsv()
{
    const QString fileName = QFileDialog::getSaveFileName(this, tr("导出CSV"), QDir::currentPath(),
                                                          tr("CSV 文件 (*.csv)"));
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(signalsCsv(ui->plot->series())) >= 0 && file.flush())
        setStatus(tr("已导出 %1").arg(fileName), false);
    else
        setStatus(tr("无法写入 %1").arg(fileName), true);
}
