// The receive path: the converter's bytes cut into frames, shown and answered.
#include "mainwindow.h"
#include "streamdecoder.h"
#include "tablecells.h"
#include "ui_mainwindow.h"

void MainWindow::rev_process()
{
    receiveBuffer.append(serialPort->readAll());
    qsizetype consumed = 0;
    ReceivedMessage message;
    receivingBatch = true;
    while (decodeNextMessage(receiveBuffer, consumed, message)) {
        if (message.kind == ReceivedMessage::BusStatusReply) {
            showMessage(busStatusText(message.status));
            continue;
        }
        // A frame that finds no row in a full statistics view is consumed
        // unanswered, and the rest of the batch is parsed on: nothing is ever
        // shown or answered twice.
        if (!paused && !addReceivedRow(message.frame, message.frameTypeKnown))
            continue;
        answerReceivedFrame(message.frame.identifier);
    }
    receivingBatch = false;
    receiveBuffer.remove(0, consumed);
    showNewestRow();
}

void MainWindow::answerReceivedFrame(quint32 identifier)
{
    if (!ui->checkBoxReplyAuto->isChecked())
        return;
    // The row count is read afresh each time: a reply may not change it, but
    // nothing here depends on that.
    for (int row = 0; row < ui->tableWidget_4->rowCount(); ++row) {
        if (parseHexId(cellText(ui->tableWidget_4, row, 0)) == identifier)
            sendAutoReply(row);
    }
}
