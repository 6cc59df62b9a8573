#ifndef INTERFACELINK_H
#define INTERFACELINK_H

#include "busdevice.h"
#include "busname.h"

#include <QCanBusDevice>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>
#include <optional>

// A CAN interface through Qt's CAN bus plugins (SocketCAN, the virtual bus,
// ...): frames with the device's own timestamps, error frames included, and
// what the plugin lets the program configure.
QT_BEGIN_NAMESPACE
class QAbstractSocket;
QT_END_NAMESPACE

class InterfaceLink : public BusDevice
{
    Q_OBJECT

public:
    explicit InterfaceLink(QObject *parent = nullptr);
    ~InterfaceLink() override;

    // False with openProblem() saying why and what to do about it.
    bool open(const BusName &name);
    QString openProblem() const { return problem; }
    const BusName &name() const { return openName; }

    bool isOpen() const override;
    void close() override;
    bool sendFrame(const CanFrame &frame) override;
    bool writeBacklogFull() const override;
    void flush() override;

    // The bit rate the device reports, where it reports one.
    std::optional<int> bitRate() const;
    // A filter was set on the device.
    bool hasFilter() const;
    // Each gives an empty text when the device took the setting, else why not.
    QString applyBitRate(int bitRate);
    QString applyDataBitRate(int bitRate);
    // The interface carries CAN FD frames.
    bool fdCapable() const;
    QString applyFilter(quint32 filter, quint32 mask, bool extended);
    // The state the controller reports, in the UI language; empty when the
    // plugin reports none.
    QString busStatusText() const;

signals:
    // A write the device refused, or an error it reported while open.
    void problemReported(const QString &text);

private:
    QString applySetting(QCanBusDevice::ConfigurationKey key, const QVariant &value);
    void scheduleRead();
    void readFrames();
    void handleError(QCanBusDevice::CanBusError error);
    void handleState(QCanBusDevice::CanBusDeviceState state);
    void lose(const QString &reason);
    void discardDevice();
    void checkLink();
    QAbstractSocket *virtualBusSocket() const;

    std::unique_ptr<QCanBusDevice> device;
    BusName openName;
    QString problem;
    QVector<LinkFrame> batch; // reused from read to read
    bool opened = false; // connected, and not lost or closed since
    bool closing = false;
    QTimer linkWatch;
    QElapsedTimer refusedAt; // when the device last refused a write
    bool readScheduled = false;
};

// A SocketCAN interface's state as the system shows it.
enum class NetworkLinkState { Unknown, Missing, Down, Up };
NetworkLinkState networkLinkState(const QString &interfaceName);

// Why an interface did not open, with the fix where one is known; the
// plugin's own words otherwise.
QString interfaceOpenProblemText(const BusName &name, const QString &deviceError,
                                 NetworkLinkState linkState);

// The configuration page's filter and mask as the device's one filter rule:
// data and remote frames of either format whose identifier matches under the mask.
QCanBusDevice::Filter interfaceFilter(quint32 filter, quint32 mask, bool extended);

#endif // INTERFACELINK_H
