#ifndef BITANALYSISPANEL_H
#define BITANALYSISPANEL_H

#include "bitactivity.h"
#include "patternfinder.h"

#include <QHash>
#include <QWidget>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class BitGrid;
class CaptureStore;
struct DbcMessage;

// The bits of the selected message over a chosen span of the capture (all
// of it, the last seconds, or what the plot shows), two such spans A and B
// compared, and the counters and checksums its frames hold. It also counts,
// per message, the bits that changed in the span (or differ between A and
// B) for the message list.
class BitAnalysisPanel : public QWidget
{
    Q_OBJECT

public:
    enum SpanChoice { WholeCapture, RecentSeconds, PlotSpan };

    explicit BitAnalysisPanel(CaptureStore *capture, QWidget *parent = nullptr);

    // The plot's time 0 and the span it shows, in seconds from it.
    void setPlotSpan(qint64 originUs, double fromS, double toS);
    void setMessage(std::optional<quint64> key, const DbcMessage *message);
    void setSpanChoice(SpanChoice choice);
    // Takes the chosen span, as it is now, as A or B.
    void markA();
    void markB();
    void setComparing(bool on);
    // Reads what the capture gained and shows the grid again.
    void refresh();
    void startOver();
    void findPatterns();

    bool isComparing() const;
    // The chosen span as it is now, from and to in microseconds.
    std::pair<qint64, qint64> chosenSpan() const;
    // Bits that changed in the span, or differ between A and B, by message key.
    const QHash<quint64, int> &changedBits() const { return counts; }
    BitGrid *grid() const { return bitGrid; }
    QString findingsText() const;
    const std::vector<CounterFinding> &counters() const { return counterFindings; }
    const std::vector<ChecksumFinding> &checksums() const { return checksumFindings; }

signals:
    // Bits dragged over in the selected message's grid.
    void fieldMarked(quint64 key, const BitField &field);
    // The findings of findPatterns() to be made signals.
    void patternsAccepted(quint64 key);
    void countsChanged();
    // The message list to show only messages with changed bits, or all.
    void listFilterChanged(bool onlyChanged);
    void searchRequested();

private:
    struct TimeSpan
    {
        qint64 fromUs;
        qint64 toUs;
    };

    TimeSpan currentSpan() const;
    TimeSpan fixedSpan() const;
    QString spanText(const TimeSpan &span) const;
    void recompute();
    void showGrid();
    void updateCounts();

    CaptureStore *capture;
    QComboBox *spanChoice;
    QSpinBox *recentSeconds;
    QPushButton *buttonA;
    QPushButton *buttonB;
    QCheckBox *compare;
    QCheckBox *hideExplained;
    QCheckBox *onlyChanged;
    QLabel *spanLabel;
    QLabel *gridNote;
    BitGrid *bitGrid;
    QPushButton *findButton;
    QPushButton *acceptButton;
    QPushButton *searchButton;
    QLabel *findingsLabel;

    qint64 originUs = 0;
    double plotFrom = 0.0, plotTo = 0.0;
    std::optional<quint64> selected;
    const DbcMessage *selectedMessage = nullptr;
    // The whole capture, fed as it grows; the other spans computed when shown.
    BitActivity whole;
    quint64 nextSequence = 0;
    BitActivity spanActivity;
    std::optional<TimeSpan> computedSpan;
    std::optional<TimeSpan> spanA, spanB;
    BitActivity activityA, activityB;
    QHash<quint64, int> counts;
    std::vector<CounterFinding> counterFindings;
    std::vector<ChecksumFinding> checksumFindings;
};

#endif // BITANALYSISPANEL_H
