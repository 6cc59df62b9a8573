// The one path the three senders share: row texts to a frame, on the wire, in the view.
#include "mainwindow.h"
#include "ui_mainwindow.h"

bool MainWindow::sendRowFrame(const QString &idText, const QString &dataText)
{
    const HexBytes data = parseHexBytes(dataText);
    if (!data.fitsFrame()) {
        showMessage(tr("数据长度不能超过8字节"));
        return false;
    }
    const bool extended = ui->cbBoxType->currentIndex() == 1;
    writeCanFrame(frameFromTexts(idText, data, extended));
    if (!paused && !onlyReceived)
        addSentRow(cellWords[extended ? CellWord::ExtendedFrame : CellWord::StandardFrame], idText,
                   data.tokenCount, dataText.trimmed());
    return true;
}
