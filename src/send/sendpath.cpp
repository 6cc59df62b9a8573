// The one path the three senders share: row texts to a frame, on the wire, in the view.
#include "capturestore.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

bool MainWindow::sendRowFrame(const QString &idText, const QString &dataText)
{
    const HexBytes data = parseHexBytes(dataText);
    if (!data.fitsFrame()) {
        showMessage(tr("数据长度不能超过8字节"));
        return false;
    }
    sendFrame(frameFromTexts(idText, data, ui->cbBoxType->currentIndex() == 1), idText,
              dataText.trimmed());
    return true;
}

// Every sender's frame goes out here, and is shown and captured as a sent row
// with the texts it was sent from.
void MainWindow::sendFrame(const CanFrame &frame, const QString &idText, const QString &dataText)
{
    writeCanFrame(frame);
    if (paused || onlyReceived)
        return;
    const CaptureRecord record{ capture->stamp(wallClockUs()), frame, true };
    addSentRow(record, idText, dataText);
    capture->append(record);
}
