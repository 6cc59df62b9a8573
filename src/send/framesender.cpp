#include "framesender.h"

#include "canlink.h"
#include "capturestore.h"
#include "trafficview.h"

FrameSender::FrameSender(CanLink *link, CaptureStore *capture, TrafficView *view, QObject *parent)
    : QObject(parent), link(link), capture(capture), view(view)
{
}

bool FrameSender::ensurePortOpen(const QString &closedMessage)
{
    if (link->isOpen())
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
    sendFrame(frameFromTexts(idText, data, link->settings().extendedFrames), idText,
              dataText.trimmed());
    return true;
}

void FrameSender::sendFrame(const CanFrame &frame, const QString &idText, const QString &dataText)
{
    link->sendFrame(frame);
    if (!view->showsSentFrames())
        return;
    const CaptureRecord record{ capture->stamp(wallClockUs()), frame, true };
    view->addSentRow(record, idText, dataText);
    capture->append(record);
}
