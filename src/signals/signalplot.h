#ifndef SIGNALPLOT_H
#define SIGNALPLOT_H

#include "signalseries.h"

#include <QChartView>

#include <vector>

class QLineSeries;
class QValueAxis;

// The ticked signals against time. Each unit has its own value axis, left and
// right in turn, in the colour of its first signal's line and titled with the
// unit; each axis spans what its signals show in the time span, so a signal
// of 0 to 100 % fills the height beside one of thousands of rpm. Of each
// series only what the plot's width can show is drawn (reduceToWidth),
// recomputed on every zoom and pan, so a million samples stay interactive.
// The wheel zooms the time axis, dragging pans; while the newest sample is in
// view the plot follows live traffic.
class SignalPlot : public QChartView
{
    Q_OBJECT

public:
    explicit SignalPlot(QWidget *parent = nullptr);

    // The series, to be given samples; call redraw() after.
    std::vector<SignalSeries> &series() { return data; }
    const std::vector<SignalSeries> &series() const { return data; }
    void addSeries(SignalSeries series);
    void removeSeries(int index);
    void removeAll();
    int indexOf(const QString &message, const QString &name) const;

    // Draws the series again for the current time span.
    void redraw();
    // Shows every sample, and keeps showing them all while more come.
    void fitAll();
    void setTimeSpan(double from, double to);
    double spanStart() const { return from; }
    double spanEnd() const { return to; }
    // The text hovering at `position` shows: the nearest sample's signal,
    // value and time; empty far from every sample.
    QString sampleTextAt(const QPoint &position) const;
    // The value axis of a unit, or null while no series of that unit is plotted.
    QValueAxis *valueAxis(const QString &unit) const;

protected:
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct UnitAxis
    {
        QString unit;
        QValueAxis *axis;
    };

    double latestTime() const;
    int unitIndex(const QString &unit) const; // in unitAxes, -1 when not there
    // The time under a point of the view.
    double timeAt(const QPointF &position) const;
    QValueAxis *addUnitAxis(const QString &unit);
    // Each axis in the colour of the first line of its unit; an axis whose
    // unit has no line left goes.
    void updateUnitAxes();

    std::vector<SignalSeries> data;
    std::vector<QLineSeries *> lines;
    QValueAxis *timeAxis;
    std::vector<UnitAxis> unitAxes; // in the order the units were first plotted
    // At first the last 30 s, following live traffic.
    double from = 0.0;
    double to = 30.0;
    // Following: the span ends at the newest sample; showAll: and starts at 0.
    bool following = true;
    bool showAll = false;
    bool dragging = false;
    QPoint dragStart;
    double dragFrom = 0.0, dragTo = 0.0;
};

#endif // SIGNALPLOT_H
