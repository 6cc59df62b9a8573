#ifndef BUSREPLAY_H
#define BUSREPLAY_H

#include "capturerecord.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

// A recorded log played onto the simulated bus with its timing: frame k is
// due at the start plus t(k) - t(0), measured on one clock, so the spacing
// never drifts however long the log. A frame whose time has passed (the
// process was held up, or the log's times run backwards) goes at once.
class BusReplay : public QObject
{
    Q_OBJECT

public:
    explicit BusReplay(const std::vector<CaptureRecord> &records, bool loop,
                       QObject *parent = nullptr);

    // Each frame as it goes onto the bus.
    std::function<void(const CanFrame &)> onFrame;

    void start();
    void stop();
    bool isRunning() const { return running; }
    qint64 framesPlayed() const { return played; }
    // Microseconds from one pass's first frame to the next pass's first frame.
    qint64 passLengthUs() const { return passUs; }

signals:
    void finished();

private:
    void tick();

    std::vector<CanFrame> frames;
    std::vector<qint64> dueUs; // from the pass's start, never decreasing
    qint64 passUs = 0;
    bool loop = false;
    bool running = false;
    QElapsedTimer clock;
    QTimer timer;
    size_t next = 0;
    qint64 passStartUs = 0;
    qint64 played = 0;
};

#endif // BUSREPLAY_H
