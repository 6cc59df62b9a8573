#ifndef CANBUS_H
#define CANBUS_H

#include "busdevice.h"

#include <QObject>

class CanLink;
class InterfaceLink;
struct LinkSettings;

// The bus the rest of the program talks to: the converter on a serial port,
// or a CAN interface of Qt's plugins, whichever was opened last. Frames,
// sends, the write backlog and a lost device look the same for both.
class CanBus : public QObject
{
    Q_OBJECT

public:
    explicit CanBus(QObject *parent = nullptr);

    // "plugin:interface" with an installed plugin; anything else is a serial port.
    static bool isInterfaceName(const QString &name);

    // A serial port opens at `baudRate`. When it fails, the device that was
    // tried says why.
    bool open(const QString &name, int baudRate);
    void close();
    bool isOpen() const;
    bool isConverterOpen() const;
    bool isInterfaceOpen() const;

    // How frames are put on the wire, as the configuration page sets it.
    void setSettings(const LinkSettings &settings);
    const LinkSettings &settings() const;
    // Frames of more than 8 bytes can go out: an interface is open with CAN FD on.
    bool sendsFdFrames() const;

    // False when the device refused the frame.
    bool sendFrame(const CanFrame &frame);
    bool writeBacklogFull() const;
    void flush();

    // Which kind of device was opened last (a lost one included).
    bool interfaceChosen() const { return interfaceActive; }

    // The devices themselves, for what only one of them does.
    CanLink *converter() const { return converterLink; }
    InterfaceLink *canInterface() const { return interfaceLink; }

signals:
    void framesReceived(const QVector<LinkFrame> &frames);
    // Once, when the open device went away; it is closed. `reason` is empty
    // when the device gave none (the converter never does).
    void deviceLost(const QString &reason);
    void aboutToClose();
    // A send the device refused, or an error it reported while open.
    void problemReported(const QString &text);

private:
    BusDevice *active() const;

    CanLink *converterLink;
    InterfaceLink *interfaceLink;
    bool interfaceActive = false;
};

#endif // CANBUS_H
