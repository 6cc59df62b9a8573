#ifndef ISOTPSENDER_H
#define ISOTPSENDER_H

#include "canframe.h"

#include <QByteArray>

#include <vector>

// The tester's side of ISO-TP on one pair of identifiers: a request sent in
// segments as the receiver's flow control allows (its block size, its
// separation time, its waits). Plain state, no timer: the owner sends what it
// returns and asks for due() at nextDueUs().
class IsoTpSender
{
public:
    enum class State { Idle, AwaitingFlowControl, Sending, Sent, Failed };
    enum class Failure { None, Overflow, NoFlowControl, TooManyWaits, Busy };
    // N_Bs: how long a sender waits for the receiver's flow control.
    static constexpr qint64 FlowControlTimeoutUs = 1'000'000;
    static constexpr int MaxWaits = 10;

    IsoTpSender(quint32 requestId, quint32 answerId, bool extended);

    // The first frames of a request: a single frame, or a first frame that
    // waits for the flow control. Refused (Busy) while one is being sent.
    std::vector<CanFrame> send(const QByteArray &payload, qint64 nowUs);
    // A frame from the bus: flow control on the answer identifier lets the
    // request go on, asks it to wait, or ends it (overflow).
    void receive(const CanFrame &frame, qint64 nowUs);
    // The consecutive frames due by now (one at a time when a separation time
    // is asked for); a flow control overdue fails the request.
    std::vector<CanFrame> due(qint64 nowUs);
    // When due() has something, -1 for never.
    qint64 nextDueUs() const;

    State state() const { return currentState; }
    Failure failure() const { return currentFailure; }

    // The separation time a flow control's STmin byte asks for, in microseconds:
    // 0-127 ms, F1-F9 100-900 us; reserved values count as 127 ms.
    static qint64 separationUs(quint8 stMin);

private:
    CanFrame frame(const QByteArray &bytes) const;
    void fail(Failure failure);

    quint32 requestId;
    quint32 answerId;
    bool extended;
    State currentState = State::Idle;
    Failure currentFailure = Failure::None;
    QByteArray payload;
    qsizetype sent = 0; // bytes of payload in frames already returned
    quint8 sequence = 1;
    int blockLeft = 0; // frames before the next flow control; -1 no limit
    qint64 gapUs = 0;
    qint64 nextUs = -1; // the next consecutive frame, or the flow control deadline
    int waits = 0;
};

#endif // ISOTPSENDER_H
