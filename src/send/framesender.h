#ifndef FRAMESENDER_H
#define FRAMESENDER_H

#include <QObject>

struct CanFrame;
class CanBus;
class CaptureStore;
class TrafficView;

// The one path every sender's frames take: onto the line, into the view as a
// sent row with the texts it was sent from, and into the capture.
class FrameSender : public QObject
{
    Q_OBJECT

public:
    FrameSender(CanBus *bus, CaptureStore *capture, TrafficView *view, QObject *parent = nullptr);

    // False, with `closedMessage` on the status bar for a second, when the port is closed.
    bool ensurePortOpen(const QString &closedMessage);
    // A frame from a list row's texts, of the type the configuration sets.
    bool sendTexts(const QString &idText, const QString &dataText);
    // False when the frame did not go out (refused here or by the device).
    bool sendFrame(const CanFrame &frame, const QString &idText, const QString &dataText);
    // A frame another path put on the bus: into the view and the capture.
    void recordSent(const CanFrame &frame, const QString &idText, const QString &dataText);

signals:
    void statusMessage(const QString &text, int timeout = 0);

private:
    CanBus *bus;
    CaptureStore *capture;
    TrafficView *view;
};

#endif // FRAMESENDER_H
