#ifndef SIGNALSMENU_H
#define SIGNALSMENU_H

#include <QObject>

class CaptureStore;
class QMenuBar;
class QWidget;
class SignalsWindow;

// The "工具" menu: "信号…" shows the signals window, built once with the
// database of the last session loaded. Watching the main window, it asks
// about the database's unsaved changes before the program ends.
class SignalsMenu : public QObject
{
    Q_OBJECT

public:
    SignalsMenu(QMenuBar *menuBar, CaptureStore *capture, QWidget *window);

    SignalsWindow *window() const { return signalWindow; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    SignalsWindow *signalWindow;
};

#endif // SIGNALSMENU_H
