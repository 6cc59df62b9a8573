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
class CanLink;

// The converter's configuration: the bit-rate calculator, set-and-start (kept
// in cfg.txt for the next start), the bus-status query and the change of the
// converter's port baud rate. The framing and frame type reach the link as
// settings whenever they change.
class CanConfigPage : public QObject
{
    Q_OBJECT

public:
    CanConfigPage(Ui::MainWindow *ui, CanLink *link, QWidget *dialogParent);

signals:
    void statusMessage(const QString &text, int timeout = 0);

private:
    bool ensurePortOpen();
    void showBitRate(int bs1Index, int bs2Index, const QString &prescalerText);
    void showPresetTiming(int index);
    void showTimingMode(bool manual);
    void pushLinkSettings();
    void setAndStart();
    void saveConfig();
    void loadConfig();
    void applyConfig(const StoredCanConfig &config);
    void setDefaultConfig();
    void queryBusStatus();
    void changeConverterBaudRate();

    Ui::MainWindow *ui;
    CanLink *link;
    QWidget *dialogParent;
};

// The receive-ID filter: which identifiers the converter forwards, kept in receiveID.txt.
class ReceiveIdPage : public QObject
{
    Q_OBJECT

public:
    ReceiveIdPage(Ui::MainWindow *ui, CanLink *link, QWidget *dialogParent);

signals:
    void statusMessage(const QString &text, int timeout = 0);

private:
    void sendFilter();
    void save();
    void load();

    Ui::MainWindow *ui;
    CanLink *link;
    QWidget *dialogParent;
};

#endif // CANCONFIGPAGE_H
