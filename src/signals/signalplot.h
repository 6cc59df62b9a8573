#ifndef SIGNALPLOT_H
#define SIGNALPLOT_H

#include "signalseries.h"

#include <QChartView>

#include <vector>

class QLineSeries;
class QValueAxis;

// The ticked signals against time. Of each series only what the plot's width
// can show is drawn (reduceToWidth), recomputed on every zoom and pan, so a
// million samples stay interactive. The wheel zooms the time axis, dragging
// pans; while the newest sample is in view the plot follows live traffic.
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

protected:
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    double latestTime() const;

    std::vector<SignalSeries> data;
    std::vector<QLineSeries *> lines;
    QValueAxis *timeAxis;
    QValueAxis *valueAxis;
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
