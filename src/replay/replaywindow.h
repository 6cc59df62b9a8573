#ifndef REPLAYWINDOW_H
#define REPLAYWINDOW_H

#include "replayschedule.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <vector>

QT_BEGIN_NAMESPACE
namespace Ui {
class ReplayWindow;
}
class QTimer;
QT_END_NAMESPACE

class CanBus;

// Plays a log back onto the bus: frame k goes out at start + t(k) / speed
// (a timer that is set against one clock, so spacing does not drift), or as
// fast as the line takes them. Frames leave through the send function the
// window is given; one the bus refuses is sent again a moment later. The
// window stops when the port closes or is lost.
class ReplayWindow : public QWidget
{
    Q_OBJECT

public:
    // Speeds offered, the log's pace times this; 0 is as fast as the line takes them.
    static constexpr double Speeds[] = { 0.25, 0.5, 1.0, 2.0, 4.0, 0.0 };
    // A frame sent this much after its time counts as late.
    static constexpr qint64 LateUs = 2000;

    explicit ReplayWindow(CanBus *bus, QWidget *parent = nullptr);
    ~ReplayWindow() override;

    void setLog(const QString &summary, std::vector<CaptureRecord> records);
    bool hasLog() const { return !log.empty(); }
    bool isReplaying() const { return running; }
    int lateFrames() const { return late; }

    // Sends one frame of the log; false when it did not go out.
    void setSend(std::function<bool(const CanFrame &)> sendFrame) { send = std::move(sendFrame); }

private:
    void start();
    void stop(const QString &reason);
    void sendDue();
    void sendAsFastAsTheLineTakes();
    void frameSent();
    void showProgress(bool force);
    QString skippedText() const;

    Ui::ReplayWindow *ui;
    CanBus *bus;
    std::function<bool(const CanFrame &)> send;
    QTimer *timer;
    std::vector<CaptureRecord> log;
    ReplayPlan plan;
    QElapsedTimer clock;
    QElapsedTimer progressShown;
    double speed = 1.0;
    bool looping = false;
    bool running = false;
    size_t next = 0;
    qint64 loopBaseUs = 0;
    quint64 sent = 0;
    int late = 0;
    int rounds = 0;
};

#endif // REPLAYWINDOW_H
