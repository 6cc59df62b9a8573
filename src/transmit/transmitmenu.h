#ifndef TRANSMITMENU_H
#define TRANSMITMENU_H

#include <QObject>

class QMenuBar;
class QWidget;
class TransmitWindow;

// "工具" → "发送报文…": shows the transmit window, built once.
class TransmitMenu : public QObject
{
    Q_OBJECT

public:
    TransmitMenu(QMenuBar *menuBar, QWidget *window);

    TransmitWindow *window() const { return transmitWindow; }

private:
    TransmitWindow *transmitWindow;
};

#endif // TRANSMITMENU_H
