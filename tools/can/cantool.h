#ifndef CANTOOL_H
#define CANTOOL_H

#include "busdevice.h"
#include "cantooloptions.h"
#include "replayschedule.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>

#include <cstdio>

class CanBus;
class SlcanBridge;
class TransmitScheduler;

// One run of a talvik-can command on an open bus; finished(status) ends the program.
class CanToolRun : public QObject
{
    Q_OBJECT

public:
    CanToolRun(const CanToolOptions &options, CanBus *bus, QObject *parent = nullptr);
    ~CanToolRun() override;

    // Opens the port and starts the command; the exit status when it cannot
    // (the reason is on standard error), -1 once it runs.
    int start();
    // SIGINT or SIGTERM: ends with everything received written.
    void interrupt();

signals:
    void finished(int status);

private:
    bool openBus();
    void configure();
    void finish(int status);
    void deviceLost(const QString &reason);

    void startDump();
    void dumpFrames(const QVector<LinkFrame> &frames);
    void sendNext();
    int startPlay();
    void playDue();
    int startBridge();
    int planSimulation();
    void startSimulation();
    void printSimulationSummary();

    CanToolOptions options;
    CanBus *bus;
    bool done = false;
    // dump
    std::FILE *out = stdout;
    QFile logFile;
    qint64 dumped = 0;
    QTimer stopTimer;
    // send
    int nextFrame = 0;
    bool lingered = false;
    QTimer sendTimer;
    // play
    ReplayPlan plan;
    size_t playNext = 0;
    qint64 loopBaseUs = 0;
    QElapsedTimer clock;
    QTimer playTimer;
    // bridge
    SlcanBridge *bridge = nullptr;
    QTimer dropReportTimer;
    qint64 droppedReported = 0;
    // simulate
    TransmitScheduler *simulation = nullptr;
};

#endif // CANTOOL_H
