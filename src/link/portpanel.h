#ifndef PORTPANEL_H
#define PORTPANEL_H

#include <QObject>

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

class CanLink;

// The port controls: the list of serial ports, open and close, and the
// buttons that need an open port; a lost converter closes it.
class PortPanel : public QObject
{
    Q_OBJECT

public:
    PortPanel(Ui::MainWindow *ui, CanLink *link, QObject *parent = nullptr);

signals:
    void statusMessage(const QString &text, int timeout = 0);

private:
    void listPorts();
    void openOrClose();
    void showPortState(bool open);

    Ui::MainWindow *ui;
    CanLink *link;
};

#endif // PORTPANEL_H
