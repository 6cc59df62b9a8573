#include "plotreduction.h"

#include <algorithm>
#include <cmath>

std::vector<QPointF> reduceToWidth(const std::vector<double> &times,
                                   const std::vector<double> &values, double from, double to,
                                   int columns)
{
    std::vector<QPointF> points;
    if (times.empty() || !(to > from) || columns < 1)
        return points;
    // [begin, end): the samples inside, widened by one on each side.
    size_t begin = size_t(std::lower_bound(times.begin(), times.end(), from) - times.begin());
    size_t end = size_t(std::upper_bound(times.begin(), times.end(), to) - times.begin());
    if (begin > 0)
        --begin;
    if (end < times.size())
        ++end;
    if (end - begin <= size_t(2 * columns)) {
        points.reserve(end - begin);
        for (size_t i = begin; i < end; ++i)
            points.emplace_back(times[i], values[i]);
        return points;
    }
    points.reserve(size_t(2 * columns) + 2);
    const double columnWidth = (to - from) / columns;
    // One formula places every sample, so neighbouring columns never overlap.
    auto columnOf = [&](double time) {
        return std::min(std::floor((time - from) / columnWidth), double(columns - 1));
    };
    size_t i = begin;
    if (times[i] < from)
        points.emplace_back(times[i], values[i]), ++i;
    while (i < end && times[i] <= to) {
        const double column = columnOf(times[i]);
        size_t lowest = i, highest = i;
        size_t j = i + 1;
        for (; j < end && times[j] <= to && columnOf(times[j]) == column; ++j) {
            if (values[j] < values[lowest])
                lowest = j;
            if (values[j] > values[highest])
                highest = j;
        }
        const size_t firstShown = std::min(lowest, highest),
                     secondShown = std::max(lowest, highest);
        points.emplace_back(times[firstShown], values[firstShown]);
        if (secondShown != firstShown)
            points.emplace_back(times[secondShown], values[secondShown]);
        i = j;
    }
    if (i < end)
        points.emplace_back(times[i], values[i]);
    return points;
}

std::vector<QPointF> stepPoints(const std::vector<QPointF> &points)
{
    std::vector<QPointF> steps;
    steps.reserve(points.size() * 2);
    for (size_t i = 0; i < points.size(); ++i) {
        if (i > 0)
            steps.emplace_back(points[i].x(), points[i - 1].y());
        steps.push_back(points[i]);
    }
    return steps;
}

double tickInterval(double span, int maxSteps)
{
    if (!(span > 0) || !std::isfinite(span))
        return 1.0;
    const double least = span / std::max(1, maxSteps);
    const double power = std::pow(10.0, std::floor(std::log10(least)));
    for (const double multiple : { 1.0, 2.0, 5.0 }) {
        if (multiple * power >= least)
            return multiple * power;
    }
    return 10.0 * power;
}
