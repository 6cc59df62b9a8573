#ifndef CANCONFIGPAGE_H
#define CANCONFIGPAGE_H

#include <QObject>

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
class QWidget;
QT_END_NAMESPACE

struct StoredCanConfig;
class CanBus;

// The converter's configuration: the bit-rate calculator, set-and-start (kept
// in cfg.txt for the next start), the bus-status query and the change of the
// converter's port baud rate. The framing and frame type reach the link as
// settings whenever they change. On a CAN interface the bit rate and the
// filter go to the device; what only the converter has is disabled.
class CanConfigPage : public QObject
{
    Q_OBJECT

public:
    CanConfigPage(Ui::MainWindow *ui, CanBus *bus, QWidget *dialogParent);

    // The port box names a CAN interface: the converter's own settings are disabled.
    void setInterfaceChosen(bool chosen);

signals:
    void statusMessage(const QString &text, int timeout = 0);

private:
    bool ensurePortOpen();
    void showBitRate(int bs1Index, int bs2Index, const QString &prescalerText);
    void showPresetTiming(int index);
    void showTimingMode(bool manual);
    void pushLinkSettings();
    void setAndStart();
    void applyToInterface();
    QString applyFdToInterface();
    void saveFdChoice() const;
    void loadFdChoice();
    void saveConfig();
    void loadConfig();
    void applyConfig(const StoredCanConfig &config);
    void setDefaultConfig();
    void queryBusStatus();
    void changeConverterBaudRate();

    Ui::MainWindow *ui;
    CanBus *bus;
    QWidget *dialogParent;
};

// The receive-ID filter: which identifiers the converter forwards, kept in receiveID.txt.
class ReceiveIdPage : public QObject
{
    Q_OBJECT

public:
    ReceiveIdPage(Ui::MainWindow *ui, CanBus *bus, QWidget *dialogParent);

    // The list lives in the converter: a CAN interface has none.
    void setInterfaceChosen(bool chosen);

signals:
    void statusMessage(const QString &text, int timeout = 0);

private:
    void sendFilter();
    void save();
    void load();

    Ui::MainWindow *ui;
    CanBus *bus;
    QWidget *dialogParent;
};

#endif // CANCONFIGPAGE_H
