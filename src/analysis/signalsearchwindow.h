#ifndef SIGNALSEARCHWINDOW_H
#define SIGNALSEARCHWINDOW_H

#include "signalsearch.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class CaptureStore;

// Finding a signal by what it did: each step says what the value did in the
// span chosen in the bits view (rose, fell, stayed, changed, equals a value
// at the span's end, stayed within a range), and the candidates narrow.
// A candidate can be plotted, and made a signal.
class SignalSearchWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ShownCandidates = 200;

    // `span` gives the span a step applies to, in microseconds.
    SignalSearchWindow(CaptureStore *capture, std::function<std::pair<qint64, qint64>()> span,
                       QWidget *parent = nullptr);

    const SignalSearch &search() const { return state; }
    // Applies the step the window's fields describe; false when it cannot.
    bool applyStep();
    void startOver();
    void undoStep();
    // The candidate of a shown row.
    std::optional<SearchCandidate> candidateAt(int row) const;
    // Lists the bits that go with the candidate of `row` in the chosen span.
    void listFollowers(int row);
    // The same for a field of the message `key`, such as a signal of the database.
    void listFollowersOf(quint64 key, const BitField &field);

signals:
    void plotRequested(quint64 key, const BitField &field);
    void signalRequested(quint64 key, const BitField &field);

private:
    void showCandidates();
    quint64 keyOf(const SearchCandidate &candidate) const;

    CaptureStore *capture;
    std::function<std::pair<qint64, qint64>()> span;
    SignalSearch state;
    bool started = false;
    QComboBox *kind;
    QLineEdit *low;
    QLineEdit *high;
    QPushButton *applyButton;
    QPushButton *undoButton;
    QPushButton *restartButton;
    QPushButton *plotButton;
    QPushButton *makeButton;
    QPushButton *followButton;
    QTableWidget *followTable;
    QLabel *status;
    QTableWidget *table;
};

#endif // SIGNALSEARCHWINDOW_H
