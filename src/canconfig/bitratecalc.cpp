// The bit-rate calculator: preset rates set the timing, hand-set timing shows its rate.
#include "bitrate.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::showBitRate(int bs1Index, int bs2Index, const QString &prescalerText)
{
    const std::optional<int> prescaler = prescalerValue(prescalerText);
    if (!prescaler)
        return; // not a number: the last rate stays
    ui->lineEditCANBps->setText(
            bitRateText(ui->cbBoxSYNC->currentIndex(), bs1Index, bs2Index, *prescaler));
}

void MainWindow::on_cbBoxCANbps_currentIndexChanged(int index)
{
    if (index < 0 || index >= PresetCount)
        return;
    // Each change runs its own recompute slot, so the shown rate follows.
    const BitTiming timing = presetTiming(index);
    ui->cbBoxBP1->setCurrentIndex(timing.bs1Index);
    ui->cbBoxBP2->setCurrentIndex(timing.bs2Index);
    ui->lineEditPrescale->setText(QString::number(timing.prescaler));
}

void MainWindow::on_cbBoxBP1_currentIndexChanged(int index)
{
    showBitRate(index, ui->cbBoxBP2->currentIndex(), ui->lineEditPrescale->text());
}

void MainWindow::on_cbBoxBP2_currentIndexChanged(int index)
{
    showBitRate(ui->cbBoxBP1->currentIndex(), index, ui->lineEditPrescale->text());
}

void MainWindow::on_lineEditPrescale_textChanged(const QString &arg1)
{
    showBitRate(ui->cbBoxBP1->currentIndex(), ui->cbBoxBP2->currentIndex(), arg1);
}

void MainWindow::on_checkBoxManualBps_clicked(bool checked)
{
    showTimingMode(checked);
    if (!checked)
        on_cbBoxCANbps_currentIndexChanged(ui->cbBoxCANbps->currentIndex());
}

// Manual timing shows the computed rate and lets the timing be edited; a
// preset shows the preset list and locks the timing.
void MainWindow::showTimingMode(bool manual)
{
    ui->lineEditCANBps->setVisible(manual);
    ui->cbBoxCANbps->setVisible(!manual);
    ui->cbBoxBP1->setEnabled(manual);
    ui->cbBoxBP2->setEnabled(manual);
    ui->lineEditPrescale->setEnabled(manual);
}
