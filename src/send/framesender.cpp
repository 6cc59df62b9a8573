#include "framesender.h"

#include "canbus.h"
#include "canlink.h"
#include "capturestore.h"
#include "trafficview.h"

FrameSender::FrameSender(CanBus *bus, CaptureStore *capture, TrafficView *view, QObject *parent)
    : QObject(parent), bus(bus), capture(capture), view(view)
{
}

bool FrameSender::ensurePortOpen(const QString &closedMessage)
{
    if (bus->isOpen())
        return true;
    emit statusMessage(closedMessage, 1000);
    return false;
}

bool FrameSender::sendTexts(const QString &idText, const QString &dataText)
{
    const HexBytes data = parseHexBytes(dataText);
    if (!data.fitsFrame()) {
        emit statusMessage(tr("数据长度不能超过8字节"));
        return false;
    }
    sendFrame(frameFromTexts(idText, data, bus->converter()->settings().extendedFrames), idText,
              dataText.trimmed());
    return true;
}

void FrameSender::sendFrame(const CanFrame &frame, const QString &idText, const QString &dataText)
{
    if (frame.error)
        return; // an error frame in a log is the bus's report, not a frame to send
    bus->sendFrame(frame);
    if (!view->showsSentFrames())
        return;
    const CaptureRecord record{ capture->stamp(wallClockUs()), frame, true };
    view->addSentRow(record, idText, dataText);
    capture->append(record);
}
