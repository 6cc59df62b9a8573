#ifndef TRANSMITSCHEDULE_H
#define TRANSMITSCHEDULE_H

#include <QtGlobal>

#include <deque>
#include <limits>
#include <vector>

// When each row of a transmit list is due, on one clock: the nth frame of a
// row with period P is due at start + n * P, so nothing drifts. A deadline
// missed by more than a period is skipped, never made up in a burst. Frames
// sent by hand or on a received frame are due once, at the time given.
class TransmitSchedule
{
public:
    static constexpr qint64 Never = std::numeric_limits<qint64>::max();
    // Sends by hand or on a received frame a row holds at most: a flood of
    // its trigger does not grow the schedule without bound.
    static constexpr size_t MaxPending = 1000;

    // Starts every row at `nowUs`; a period of 0 is never due on its own.
    void start(const std::vector<qint64> &periodsUs, qint64 nowUs);
    void stop();
    bool isRunning() const { return running; }
    // A row added or whose period changed while running: due from `nowUs` on.
    void setPeriod(size_t row, qint64 periodUs, qint64 nowUs);
    void removeRow(size_t row);
    // Once at `dueUs`, besides the period; false when MaxPending are waiting.
    bool addOnce(size_t row, qint64 dueUs);

    // The earliest time anything is due; Never when nothing is.
    qint64 nextDueUs() const;
    // The row due at or before `nowUs`, the earliest first; -1 when none.
    // `skipped` gets the deadlines of that row passed over as too old.
    int takeDue(qint64 nowUs, quint64 *skipped);
    // The row's due frame could not go out: it stays due.
    void putBack(size_t row);

private:
    struct Timing
    {
        qint64 periodUs = 0;
        qint64 originUs = 0;
        quint64 next = 0; // the number of the next deadline
        std::deque<qint64> once; // sorted
        bool tookOnce = false; // what takeDue() handed out last
        qint64 takenUs = 0;
    };
    qint64 dueOf(const Timing &timing) const;

    std::vector<Timing> rows;
    bool running = false;
};

#endif // TRANSMITSCHEDULE_H
