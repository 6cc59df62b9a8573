#include "signalplot.h"

#include "plotreduction.h"

#include <QLineSeries>
#include <QMouseEvent>
#include <QToolTip>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double MinimumSpan = 0.001; // seconds
constexpr int HoverDistance = 12; // pixels
} // namespace

SignalPlot::SignalPlot(QWidget *parent)
    : QChartView(new QChart, parent), timeAxis(new QValueAxis), valueAxis(new QValueAxis)
{
    setRenderHint(QPainter::Antialiasing, false);
    setMouseTracking(true);
    chart()->legend()->setAlignment(Qt::AlignTop);
    chart()->setMargins(QMargins(4, 4, 4, 4));
    timeAxis->setTitleText(tr("时间 (s)"));
    timeAxis->setRange(from, to);
    valueAxis->setRange(0, 1);
    chart()->addAxis(timeAxis, Qt::AlignBottom);
    chart()->addAxis(valueAxis, Qt::AlignLeft);
}

void SignalPlot::addSeries(SignalSeries series)
{
    auto *line = new QLineSeries;
    line->setName(series.message + QLatin1Char('.') + series.title());
    line->setUseOpenGL(false);
    chart()->addSeries(line);
    line->attachAxis(timeAxis);
    line->attachAxis(valueAxis);
    lines.push_back(line);
    data.push_back(std::move(series));
    redraw();
}

void SignalPlot::removeSeries(int index)
{
    chart()->removeSeries(lines[size_t(index)]);
    delete lines[size_t(index)];
    lines.erase(lines.begin() + index);
    data.erase(data.begin() + index);
    redraw();
}

void SignalPlot::removeAll()
{
    while (!data.empty())
        removeSeries(int(data.size()) - 1);
}

int SignalPlot::indexOf(const QString &message, const QString &name) const
{
    for (size_t k = 0; k < data.size(); ++k) {
        if (data[k].message == message && data[k].name == name)
            return int(k);
    }
    return -1;
}

double SignalPlot::latestTime() const
{
    double latest = 0.0;
    for (const SignalSeries &s : data) {
        if (!s.times.empty())
            latest = std::max(latest, s.times.back());
    }
    return latest;
}

void SignalPlot::fitAll()
{
    following = true;
    showAll = true;
    redraw();
}

void SignalPlot::setTimeSpan(double newFrom, double newTo)
{
    if (newTo - newFrom < MinimumSpan)
        newTo = newFrom + MinimumSpan;
    from = newFrom;
    to = newTo;
    showAll = false;
    // Left where the newest sample is in view, the plot goes on following it.
    following = to >= latestTime();
    redraw();
}

void SignalPlot::redraw()
{
    if (following) {
        const double latest = latestTime();
        if (showAll) {
            from = 0.0;
            to = std::max(latest, MinimumSpan);
        } else if (latest > to) {
            from += latest - to;
            to = latest;
        }
    }
    const int columns = std::max(1, int(chart()->plotArea().width()));
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (size_t k = 0; k < data.size(); ++k) {
        std::vector<QPointF> points =
                reduceToWidth(data[k].times, data[k].values, from, to, columns);
        for (const QPointF &point : points) {
            if (point.x() >= from && point.x() <= to) {
                low = std::min(low, point.y());
                high = std::max(high, point.y());
            }
        }
        if (data[k].steps)
            points = stepPoints(points);
        lines[k]->replace(QList<QPointF>(points.begin(), points.end()));
    }
    if (!(low <= high)) {
        low = 0.0;
        high = 1.0;
    }
    const double margin = high > low ? (high - low) * 0.05 : std::max(1.0, std::abs(high) * 0.05);
    timeAxis->setRange(from, to);
    valueAxis->setRange(low - margin, high + margin);
}

QString SignalPlot::sampleTextAt(const QPoint &position) const
{
    const QPointF at = chart()->mapToValue(mapToScene(position));
    double bestDistance = HoverDistance;
    QString text;
    for (size_t k = 0; k < data.size(); ++k) {
        const std::vector<double> &times = data[k].times;
        if (times.empty())
            continue;
        const size_t next =
                size_t(std::lower_bound(times.begin(), times.end(), at.x()) - times.begin());
        // The samples on either side in time, and, where many share a pixel,
        // the one nearest in value among those of the pixel column.
        const QPointF column = chart()->mapToValue(mapToScene(position + QPoint(1, 0)));
        const double pixelTime = std::abs(column.x() - at.x());
        size_t first = next > 0 ? next - 1 : 0;
        while (first > 0 && at.x() - times[first - 1] <= pixelTime && next - first < 4096)
            --first;
        for (size_t i = first; i < times.size() && i <= next + 1; ++i) {
            const QPointF sample(times[i], data[k].values[i]);
            const QPointF shown = mapFromScene(chart()->mapToPosition(sample));
            const double distance = std::hypot(shown.x() - position.x(), shown.y() - position.y());
            if (distance < bestDistance) {
                bestDistance = distance;
                text = tr("%1: %2 %3\n时间 %4 s")
                               .arg(data[k].name, QString::number(sample.y(), 'g', 10),
                                    data[k].unit, QString::number(sample.x(), 'f', 6));
            }
        }
    }
    return text;
}

void SignalPlot::wheelEvent(QWheelEvent *event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0.0)
        return;
    const double factor = std::pow(0.8, steps);
    const double pivot = chart()->mapToValue(mapToScene(event->position().toPoint())).x();
    setTimeSpan(pivot - (pivot - from) * factor, pivot + (to - pivot) * factor);
    event->accept();
}

void SignalPlot::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        dragging = true;
        dragStart = event->position().toPoint();
        dragFrom = from;
        dragTo = to;
        setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void SignalPlot::mouseMoveEvent(QMouseEvent *event)
{
    if (dragging) {
        const double secondsPerPixel =
                (dragTo - dragFrom) / std::max(1.0, chart()->plotArea().width());
        const double shift = (event->position().x() - dragStart.x()) * secondsPerPixel;
        setTimeSpan(dragFrom - shift, dragTo - shift);
        event->accept();
        return;
    }
    const QString text = sampleTextAt(event->position().toPoint());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPosition().toPoint(), text, this);
    QChartView::mouseMoveEvent(event);
}

void SignalPlot::mouseReleaseEvent(QMouseEvent *event)
{
    if (dragging && event->button() == Qt::LeftButton) {
        dragging = false;
        unsetCursor();
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void SignalPlot::resizeEvent(QResizeEvent *event)
{
    QChartView::resizeEvent(event);
    redraw();
}
