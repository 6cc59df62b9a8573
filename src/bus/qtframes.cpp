#include "qtframes.h"

#include <algorithm>

CanFrame canFrameFromQt(const QCanBusFrame &qtFrame)
{
    CanFrame frame;
    frame.identifier = qtFrame.frameId();
    frame.extended = qtFrame.hasExtendedFrameFormat();
    frame.remote = qtFrame.frameType() == QCanBusFrame::RemoteRequestFrame;
    frame.error = qtFrame.frameType() == QCanBusFrame::ErrorFrame;
    if (frame.error) {
        frame.identifier = quint32(qtFrame.error()) & ~ErrorClass::Flag;
        frame.extended = true;
    }
    frame.fd = qtFrame.hasFlexibleDataRateFormat() && !frame.remote && !frame.error;
    frame.bitRateSwitch = frame.fd && qtFrame.hasBitrateSwitch();
    frame.errorStateIndicator = frame.fd && qtFrame.hasErrorStateIndicator();
    // A remote frame's payload is as long as the data it asks for, and carries
    // none. An FD payload of a length FD has not is padded with zeros to the
    // next it has, as the kernel pads it.
    const QByteArray payload = qtFrame.payload();
    const int count = int(std::min<qsizetype>(payload.size(), frame.maxLength()));
    frame.length = quint8(frame.fd ? fdLengthFor(count) : count);
    if (!frame.remote)
        std::copy_n(payload.constData(), count, frame.data.begin());
    return frame;
}

QCanBusFrame qtFrameFromCan(const CanFrame &frame)
{
    if (frame.error)
        return QCanBusFrame(QCanBusFrame::InvalidFrame);
    QCanBusFrame qtFrame(frame.identifier,
                         frame.remote ? QByteArray(frame.length, '\0')
                                      : QByteArray(reinterpret_cast<const char *>(frame.data.data()),
                                                   frame.length));
    qtFrame.setExtendedFrameFormat(frame.extended);
    if (frame.remote)
        qtFrame.setFrameType(QCanBusFrame::RemoteRequestFrame);
    if (frame.fd) {
        qtFrame.setFlexibleDataRateFormat(true);
        qtFrame.setBitrateSwitch(frame.bitRateSwitch);
        qtFrame.setErrorStateIndicator(frame.errorStateIndicator);
    }
    return qtFrame;
}

// Some devices count from their own start, not from the epoch: a time more
// than a minute away from the receive time is not on the system clock.
qint64 frameTimeUs(const QCanBusFrame &frame, qint64 receivedUs)
{
    constexpr qint64 PlausibleUs = 60'000'000;
    const QCanBusFrame::TimeStamp stamp = frame.timeStamp();
    const qint64 frameUs = stamp.seconds() * 1'000'000 + stamp.microSeconds();
    if (frameUs <= 0 || frameUs > receivedUs + PlausibleUs || frameUs < receivedUs - PlausibleUs)
        return receivedUs;
    return frameUs;
}

