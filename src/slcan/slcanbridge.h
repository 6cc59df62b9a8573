#ifndef SLCANBRIDGE_H
#define SLCANBRIDGE_H

#include "busdevice.h"
#include "commands.h"
#include "slcan.h"
#include "streamdecoder.h"
#include "terminallink.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

class CanBus;
class QSocketNotifier;

// An SLCAN adapter on a pseudo-terminal, in front of the program's bus: the
// client's frames go out through the bus's one write path, the bus's frames
// go to the client while the channel is open. A client that writes faster
// than the bus takes frames is held back (its commands wait in the terminal);
// one that stops reading (or a channel left open with no client) loses
// frames beyond bufferLimit(), counted.
class SlcanBridge : public QObject
{
    Q_OBJECT

public:
    explicit SlcanBridge(CanBus *bus, QObject *parent = nullptr);
    ~SlcanBridge() override;

    // Opens the pseudo-terminal (raw, at 2000000 baud) and, when `linkPath`
    // is not empty, makes it reachable as that symlink (removed by stop()).
    bool start(const QString &linkPath, QString *error);
    void stop();
    bool isRunning() const { return master >= 0; }
    QString terminalPath() const { return path; }
    QString linkPath() const { return link; }

    // What O and L send to the converter: this setup with the rate of S (or
    // this setup's own) and normal or silent mode.
    void setConverterSetup(const CanSetup &setup) { baseSetup = setup; }
    // Bytes of frames kept for a client that does not read, at most.
    void setBufferLimit(qsizetype bytes) { limit = bytes; }
    qsizetype bufferLimit() const { return limit; }

    const SlcanState &state() const { return session; }
    qint64 framesToClient() const { return forwarded; }
    qint64 framesFromClient() const { return sent; }
    qint64 droppedFrames() const { return dropped; }
    qsizetype pendingBytes() const { return outgoing.size(); }

signals:
    void commandHandled(const QByteArray &command, const QByteArray &answer);
    // The client's frame went onto the bus.
    void frameSent(const CanFrame &frame);
    // Frames were dropped for a client that does not read; `total` so far.
    void framesDropped(qint64 total);

private:
    void readClient();
    void handlePending();
    void writeClient();
    void queue(const QByteArray &bytes);
    void forwardFrames(const QVector<LinkFrame> &frames);
    void startConverter();
    quint8 statusFlags() const;

    CanBus *bus;
    CanSetup baseSetup;
    SlcanState session;
    int master = -1;
    int slave = -1; // held open: a client's hang-up never reaches the master
    QString path;
    QString link;
    TerminalLink terminalLink;
    QSocketNotifier *readNotifier = nullptr;
    QSocketNotifier *writeNotifier = nullptr;
    QTimer retryTimer; // the bus's backlog was full: the client's next commands later
    QByteArray incoming; // the client's bytes not yet handled
    QByteArray outgoing; // answers and frames not yet written
    qsizetype limit = 1 << 20;
    qint64 forwarded = 0;
    qint64 sent = 0;
    qint64 dropped = 0;
    bool overrun = false; // since the last F
    bool droppingNow = false;
    BusStatus lastStatus;
};

#endif // SLCANBRIDGE_H
