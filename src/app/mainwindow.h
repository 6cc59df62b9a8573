#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QVector>

#include "cellwords.h"

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

struct LinkFrame;
class AutoReplyPage;
class AutoSendPage;
class CanConfigPage;
class CanBus;
class CaptureAutoSave;
class CaptureStore;
class FrameSender;
class LogMenu;
class ManualSendPage;
class PortPanel;
class ReceiveIdPage;
class ReplayWindow;
class SignalsMenu;
class SlcanMenu;
class TransmitMenu;
class DiagMenu;
class TransmitScheduler;
class TrafficView;

// The one window of the program: the form, the parts that work on it, and
// the connections between them.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `startPort`: a serial port or CAN interface opened at once, as if typed
    // into the port box and opened (--port).
    explicit MainWindow(const QString &startPort = QString(), QWidget *parent = nullptr);
    ~MainWindow() override;

private:
    void connectParts();
    void showMessage(const QString &text, int timeout = 0);
    void receiveFrames(const QVector<LinkFrame> &frames);
    void switchAutoSave(bool on);
    void showOpenedLog(const QString &summary);
    void showReplayWindow();

    Ui::MainWindow *ui;
    const CellWords cellWords; // in the language installed when the window is built

    // Timestamped frames of the session (or of the log opened from file): the
    // bus and the senders write them, the view, logs, signals and replay read them.
    CaptureStore *capture;
    CanBus *bus; // the converter or a CAN interface

    TrafficView *trafficView;
    FrameSender *sender;
    PortPanel *portPanel;
    CanConfigPage *canConfigPage;
    ReceiveIdPage *receiveIdPage;
    ManualSendPage *manualSendPage;
    AutoSendPage *autoSendPage;
    AutoReplyPage *autoReplyPage;
    CaptureAutoSave *captureAutoSave;
    LogMenu *logMenu;
    SignalsMenu *signalsMenu;
    SlcanMenu *slcanMenu;
    TransmitMenu *transmitMenu;
    DiagMenu *diagMenu;
    TransmitScheduler *transmitList; // the transmit window's rows and their sending
    ReplayWindow *replayWindow;
};

#endif // MAINWINDOW_H
