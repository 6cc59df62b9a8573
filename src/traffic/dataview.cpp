// The data view: a ring of rows of sent and received frames, or one row per
// identifier in statistics mode.
#include "capturestore.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"
#include "viewrow.h"

#include <algorithm>
#include <vector>

namespace {
constexpr int MaxRowLimit = 100000;
const char *const OrdinaryStyle = "selection-background-color:rgb(0,167,242)";
const char *const StatisticsStyle = "selection-background-color:rgb(255,255,255)";
} // namespace

void MainWindow::writeViewCells(int row, const QString (&cells)[8], bool skipFrameTypeCell)
{
    for (int column = 0; column < 8; ++column) {
        if (skipFrameTypeCell && column == 4)
            continue;
        ui->tableWidget->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
}

// The newest row is highlighted when the batch of rows it belongs to is done:
// selecting (and re-polishing for a style sheet) per row would cap the view far
// below what the converter delivers.
void MainWindow::markNewestRow(int row, bool statistics)
{
    newestRow = row;
    newestRowIsStatistics = statistics;
    if (!receivingBatch)
        showNewestRow();
}

void MainWindow::showNewestRow()
{
    if (newestRow < 0)
        return;
    const int style = newestRowIsStatistics ? 1 : 0;
    if (style != appliedViewStyle) {
        ui->tableWidget->setStyleSheet(QLatin1String(style ? StatisticsStyle : OrdinaryStyle));
        appliedViewStyle = style;
    }
    ui->tableWidget->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->tableWidget->selectRow(newestRow);
    newestRow = -1;
}

bool MainWindow::addReceivedRow(const CaptureRecord &record, bool frameTypeKnown)
{
    const CanFrame &frame = record.frame;
    const QString idText = identifierText(frame.identifier);
    int row = viewRow;
    if (overlayDisplay) {
        if (overlayIdList.isEmpty()) {
            overlayIdList.append(idText);
            overlayRowOf.insert(frame.identifier, 0);
        }
        auto found = overlayRowOf.constFind(frame.identifier);
        if (found == overlayRowOf.constEnd()) {
            overlayIdList.append(idText);
            overlayRowOf.insert(frame.identifier, int(overlayIdList.size()) - 1);
            if (overlayIdList.size() >= totalRows) {
                showMessage(tr("Display area can display the number of rows is too little"));
                return false;
            }
            found = overlayRowOf.constFind(frame.identifier);
        }
        row = *found;
        if (row >= ui->tableWidget->rowCount())
            return true; // admitted, but the lowered row limit leaves it no row
    }

    const QString cells[8] = {
        QString::number(row),
        cellWords[CellWord::Received],
        viewTimeText(record.timestampUs),
        cellWords[frame.remote ? CellWord::RemoteFrame : CellWord::DataFrame],
        cellWords[frame.extended ? CellWord::ExtendedFrame : CellWord::StandardFrame],
        idText,
        QString::number(frame.length),
        receivedDataText(frame),
    };
    if (!overlayDisplay)
        saveRowAboutToBeOverwritten();
    writeViewCells(row, cells, !frameTypeKnown);
    markNewestRow(row, overlayDisplay);
    if (!overlayDisplay)
        advanceViewRow();
    return true;
}

void MainWindow::addSentRow(const CaptureRecord &record, const QString &idText,
                            const QString &dataText)
{
    const CanFrame &frame = record.frame;
    const int row = viewRow;
    const QString cells[8] = {
        QString::number(row),
        cellWords[CellWord::Sent],
        viewTimeText(record.timestampUs),
        cellWords[frame.remote ? CellWord::RemoteFrame : CellWord::DataFrame],
        cellWords[frame.extended ? CellWord::ExtendedFrame : CellWord::StandardFrame],
        idText,
        QString::number(frame.length),
        dataText,
    };
    saveRowAboutToBeOverwritten();
    writeViewCells(row, cells, false);
    markNewestRow(row, false);
    advanceViewRow();
}

// Auto-save has not appended the row at the cursor yet when a whole table of
// rows is pending: append them before it is overwritten. If the file cannot
// be written they are given up (the failure is on the status bar), so a
// broken disk costs one attempt per pass, not one per row.
void MainWindow::saveRowAboutToBeOverwritten()
{
    if (autoSavePending < totalRows)
        return;
    appendPendingRows();
    if (autoSavePending >= totalRows) {
        autoSavePending = 0;
        autoSavedRow = viewRow;
    }
}

void MainWindow::advanceViewRow()
{
    viewRow = (viewRow + 1) % totalRows;
    if (autoSaving)
        ++autoSavePending;
}

// Every way of erasing the view comes here, so auto-save first appends the
// rows it has not written yet, and starts a new file once rows come again from
// the top.
void MainWindow::clearView()
{
    if (autoSaving) {
        appendPendingRows();
        autoSavePending = 0;
        if (autoSavedRow != 0)
            autoSaveNewFileDue = true;
        autoSavedRow = 0;
    }
    ui->tableWidget->clearContents();
    viewRow = 0;
    newestRow = -1;
}

// A log opened from file takes the view's place as if its frames had just
// arrived: the ring keeps the last rows, statistics mode one row per identifier.
// Only the rows that stay visible are written.
void MainWindow::showCaptureInView()
{
    clearView();
    overlayIdList.clear();
    overlayRowOf.clear();
    std::vector<const CaptureRecord *> shown;
    shown.reserve(size_t(std::min<qsizetype>(capture->size(), totalRows)));
    if (overlayDisplay) {
        QHash<quint32, qsizetype> slotOf; // statistics rows in order of first appearance
        for (quint64 s = capture->firstSequence(); s < capture->endSequence(); ++s) {
            const CaptureRecord &record = capture->at(s);
            if (record.sent)
                continue;
            const auto found = slotOf.constFind(record.frame.identifier);
            if (found != slotOf.constEnd()) {
                shown[size_t(*found)] = &record;
            } else {
                slotOf.insert(record.frame.identifier, qsizetype(shown.size()));
                shown.push_back(&record);
            }
        }
    } else {
        qsizetype count = 0;
        quint64 s = capture->endSequence();
        while (s > capture->firstSequence() && count < totalRows) {
            const CaptureRecord &record = capture->at(--s);
            if (!(record.sent && onlyReceived)) {
                shown.push_back(&record);
                ++count;
            }
        }
        std::reverse(shown.begin(), shown.end());
        qsizetype total = 0; // every row the log would have written from the top
        for (s = capture->firstSequence(); s < capture->endSequence(); ++s)
            total += capture->at(s).sent && onlyReceived ? 0 : 1;
        viewRow = int((total - count) % totalRows);
        if (autoSaving)
            autoSavedRow = viewRow;
    }
    receivingBatch = true;
    for (const CaptureRecord *record : shown) {
        if (!record->sent)
            addReceivedRow(*record);
        else
            addSentRow(*record, identifierText(record->frame.identifier),
                       receivedDataText(record->frame).trimmed());
    }
    receivingBatch = false;
    showNewestRow();
}

void MainWindow::on_lineEditTotal_textChanged(const QString &arg1)
{
    if (arg1.isEmpty()) {
        ui->lineEditTotal->setText(QString::number(totalRows));
        return;
    }
    bool ok = false;
    const int rows = arg1.toInt(&ok, 10);
    if (!ok || rows < 1)
        return;
    if (rows > MaxRowLimit) {
        showMessage(tr("总行数不能超过100000"));
        return;
    }
    clearView(); // under the old limit: auto-save appends what it still owes
    totalRows = rows;
    ui->tableWidget->setRowCount(totalRows);
}

void MainWindow::on_btnViewClear_clicked()
{
    clearView();
    capture->clearByUser();
}

void MainWindow::on_checkBoxPause_clicked(bool checked)
{
    paused = checked;
}

void MainWindow::on_checkBoxOnlyRev_clicked(bool checked)
{
    onlyReceived = checked;
    ui->checkBoxOverlayDisplay->setEnabled(checked);
    if (checked)
        return;
    if (!overlayIdList.isEmpty()) {
        clearView();
        overlayIdList.clear();
        overlayRowOf.clear();
    }
    overlayDisplay = false;
    ui->checkBoxOverlayDisplay->setChecked(false);
}

void MainWindow::on_checkBoxOverlayDisplay_clicked(bool checked)
{
    clearView();
    overlayIdList.clear();
    overlayRowOf.clear();
    overlayDisplay = checked;
}
