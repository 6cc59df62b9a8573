#include "framesender.h"

#include "canbus.h"
#include "capturestore.h"
#include "linksettings.h"
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
    if (!data.fitsClassicFrame() && !bus->sendsFdFrames()) {
        // The converter carries classic frames only; an interface, once CAN FD is on.
        emit statusMessage(bus->isInterfaceOpen()
                                   ? tr("数据长度超过8字节：请在基本配置页勾选CAN FD")
                                   : tr("数据长度不能超过8字节"));
        return false;
    }
    if (!data.fitsFdFrame()) {
        emit statusMessage(tr("数据长度不能超过64字节"));
        return false;
    }
    const LinkSettings &settings = bus->settings();
    return sendFrame(frameFromTexts(idText, data, settings.extendedFrames, settings.bitRateSwitch),
                     idText, dataText.trimmed());
}

bool FrameSender::sendFrame(const CanFrame &frame, const QString &idText, const QString &dataText)
{
    if (frame.error)
        return false; // an error frame in a log is the bus's report, not a frame to send
    if (frame.fd && !bus->sendsFdFrames()) {
        emit statusMessage(bus->isInterfaceOpen() ? tr("CAN FD未启用，此帧未发送")
                                                  : tr("转换器只能发送经典CAN帧，CAN FD帧未发送"));
        return false;
    }
    if (!bus->sendFrame(frame))
        return false; // what the device refused was not on the bus: no sent row
    recordSent(frame, idText, dataText);
    return true;
}

void FrameSender::recordSent(const CanFrame &frame, const QString &idText, const QString &dataText)
{
    if (!view->showsSentFrames())
        return;
    const CaptureRecord record{ capture->stamp(wallClockUs()), frame, true };
    view->addSentRow(record, idText, dataText);
    capture->append(record);
}
