#ifndef BUSNAME_H
#define BUSNAME_H

#include <QString>
#include <QStringList>

#include <optional>

// A CAN interface as the port box names it: "socketcan:can0", "peakcan:usb0",
// "virtualcan:tcp://127.0.0.1:45123/can0".
struct BusName
{
    QString plugin;
    QString interfaceName;

    QString text() const { return plugin + QLatin1Char(':') + interfaceName; }
};

// The interface a text names, when it is "plugin:interface" with a plugin of
// `plugins`; nothing for a serial port's name.
std::optional<BusName> parseBusName(const QString &text, const QStringList &plugins);

// Plugins that list interfaces whether or not anything is attached (Qt's
// virtual bus; tinycan lists can0.0 without a device): left out of the list,
// still opened when typed.
bool listsWithoutHardware(const QString &plugin);

// The interfaces the installed plugins find, as names for the port box.
QStringList availableBusNames();

// What brings a SocketCAN interface up at `bitRate`, for the user to run;
// with a `dataBitRate`, in CAN FD mode.
QString linkUpCommand(const QString &interfaceName, int bitRate, int dataBitRate = 0);

#endif // BUSNAME_H
