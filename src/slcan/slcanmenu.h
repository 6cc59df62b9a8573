#ifndef SLCANMENU_H
#define SLCANMENU_H

#include <QObject>

class CanBus;
class QAction;
class QMenuBar;
class SlcanBridge;
struct CanFrame;

// "工具" → "SLCAN 桥": the SLCAN bridge for the port the window has open, so
// that another tool watches and sends on the same converter. It is reached
// as linkPath(): ttyTALVIK-slcan in the user's own runtime folder, where no
// other user can put anything first. It stops when the port closes or is lost.
class SlcanMenu : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *LinkName = "ttyTALVIK-slcan";

    SlcanMenu(QMenuBar *menuBar, CanBus *bus, QObject *parent = nullptr);

    SlcanBridge *bridge() const { return slcanBridge; }
    QString linkPath() const { return link; }

signals:
    void statusMessage(const QString &text);
    // A frame the bridge's client put on the bus.
    void frameSent(const CanFrame &frame);

private:
    void switchBridge(bool on);

    CanBus *bus;
    SlcanBridge *slcanBridge;
    QAction *action;
    QString link;
};

#endif // SLCANMENU_H
