#include "canbus.h"

#include "busname.h"
#include "canlink.h"
#include "interfacelink.h"

#include <QCanBus>

CanBus::CanBus(QObject *parent)
    : QObject(parent), converterLink(new CanLink(this)), interfaceLink(new InterfaceLink(this))
{
    for (BusDevice *device :
         { static_cast<BusDevice *>(converterLink), static_cast<BusDevice *>(interfaceLink) }) {
        connect(device, &BusDevice::framesReceived, this, &CanBus::framesReceived);
        connect(device, &BusDevice::deviceLost, this, &CanBus::deviceLost);
        connect(device, &BusDevice::aboutToClose, this, &CanBus::aboutToClose);
    }
    connect(interfaceLink, &InterfaceLink::problemReported, this, &CanBus::problemReported);
}

bool CanBus::isInterfaceName(const QString &name)
{
    return parseBusName(name, QCanBus::instance()->plugins()).has_value();
}

bool CanBus::open(const QString &name, int baudRate)
{
    close();
    const std::optional<BusName> busName = parseBusName(name, QCanBus::instance()->plugins());
    interfaceActive = busName.has_value();
    return busName ? interfaceLink->open(*busName) : converterLink->open(name, baudRate);
}

BusDevice *CanBus::active() const
{
    return interfaceActive ? static_cast<BusDevice *>(interfaceLink)
                           : static_cast<BusDevice *>(converterLink);
}

void CanBus::close()
{
    active()->close();
}

bool CanBus::isOpen() const
{
    return active()->isOpen();
}

bool CanBus::isConverterOpen() const
{
    return !interfaceActive && converterLink->isOpen();
}

bool CanBus::isInterfaceOpen() const
{
    return interfaceActive && interfaceLink->isOpen();
}

void CanBus::setSettings(const LinkSettings &settings)
{
    converterLink->setSettings(settings);
}

const LinkSettings &CanBus::settings() const
{
    return converterLink->settings();
}

bool CanBus::sendsFdFrames() const
{
    return isInterfaceOpen() && settings().canFd;
}

bool CanBus::sendFrame(const CanFrame &frame)
{
    return active()->sendFrame(frame);
}

bool CanBus::writeBacklogFull() const
{
    return active()->writeBacklogFull();
}

void CanBus::flush()
{
    active()->flush();
}
