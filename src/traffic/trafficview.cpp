#include "trafficview.h"
#include "errorframe.h"
#include "ui_mainwindow.h"

#include "capturestore.h"
#include "columnfit.h"
#include "listfile.h"
#include "logformats.h"
#include "logfiles.h"
#include "logline.h"
#include "texttableautosave.h"
#include "viewrow.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace {
constexpr int MaxRowLimit = 100000;
constexpr int FrameIdColumn = 5; // a row is filled when this cell has an item
const char *const OrdinaryStyle = "selection-background-color:rgb(0,167,242)";
const char *const StatisticsStyle = "selection-background-color:rgb(255,255,255)";
// Statistics mode's row of a frame: its identifier's; error frames have a
// row of their own per error class.
quint32 statisticsKey(const CanFrame &frame)
{
    return frame.error ? frame.identifier | ErrorClass::Flag : frame.identifier;
}

// The widest frame-type cell, for the column's width.
CanFrame fdSample()
{
    CanFrame frame;
    frame.extended = frame.fd = frame.bitRateSwitch = frame.errorStateIndicator = true;
    return frame;
}
} // namespace

TrafficView::TrafficView(Ui::MainWindow *ui, CaptureStore *capture, const CellWords &cellWords,
                         QObject *parent)
    : QObject(parent),
      ui(ui),
      capture(capture),
      cellWords(cellWords),
      autoSave(new TextTableAutoSave(
              [this] { return headerLogLine(); },
              [this](int first, int count) { return logLines(first, count); }, this))
{
    for (int blanks = 20; blanks >= 1; --blanks)
        padBlanks.append(QString(blanks, QLatin1Char(' ')));
    connect(autoSave, &TextTableAutoSave::statusMessage, this, &TrafficView::statusMessage);

    ui->checkBoxOverlayDisplay->setChecked(false);
    ui->checkBoxOverlayDisplay->setEnabled(false);
    QTableWidget *table = ui->tableWidget;
    const int widths[] = { 30, 60, 80, 100, 120, 80, 100, 160 };
    for (int column = 0; column < 8; ++column)
        table->setColumnWidth(column, widths[column]);
    table->verticalHeader()->hide();
    table->setHorizontalHeaderLabels({ tr("序号"), tr("传输方向"), tr("时间标识"), tr("帧格式"),
                                       tr("帧类型"), tr("帧ID"), tr("数据长度"),
                                       tr("数据(16进制)") });
    // Each column at least as wide as the widest text of its kind in the font in use.
    fitColumnsToTexts(table,
                      { numberSamples(5),
                        { cellWords[CellWord::Received], cellWords[CellWord::Sent] },
                        viewTimeSamples(),
                        { cellWords[CellWord::DataFrame], cellWords[CellWord::RemoteFrame] },
                        { cellWords[CellWord::StandardFrame], cellWords[CellWord::ExtendedFrame],
                          frameTypeText(cellWords, fdSample()) },
                        identifierSamples(),
                        numberSamples(1),
                        dataSamples() });

    connect(ui->lineEditTotal, &QLineEdit::textChanged, this, &TrafficView::setRowLimitText);
    connect(ui->btnViewClear, &QPushButton::clicked, this, [this] {
        clear();
        this->capture->clearByUser();
    });
    connect(ui->checkBoxPause, &QCheckBox::clicked, this,
            [this](bool checked) { pausedView = checked; });
    connect(ui->checkBoxOnlyRev, &QCheckBox::clicked, this, &TrafficView::setOnlyReceived);
    connect(ui->checkBoxOverlayDisplay, &QCheckBox::clicked, this, &TrafficView::setStatisticsMode);
    connect(ui->btnViewSave, &QPushButton::clicked, this, &TrafficView::save);
}

bool TrafficView::startTextAutoSave()
{
    return autoSave->start(cursorRow, rowLimit);
}

