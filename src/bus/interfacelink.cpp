#include "interfacelink.h"

#include "capturestore.h"
#include "qtframes.h"

#include <QAbstractSocket>
#include <QCanBus>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QVariant>

namespace {
// Qt's virtual bus connects over a local socket: this long at most.
constexpr int ConnectTimeoutMs = 3000;
// Frames handed to the device and not yet written, at most, while a sender
// goes as fast as the bus takes them.
constexpr qint64 WriteBacklogFrames = 64;
// Bytes of the virtual bus's socket parsed at a time: some 500 frames.
constexpr qint64 VirtualBusReadSlice = 16 * 1024;
// How often an open SocketCAN interface's link is looked at.
constexpr int LinkWatchMs = 500;
// A write the device refused (its queue full) holds back senders this long.
constexpr qint64 RefusedBackoffMs = 2;
// What may wait in the virtual bus's socket, at most, while a sender goes as
// fast as the bus takes frames.
constexpr qint64 VirtualBusBacklogBytes = 64 * 1024;
// The bit rate the advice to bring an interface up names.
constexpr int ExampleBitRate = 500000;

bool isSocketCan(const BusName &name)
{
    return name.plugin == QLatin1String("socketcan");
}
} // namespace

NetworkLinkState networkLinkState(const QString &interfaceName)
{
    if (interfaceName.contains(QLatin1Char('/')))
        return NetworkLinkState::Missing;
    QFile flags(QStringLiteral("/sys/class/net/%1/flags").arg(interfaceName));
    if (!flags.open(QIODevice::ReadOnly))
        return QFile::exists(QStringLiteral("/sys/class/net")) ? NetworkLinkState::Missing
                                                               : NetworkLinkState::Unknown;
    bool ok = false;
    const uint value = flags.readAll().trimmed().toUInt(&ok, 16);
    if (!ok)
        return NetworkLinkState::Unknown;
    return (value & 0x1) ? NetworkLinkState::Up : NetworkLinkState::Down; // IFF_UP
}

QString interfaceOpenProblemText(const BusName &name, const QString &deviceError,
                                 NetworkLinkState linkState)
{
    if (linkState == NetworkLinkState::Missing)
        return InterfaceLink::tr("没有CAN接口 %1：请检查适配器是否已插好，用 ip link show 查看已有的接口")
                .arg(name.interfaceName);
    if (linkState == NetworkLinkState::Down)
        return InterfaceLink::tr("CAN接口 %1 未启动，请先启动它：%2")
                .arg(name.interfaceName, linkUpCommand(name.interfaceName, ExampleBitRate));
    if (deviceError.isEmpty())
        return InterfaceLink::tr("无法打开CAN接口 %1").arg(name.text());
    return InterfaceLink::tr("无法打开CAN接口 %1：%2").arg(name.text(), deviceError);
}

InterfaceLink::InterfaceLink(QObject *parent) : BusDevice(parent)
{
    linkWatch.setInterval(LinkWatchMs);
    connect(&linkWatch, &QTimer::timeout, this, &InterfaceLink::checkLink);
}

InterfaceLink::~InterfaceLink()
{
    close();
}

