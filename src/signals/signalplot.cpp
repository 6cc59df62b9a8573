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

SignalPlot::SignalPlot(QWidget *parent) : QChartView(new QChart, parent), timeAxis(new QValueAxis)
{
    setRenderHint(QPainter::Antialiasing, false);
    setMouseTracking(true);
    chart()->legend()->setAlignment(Qt::AlignTop);
    chart()->setMargins(QMargins(4, 4, 4, 4));
    timeAxis->setTitleText(tr("时间 (s)"));
    timeAxis->setRange(from, to);
    chart()->addAxis(timeAxis, Qt::AlignBottom);
}

int SignalPlot::unitIndex(const QString &unit) const
{
    for (size_t a = 0; a < unitAxes.size(); ++a) {
        if (unitAxes[a].unit == unit)
            return int(a);
    }
    return -1;
}

QValueAxis *SignalPlot::valueAxis(const QString &unit) const
{
    const int a = unitIndex(unit);
    return a < 0 ? nullptr : unitAxes[size_t(a)].axis;
}

// A new unit's axis goes to the side that has fewer.
QValueAxis *SignalPlot::addUnitAxis(const QString &unit)
{
    auto *axis = new QValueAxis;
    axis->setTitleText(unit.isEmpty() ? tr("无单位") : unit);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0.0);
    axis->setLabelFormat(QStringLiteral("%g"));
    const auto onLeft = std::count_if(unitAxes.begin(), unitAxes.end(), [](const UnitAxis &u) {
        return u.axis->alignment() == Qt::AlignLeft;
    });
    const bool left = 2 * onLeft <= qsizetype(unitAxes.size());
    chart()->addAxis(axis, left ? Qt::AlignLeft : Qt::AlignRight);
    unitAxes.push_back({ unit, axis });
    return axis;
}

void SignalPlot::updateUnitAxes()
{
    for (size_t a = 0; a < unitAxes.size();) {
        const auto first = std::find_if(data.begin(), data.end(), [&](const SignalSeries &s) {
            return s.unit == unitAxes[a].unit;
        });
        QValueAxis *axis = unitAxes[a].axis;
        if (first == data.end()) {
            chart()->removeAxis(axis);
            delete axis;
            unitAxes.erase(unitAxes.begin() + qsizetype(a));
            continue;
        }
        const QColor colour = lines[size_t(first - data.begin())]->color();
        axis->setLinePenColor(colour);
        axis->setLabelsColor(colour);
        axis->setTitleBrush(colour);
        axis->setGridLineVisible(a == 0); // one grid, not a grid per unit
        ++a;
    }
}

void SignalPlot::addSeries(SignalSeries series)
{
    auto *line = new QLineSeries;
    line->setName(series.message + QLatin1Char('.') + series.title());
    line->setUseOpenGL(false);
    chart()->addSeries(line); // the theme gives it its colour
    QValueAxis *axis = valueAxis(series.unit);
    if (!axis)
        axis = addUnitAxis(series.unit);
    line->attachAxis(timeAxis);
    line->attachAxis(axis);
    lines.push_back(line);
    data.push_back(std::move(series));
    updateUnitAxes();
    redraw();
}

void SignalPlot::removeSeries(int index)
{
    chart()->removeSeries(lines[size_t(index)]);
    delete lines[size_t(index)];
    lines.erase(lines.begin() + index);
    data.erase(data.begin() + index);
    updateUnitAxes();
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
    // Each unit's range: what its series show between from and to.
    std::vector<std::pair<double, double>> ranges(
            unitAxes.size(),
            { std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity() });
    for (size_t k = 0; k < data.size(); ++k) {
        std::vector<QPointF> points =
                reduceToWidth(data[k].times, data[k].values, from, to, columns);
        auto &[low, high] = ranges[size_t(unitIndex(data[k].unit))];
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
    timeAxis->setRange(from, to);
    for (size_t a = 0; a < unitAxes.size(); ++a) {
        auto [low, high] = ranges[a];
        if (!(low <= high)) {
            low = 0.0;
            high = 1.0;
        }
        const double margin =
                high > low ? (high - low) * 0.05 : std::max(1.0, std::abs(high) * 0.05);
        unitAxes[a].axis->setRange(low - margin, high + margin);
        unitAxes[a].axis->setTickInterval(tickInterval(high - low + 2 * margin, 6));
    }
}

double SignalPlot::timeAt(const QPointF &position) const
{
    const QRectF area = chart()->plotArea();
    const double x = mapToScene(position.toPoint()).x();
    return from + (x - area.left()) / std::max(1.0, area.width()) * (to - from);
}

QString SignalPlot::sampleTextAt(const QPoint &position) const
{
    const double at = timeAt(position);
    // The samples on either side in time, and, where many share a pixel,
    // the one nearest in value among those of the pixel column.
    const double pixelTime = std::abs(timeAt(position + QPoint(1, 0)) - at);
    double bestDistance = HoverDistance;
    QString text;
    for (size_t k = 0; k < data.size(); ++k) {
        const std::vector<double> &times = data[k].times;
        if (times.empty())
            continue;
        const size_t next =
                size_t(std::lower_bound(times.begin(), times.end(), at) - times.begin());
        size_t first = next > 0 ? next - 1 : 0;
        while (first > 0 && at - times[first - 1] <= pixelTime && next - first < 4096)
            --first;
        for (size_t i = first; i < times.size() && i <= next + 1; ++i) {
            const QPointF sample(times[i], data[k].values[i]);
            // Through the series' own axes: each unit has its scale.
            const QPointF shown = mapFromScene(chart()->mapToPosition(sample, lines[k]));
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
    const double pivot = timeAt(event->position());
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
