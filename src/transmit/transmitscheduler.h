#ifndef TRANSMITSCHEDULER_H
#define TRANSMITSCHEDULER_H

#include "dbc.h"
#include "transmitrow.h"
#include "transmitschedule.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>
#include <vector>

class CanBus;

// The transmit list and its sending: every row on its own deadlines, one
// timer for all of them (the next deadline). The window and talvik-can
// simulate both run it; each gives the function that puts a frame on the bus.
class TransmitScheduler : public QObject
{
    Q_OBJECT

public:
    enum class SendResult {
        Sent,
        Busy, // the device cannot take it now: tried again shortly, counted late
        Rejected, // the device refused it: tried again as Busy, switched off as Refused
                  // after MaxRejections in a row
        Refused, // this bus cannot carry the frame (CAN FD on a classic bus): the row is switched off
        Failed, // closed or lost: everything stops
    };
    using Send = std::function<SendResult(const CanFrame &)>;
    using Clock = std::function<qint64()>; // microseconds, increasing
    static constexpr int MaxRejections = 50;

    explicit TransmitScheduler(QObject *parent = nullptr);

    // How a frame fares on `bus` when `write` puts it there (the window's one
    // write path, or the bus itself): the result a Send function returns.
    static SendResult sendOnBus(CanBus *bus, const CanFrame &frame,
                                const std::function<bool(const CanFrame &)> &write);

    void setSend(Send send) { sendFrame = std::move(send); }
    // Tests drive the time themselves and call poll().
    void setClock(Clock clock);

    // A copy of the database the rows' messages are looked up in.
    void setDatabase(const DbcDatabase &database);
    const DbcDatabase &database() const { return db; }

    const std::vector<TransmitRow> &rows() const { return list; }
    int rowCount() const { return int(list.size()); }
    // The row's message in the database, or null for a raw row.
    const DbcMessage *messageOf(int row) const;
    void addRow(const TransmitRow &row);
    // The row as edited; its counts and, while running, its deadlines go on.
    void setRow(int index, const TransmitRow &row);
    void removeRow(int index);
    void setRows(const std::vector<TransmitRow> &rows);
    // A signal's value, as bits; the row's next frame follows.
    void setSignalBits(int row, int signal, quint64 bits);

    bool isRunning() const { return schedule.isRunning(); }
    void start();
    // Nothing leaves after this.
    void stop();
    // The row goes out once, now, switched on or not, running or not.
    void sendNow(int row);
    // Rows triggered by this frame's identifier are due after their delay.
    void frameReceived(const CanFrame &frame);

    // Sends what is due now and sets the timer for the next deadline.
    void poll();

signals:
    void runningChanged(bool running);
    // The device failed while sending: the list stopped.
    void sendFailed();
    // The bus cannot carry this row's frame: it was switched off.
    void rowRefused(int row);

private:
    bool sendRow(size_t row);
    void armTimer();
    void resolveMessages();
    void updateTriggers();
    qint64 nowUs() const;

    Send sendFrame;
    Clock clock;
    QElapsedTimer elapsed;
    QTimer timer;
    DbcDatabase db;
    std::vector<TransmitRow> list;
    std::vector<const DbcMessage *> messages; // per row
    std::vector<bool> waiting; // per row: its due frame found the device busy
    std::vector<int> rejected; // per row: refusals by the device since its last frame went
    TransmitSchedule schedule;
    QSet<quint64> triggerKeys;
};

#endif // TRANSMITSCHEDULER_H