bool InterfaceLink::open(const BusName &name)
{
    close();
    problem.clear();
    const NetworkLinkState linkState =
            isSocketCan(name) ? networkLinkState(name.interfaceName) : NetworkLinkState::Unknown;
    if (linkState == NetworkLinkState::Missing || linkState == NetworkLinkState::Down) {
        problem = interfaceOpenProblemText(name, QString(), linkState);
        return false;
    }
    QString error;
    device.reset(QCanBus::instance()->createDevice(name.plugin, name.interfaceName, &error));
    if (!device || device->error() != QCanBusDevice::NoError) {
        // Qt's virtual bus reports a channel it has not got here, then opens channel 0.
        problem = interfaceOpenProblemText(name, device ? device->errorString() : error,
                                           linkState);
        discardDevice();
        return false;
    }
    // FD frames are received whatever the page says: nothing on the bus is missed.
    device->setConfigurationParameter(QCanBusDevice::CanFdKey, QVariant(true));
    // Bus errors come as error frames, as candump -e shows them.
    device->setConfigurationParameter(
            QCanBusDevice::ErrorFilterKey,
            QVariant::fromValue(QCanBusFrame::FrameErrors(QCanBusFrame::AnyError)));
    connect(device.get(), &QCanBusDevice::framesReceived, this, &InterfaceLink::scheduleRead);
    if (!device->connectDevice()) {
        problem = interfaceOpenProblemText(name, device->errorString(), linkState);
        discardDevice();
        return false;
    }
    if (device->state() == QCanBusDevice::ConnectingState) {
        QEventLoop loop;
        QTimer::singleShot(ConnectTimeoutMs, &loop, &QEventLoop::quit);
        connect(device.get(), &QCanBusDevice::stateChanged, &loop,
                [&loop](QCanBusDevice::CanBusDeviceState state) {
                    if (state != QCanBusDevice::ConnectingState)
                        loop.quit();
                });
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (device->state() != QCanBusDevice::ConnectedState) {
        problem = interfaceOpenProblemText(name, device->errorString(), linkState);
        device->disconnectDevice();
        discardDevice();
        return false;
    }
    // Qt's virtual bus parses every line its socket holds in one go: read in
    // slices, a flood of it leaves the event loop free between them. Each
    // frame is a line of its own on the socket: written at once, not held
    // back until the bus acknowledges the last one (up to 40 ms), so frames
    // go out on their deadlines.
    for (QAbstractSocket *socket : device->findChildren<QAbstractSocket *>()) {
        socket->setReadBufferSize(VirtualBusReadSlice);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    }
    connect(device.get(), &QCanBusDevice::errorOccurred, this, &InterfaceLink::handleError);
    connect(device.get(), &QCanBusDevice::stateChanged, this, &InterfaceLink::handleState);
    openName = name;
    opened = true;
    refusedAt.invalidate();
    // SocketCAN says nothing when the adapter goes or its link goes down.
    if (isSocketCan(name))
        linkWatch.start();
    scheduleRead(); // what arrived while connecting
    return true;
}

QAbstractSocket *InterfaceLink::virtualBusSocket() const
{
    return device ? device->findChild<QAbstractSocket *>() : nullptr;
}

void InterfaceLink::checkLink()
{
    const NetworkLinkState state = networkLinkState(openName.interfaceName);
    if (opened && (state == NetworkLinkState::Missing || state == NetworkLinkState::Down))
        lose(state == NetworkLinkState::Missing ? tr("接口 %1 已不存在").arg(openName.interfaceName)
                                                : tr("接口 %1 已关闭").arg(openName.interfaceName));
}

// A plugin may still deliver a queued signal to the device: it goes when the
// event loop is next free. Qt's passthrucan leaves its worker thread running
// after a failed open, and deleting the device then ends the program: such a
// device is left alone, the price of one failed open.
void InterfaceLink::discardDevice()
{
    if (!device)
        return;
    QCanBusDevice *discarded = device.release();
    if (discarded->metaObject()->className() == QByteArray("PassThruCanBackend")
        && discarded->state() == QCanBusDevice::UnconnectedState)
        return;
    discarded->deleteLater();
}

bool InterfaceLink::isOpen() const
{
    return opened;
}

void InterfaceLink::close()
{
    if (!device)
        return;
    if (opened)
        emit aboutToClose();
    opened = false;
    linkWatch.stop();
    closing = true;
    device->disconnect(this);
    if (device->state() != QCanBusDevice::UnconnectedState)
        device->disconnectDevice();
    discardDevice();
    closing = false;
}

bool InterfaceLink::sendFrame(const CanFrame &frame)
{
    if (!opened || frame.error)
        return false;
    if (device->writeFrame(qtFrameFromCan(frame)))
        return true;
    refusedAt.start();
    emit problemReported(tr("CAN接口未发送此帧：%1").arg(device->errorString()));
    return false;
}

// Plugins write at once and queue nothing of their own: the virtual bus's
// socket holds what is on its way; a device whose queue is full refuses a
// write, and is given a moment before the next.
bool InterfaceLink::writeBacklogFull() const
{
    if (!opened)
        return false;
    if (refusedAt.isValid() && !refusedAt.hasExpired(RefusedBackoffMs))
        return true;
    if (const QAbstractSocket *socket = virtualBusSocket())
        return socket->bytesToWrite() >= VirtualBusBacklogBytes;
    return device->framesToWrite() >= WriteBacklogFrames;
}

// The virtual bus's socket writes what it holds when the event loop next
// runs; a sender waiting in place for its next frame's moment would hold the
// frames it sent until then, and they would reach the bus in a burst. (When
// this process carries the bus, its relay waits for the event loop anyway.)
void InterfaceLink::flush()
{
    if (QAbstractSocket *socket = opened ? virtualBusSocket() : nullptr)
        socket->flush();
}

QString InterfaceLink::applySetting(QCanBusDevice::ConfigurationKey key, const QVariant &value)
{
    if (!device)
        return tr("CAN接口未打开");
    QString refused;
    const QMetaObject::Connection watch = connect(
            device.get(), &QCanBusDevice::errorOccurred, this,
            [this, &refused](QCanBusDevice::CanBusError error) {
                if (error == QCanBusDevice::ConfigurationError)
                    refused = device->errorString();
            });
    device->setConfigurationParameter(key, value);
    disconnect(watch);
    if (!refused.isEmpty())
        return refused;
    // A plugin that has no such setting drops it without a word.
    if (!device->configurationParameter(key).isValid())
        return tr("此接口不支持该设置");
    return QString();
}

std::optional<int> InterfaceLink::bitRate() const
{
    const QVariant rate = device ? device->configurationParameter(QCanBusDevice::BitRateKey)
                                 : QVariant();
    return rate.isValid() && rate.toInt() > 0 ? std::optional<int>(rate.toInt()) : std::nullopt;
}

bool InterfaceLink::hasFilter() const
{
    return device && device->configurationParameter(QCanBusDevice::RawFilterKey).isValid();
}

QString InterfaceLink::applyBitRate(int bitRate)
{
    return applySetting(QCanBusDevice::BitRateKey, QVariant(bitRate));
}

QString InterfaceLink::applyDataBitRate(int bitRate)
{
    return applySetting(QCanBusDevice::DataBitRateKey, QVariant(bitRate));
}

bool InterfaceLink::fdCapable() const
{
    return device && device->deviceInfo().hasFlexibleDataRate();
}

QCanBusDevice::Filter interfaceFilter(quint32 filter, quint32 mask, bool extended)
{
    QCanBusDevice::Filter rule;
    rule.frameId = filter & (extended ? 0x1FFFFFFFu : 0x7FFu);
    rule.frameIdMask = mask & (extended ? 0x1FFFFFFFu : 0x7FFu);
    rule.type = QCanBusFrame::InvalidFrame; // data and remote frames alike
    rule.format = QCanBusDevice::Filter::MatchBaseAndExtendedFormat;
    return rule;
}

QString InterfaceLink::applyFilter(quint32 filter, quint32 mask, bool extended)
{
    return applySetting(QCanBusDevice::RawFilterKey,
                        QVariant::fromValue(QList<QCanBusDevice::Filter>{
                                interfaceFilter(filter, mask, extended) }));
}

QString InterfaceLink::busStatusText() const
{
    if (!device || !device->hasBusStatus())
        return QString();
    QString state;
    switch (device->busStatus()) {
    case QCanBusDevice::CanBusStatus::Good:
        state = tr("正常");
        break;
    case QCanBusDevice::CanBusStatus::Warning:
        state = tr("错误告警");
        break;
    case QCanBusDevice::CanBusStatus::Error:
        state = tr("错误被动");
        break;
    case QCanBusDevice::CanBusStatus::BusOff:
        state = tr("离线");
        break;
    default:
        state = tr("未知");
        break;
    }
    return tr("总线状态:%1").arg(state);
}

// Plugins announce frames one at a time (Qt's virtual bus does, for every
// line of its socket): what arrived by the time the event loop is free again
// is read as one batch, so the work after it is done per batch, not per frame.
void InterfaceLink::scheduleRead()
{
    if (readScheduled)
        return;
    readScheduled = true;
    QTimer::singleShot(0, this, &InterfaceLink::readFrames);
}

void InterfaceLink::readFrames()
{
    readScheduled = false;
    if (!opened)
        return;
    const qint64 receivedUs = wallClockUs();
    batch.clear();
    // Only SocketCAN's own timestamps are the time on the bus: the virtual
    // bus stamps a frame when it reads it, in whole milliseconds.
    const bool deviceTimes = isSocketCan(openName);
    for (const QCanBusFrame &frame : device->readAllFrames()) {
        if (frame.frameType() == QCanBusFrame::InvalidFrame)
            continue;
        batch.append({ canFrameFromQt(frame), true,
                       deviceTimes ? frameTimeUs(frame, receivedUs) : receivedUs });
    }
    if (!batch.isEmpty())
        emit framesReceived(batch);
}

void InterfaceLink::handleError(QCanBusDevice::CanBusError error)
{
    if (!device || closing)
        return;
    if (error == QCanBusDevice::ConnectionError) {
        lose(device->errorString());
        return;
    }
    if (error != QCanBusDevice::ReadError && error != QCanBusDevice::WriteError)
        return;
    if (isSocketCan(openName)) {
        checkLink(); // an unplugged adapter shows as failing reads and writes
        if (!opened)
            return;
    }
    emit problemReported(tr("CAN接口报告错误：%1").arg(device->errorString()));
}

void InterfaceLink::handleState(QCanBusDevice::CanBusDeviceState state)
{
    if (opened && !closing && state == QCanBusDevice::UnconnectedState)
        lose(device->errorString());
}

// Whatever the device delivered before it went away has been read by now:
// framesReceived is handled before the state change that follows it.
void InterfaceLink::lose(const QString &reason)
{
    readFrames();
    close();
    emit deviceLost(reason);
}
