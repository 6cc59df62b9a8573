// Traffic logs: the data view saved by hand, or appended to dated files
// while auto-save is on.
#include "captureautosave.h"
#include "logfiles.h"
#include "logline.h"
#include "logmenu.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>

namespace {
constexpr int FrameIdColumn = 5; // a row is filled when this cell has an item
constexpr int AutoSaveIntervalMs = 1000;
} // namespace

QString MainWindow::viewHeaderLogLine() const
{
    QStringList titles;
    for (int column = 0; column < ui->tableWidget->columnCount(); ++column) {
        const QTableWidgetItem *header = ui->tableWidget->horizontalHeaderItem(column);
        titles << (header ? header->text() : QString());
    }
    return logLine(titles, padBlanks);
}

// A filled row whose frame-type cell was never written logs that cell empty.
QString MainWindow::viewRowLogLine(int row) const
{
    QStringList texts;
    for (int column = 0; column < ui->tableWidget->columnCount(); ++column) {
        const QTableWidgetItem *item = ui->tableWidget->item(row, column);
        texts << (item ? item->text() : QString());
    }
    return logLine(texts, padBlanks);
}

// The lines of `count` rows from `firstRow`, stopping at the first row not filled.
QString MainWindow::viewLogLines(int firstRow, int count) const
{
    QString lines;
    for (int row = firstRow; row < firstRow + count && row < ui->tableWidget->rowCount(); ++row) {
        if (!ui->tableWidget->item(row, FrameIdColumn))
            break;
        lines += viewRowLogLine(row);
    }
    return lines;
}

// The text table is the view as it stands; the standard formats hold the
// capture. A typed extension chooses the format whatever file type is selected.
void MainWindow::on_btnViewSave_clicked()
{
    const QStringList filters = { tr("文本表格 (*.txt)"), tr("candump 日志 (*.log)"),
                                  tr("Vector ASC (*.asc)"), tr("PCAP (*.pcap *.pcapng)") };
    QString selected = filters.constFirst();
    QString fileName = QFileDialog::getSaveFileName(this, tr("保存文件"), QDir::currentPath(),
                                                    filters.join(QStringLiteral(";;")), &selected);
    if (fileName.isEmpty())
        return;
    const LogFormat selectedFormat = LogFormat(std::max<qsizetype>(0, filters.indexOf(selected)));
    const LogFormat format = logFormatForFileName(fileName, selectedFormat);
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += logFormatExtension(format);
    if (format == LogFormat::TextTable) {
        saveTextFile(fileName, viewHeaderLogLine() + viewLogLines(0, ui->tableWidget->rowCount()));
        return;
    }
    if (!saveCaptureLog(fileName, format, *capture))
        showMessage(tr("保存失败: ") + fileName);
}

// Starts a new dated file holding the header line. Two files started within
// one millisecond would share a name; the later one takes the next free one.
bool MainWindow::startAutoSaveFile()
{
    QDateTime time = QDateTime::currentDateTime();
    QString name = autoSaveFileNameAt(time);
    while (name == autoSaveFileName || QFile::exists(name)) {
        time = time.addMSecs(1);
        name = autoSaveFileNameAt(time);
    }
    autoSaveFileName = name;
    QFile file(autoSaveFileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    return file.write(viewHeaderLogLine().toUtf8()) >= 0;
}

void MainWindow::on_checkBoxAutoSave_clicked(bool checked)
{
    if (!checked && captureAutoSave->isRunning()) {
        captureAutoSave->stop();
        return;
    }
    if (checked && logMenu->autoSaveFormat() != LogFormat::TextTable) {
        if (!captureAutoSave->start(logMenu->autoSaveFormat())) {
            ui->checkBoxAutoSave->setChecked(false);
            showMessage(tr("无法创建自动保存文件") + captureAutoSave->fileName());
        }
        return;
    }
    if (!checked) {
        timerAutoSave->stop();
        appendPendingRows(); // rows written while it was on are not left out
        autoSaving = false;
        return;
    }
    if (!startAutoSaveFile()) {
        ui->checkBoxAutoSave->setChecked(false);
        showMessage(tr("无法创建自动保存文件") + autoSaveFileName);
        return;
    }
    autoSavedRow = viewRow;
    QFile file(autoSaveFileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        file.write(viewLogLines(0, autoSavedRow).toUtf8());
    autoSaving = true;
    autoSavePending = 0;
    autoSaveNewFileDue = false;
    timerAutoSave->start(AutoSaveIntervalMs);
}

void MainWindow::timerAutoSaveProc()
{
    appendPendingRows();
}

// Appends the rows written since the last append, in the order they were
// written: the end of a pass over the table to the current file, the rest to
// a new one. Called once a second, and whenever pending rows are about to be
// overwritten or erased.
void MainWindow::appendPendingRows()
{
    for (;;) {
        if (autoSaveNewFileDue) {
            if (!startAutoSaveFile()) {
                showMessage(tr("无法创建自动保存文件") + autoSaveFileName);
                return;
            }
            autoSaveNewFileDue = false;
        }
        if (autoSavePending == 0)
            return;
        const int count = std::min(autoSavePending, totalRows - autoSavedRow);
        QFile file(autoSaveFileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)
            || file.write(viewLogLines(autoSavedRow, count).toUtf8()) < 0) {
            showMessage(tr("保存失败: ") + autoSaveFileName); // tried again next time
            return;
        }
        autoSavePending -= count;
        autoSavedRow += count;
        if (autoSavedRow >= totalRows) { // the pass is over: the next rows open a new file
            autoSavedRow = 0;
            autoSaveNewFileDue = true;
        }
    }
}
