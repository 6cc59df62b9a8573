#ifndef PLOTREDUCTION_H
#define PLOTREDUCTION_H

#include <QPointF>

#include <vector>

// The points to draw of a series of samples (times ascending) between
// `from` and `to` on a plot `columns` pixels wide: of each pixel column's
// time span the smallest and the largest value, in the order they came, so a
// spike one sample wide still shows. The sample just before `from` and the
// one just after `to` are kept, so lines run to the plot's edges. A span
// with no more samples than two a column is returned as it is.
std::vector<QPointF> reduceToWidth(const std::vector<double> &times,
                                   const std::vector<double> &values, double from, double to,
                                   int columns);

// A step line through the points: each value holds until the next point.
std::vector<QPointF> stepPoints(const std::vector<QPointF> &points);

// The step between a value axis's ticks: 1, 2 or 5 times a power of ten,
// the smallest that divides `span` into at most `maxSteps` steps.
double tickInterval(double span, int maxSteps);

#endif // PLOTREDUCTION_H