void TrafficView::writeRow(int row, const CaptureRecord &record, const QString &idText,
                           const QString &dataText, bool skipFrameTypeCell)
{
    const CanFrame &frame = record.frame;
    const QString cells[8] = {
        QString::number(row),
        cellWords[record.sent ? CellWord::Sent : CellWord::Received],
        viewTimeText(record.timestampUs),
        frame.error ? errorFrameText(frame)
                    : cellWords[frame.remote ? CellWord::RemoteFrame : CellWord::DataFrame],
        frameTypeText(cellWords, frame),
        idText,
        QString::number(frame.length),
        dataText,
    };
    for (int column = 0; column < 8; ++column) {
        if (skipFrameTypeCell && column == 4)
            continue;
        ui->tableWidget->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
}

// The newest row is highlighted when the batch of rows it belongs to is done:
// selecting (and re-polishing for a style sheet) per row would cap the view far
// below what the converter delivers.
void TrafficView::markNewestRow(int row, bool statistics)
{
    newestRow = row;
    newestRowIsStatistics = statistics;
    if (!receivingBatch)
        showNewestRow();
}

void TrafficView::endBatch()
{
    receivingBatch = false;
    showNewestRow();
}

void TrafficView::showNewestRow()
{
    if (newestRow < 0)
        return;
    const int style = newestRowIsStatistics ? 1 : 0;
    if (style != appliedStyle) {
        ui->tableWidget->setStyleSheet(QLatin1String(style ? StatisticsStyle : OrdinaryStyle));
        appliedStyle = style;
    }
    ui->tableWidget->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->tableWidget->selectRow(newestRow);
    newestRow = -1;
}

bool TrafficView::addReceivedRow(const CaptureRecord &record, bool frameTypeKnown)
{
    const CanFrame &frame = record.frame;
    const QString idText = identifierText(frame.identifier);
    int row = cursorRow;
    if (statisticsMode) {
        const quint32 key = statisticsKey(frame);
        if (statisticsIds.isEmpty()) {
            statisticsIds.append(idText);
            statisticsRowOf.insert(key, 0);
        }
        auto found = statisticsRowOf.constFind(key);
        if (found == statisticsRowOf.constEnd()) {
            statisticsIds.append(idText);
            statisticsRowOf.insert(key, int(statisticsIds.size()) - 1);
            if (statisticsIds.size() >= rowLimit) {
                emit statusMessage(tr("Display area can display the number of rows is too little"));
                return false;
            }
            found = statisticsRowOf.constFind(key);
        }
        row = *found;
        if (row >= ui->tableWidget->rowCount())
            return true; // admitted, but the lowered row limit leaves it no row
    }

    if (!statisticsMode)
        autoSave->rowAboutToBeOverwritten(cursorRow);
    writeRow(row, record, idText, receivedDataText(frame), !frameTypeKnown);
    markNewestRow(row, statisticsMode);
    if (!statisticsMode)
        advanceRow();
    return true;
}

void TrafficView::addSentRow(const CaptureRecord &record, const QString &idText,
                             const QString &dataText)
{
    const int row = cursorRow;
    autoSave->rowAboutToBeOverwritten(cursorRow);
    writeRow(row, record, idText, dataText, false);
    markNewestRow(row, false);
    advanceRow();
}

void TrafficView::advanceRow()
{
    cursorRow = (cursorRow + 1) % rowLimit;
    autoSave->rowWritten();
}

// Every way of erasing the view comes here, so auto-save first appends the
// rows it has not written yet.
void TrafficView::clear()
{
    autoSave->viewAboutToClear();
    ui->tableWidget->clearContents();
    cursorRow = 0;
    newestRow = -1;
}

void TrafficView::clearStatistics()
{
    statisticsIds.clear();
    statisticsRowOf.clear();
}

// Only the rows that stay visible are written.
void TrafficView::showCapture()
{
    clear();
    clearStatistics();
    std::vector<quint64> shown; // sequence numbers
    shown.reserve(size_t(std::min<qsizetype>(capture->size(), rowLimit)));
    if (statisticsMode) {
        QHash<quint32, qsizetype> slotOf; // statistics rows in order of first appearance
        for (quint64 s = capture->firstSequence(); s < capture->endSequence(); ++s) {
            const CaptureRecord record = capture->at(s);
            if (record.sent)
                continue;
            const quint32 key = statisticsKey(record.frame);
            const auto found = slotOf.constFind(key);
            if (found != slotOf.constEnd()) {
                shown[size_t(*found)] = s;
            } else {
                slotOf.insert(key, qsizetype(shown.size()));
                shown.push_back(s);
            }
        }
    } else {
        qsizetype count = 0;
        quint64 s = capture->endSequence();
        while (s > capture->firstSequence() && count < rowLimit) {
            if (!(capture->at(--s).sent && onlyReceived)) {
                shown.push_back(s);
                ++count;
            }
        }
        std::reverse(shown.begin(), shown.end());
        qsizetype total = 0; // every row the log would have written from the top
        for (s = capture->firstSequence(); s < capture->endSequence(); ++s)
            total += capture->at(s).sent && onlyReceived ? 0 : 1;
        cursorRow = int((total - count) % rowLimit);
        autoSave->viewRefilled(cursorRow);
    }
    beginBatch();
    for (const quint64 sequence : shown) {
        const CaptureRecord record = capture->at(sequence);
        if (!record.sent)
            addReceivedRow(record);
        else
            addSentRow(record, identifierText(record.frame.identifier),
                       receivedDataText(record.frame).trimmed());
    }
    endBatch();
}

void TrafficView::setRowLimitText(const QString &text)
{
    if (text.isEmpty()) {
        ui->lineEditTotal->setText(QString::number(rowLimit));
        return;
    }
    bool ok = false;
    const int rows = text.toInt(&ok, 10);
    if (!ok || rows < 1)
        return;
    if (rows > MaxRowLimit) {
        emit statusMessage(tr("总行数不能超过100000"));
        return;
    }
    clear(); // under the old limit: auto-save appends what it still owes
    rowLimit = rows;
    autoSave->setRowLimit(rows);
    ui->tableWidget->setRowCount(rowLimit);
}

void TrafficView::setOnlyReceived(bool checked)
{
    onlyReceived = checked;
    ui->checkBoxOverlayDisplay->setEnabled(checked);
    if (checked)
        return;
    if (!statisticsIds.isEmpty()) {
        clear();
        clearStatistics();
    }
    statisticsMode = false;
    ui->checkBoxOverlayDisplay->setChecked(false);
}

void TrafficView::setStatisticsMode(bool checked)
{
    clear(); // either way the rows of the other mode go
    clearStatistics();
    statisticsMode = checked;
}

QString TrafficView::headerLogLine() const
{
    QStringList titles;
    for (int column = 0; column < ui->tableWidget->columnCount(); ++column) {
        const QTableWidgetItem *header = ui->tableWidget->horizontalHeaderItem(column);
        titles << (header ? header->text() : QString());
    }
    return logLine(titles, padBlanks);
}

// A filled row whose frame-type cell was never written logs that cell empty.
QString TrafficView::rowLogLine(int row) const
{
    QStringList texts;
    for (int column = 0; column < ui->tableWidget->columnCount(); ++column) {
        const QTableWidgetItem *item = ui->tableWidget->item(row, column);
        texts << (item ? item->text() : QString());
    }
    return logLine(texts, padBlanks);
}

// The lines of `count` rows from `firstRow`, stopping at the first row not filled.
QString TrafficView::logLines(int firstRow, int count) const
{
    QString lines;
    for (int row = firstRow; row < firstRow + count && row < ui->tableWidget->rowCount(); ++row) {
        if (!ui->tableWidget->item(row, FrameIdColumn))
            break;
        lines += rowLogLine(row);
    }
    return lines;
}

// The text table is the view as it stands; the standard formats hold the
// capture. A typed extension chooses the format whatever file type is selected.
void TrafficView::save()
{
    const QStringList filters = { tr("文本表格 (*.txt)"), tr("candump 日志 (*.log)"),
                                  tr("Vector ASC (*.asc)"), tr("PCAP (*.pcap *.pcapng)") };
    QString selected = filters.constFirst();
    QString fileName = QFileDialog::getSaveFileName(ui->tableWidget->window(), tr("保存文件"),
                                                    QDir::currentPath(),
                                                    filters.join(QStringLiteral(";;")), &selected);
    if (fileName.isEmpty())
        return;
    const LogFormat selectedFormat = LogFormat(std::max<qsizetype>(0, filters.indexOf(selected)));
    const LogFormat format = logFormatForFileName(fileName, selectedFormat);
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += logFormatExtension(format);
    const bool saved = format == LogFormat::TextTable ? writeFileAtomically(
                               fileName, headerLogLine() + logLines(0, ui->tableWidget->rowCount()))
                                                      : saveCaptureLog(fileName, format, *capture);
    if (!saved)
        emit statusMessage(tr("保存失败: ") + fileName);
}
