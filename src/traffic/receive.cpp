// The receive path: the converter's bytes cut into frames, shown and answered.
#include "capturestore.h"
#include "mainwindow.h"
#include "streamdecoder.h"
#include "tablecells.h"
#include "ui_mainwindow.h"

void MainWindow::rev_process()
{
    receiveBuffer.append(serialPort->readAll());
    const qint64 readUs = wallClockUs();
    const int baudRate = serialPort->baudRate();
    qsizetype consumed = 0;
    ReceivedMessage message;
    receivingBatch = true;
    while (decodeNextMessage(receiveBuffer, consumed, message)) {
        if (message.kind == ReceivedMessage::BusStatusReply) {
            showMessage(busStatusText(message.status));
            continue;
        }
        if (!paused) {
            // The frames of one read left the line one after another: each is
            // stamped with the read's time less the bytes that followed it.
            const CaptureRecord record{ capture->stamp(lineTimeBefore(
                                                readUs, receiveBuffer.size() - consumed, baudRate)),
                                        message.frame, false };
            // A frame that finds no row in a full statistics view is consumed
            // unanswered, and the rest of the batch is parsed on: nothing is
            // ever shown or answered twice.
            if (!addReceivedRow(record, message.frameTypeKnown))
                continue;
            capture->append(record);
        }
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
