#ifndef PORTPANEL_H
#define PORTPANEL_H

#include <QObject>

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

class CanBus;

// The port controls: the list of serial ports and CAN interfaces, open and
// close, and the buttons that need an open port; a lost device closes it.
class PortPanel : public QObject
{
    Q_OBJECT

public:
    PortPanel(Ui::MainWindow *ui, CanBus *bus, QObject *parent = nullptr);

    // As if the name were typed into the port box and opened.
    void openNamed(const QString &name);

signals:
    void statusMessage(const QString &text, int timeout = 0);
    // The port box names a CAN interface (true) or a serial port.
    void interfaceChosen(bool chosen);

private:
    void listPorts();
    void openOrClose();
    void showPortState(bool open);
    void showChosenKind(const QString &name);

    Ui::MainWindow *ui;
    CanBus *bus;
    bool interfaceNamed = false;
};

#endif // PORTPANEL_H
