#include "columnfit.h"

#include <QHeaderView>
#include <QStyle>
#include <QTableWidget>

namespace {
QStringList repeatedDigitSamples(const QString &pattern, const char *digits)
{
    // Each 'd' of the pattern becomes the same digit.
    QStringList samples;
    for (const char *digit = digits; *digit; ++digit) {
        QString sample = pattern;
        sample.replace(QLatin1Char('d'), QLatin1Char(*digit));
        samples.append(sample);
    }
    return samples;
}

const char *const HexDigits = "0123456789abcdef";
const char *const DecimalDigits = "0123456789";
} // namespace

int cellWidthFor(const QTableWidget *table, const QString &text)
{
    // The item delegate keeps a margin of the focus frame plus one pixel on
    // each side of the text; the grid line takes one more.
    const int margin =
            table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1;
    return table->fontMetrics().horizontalAdvance(text) + 2 * margin + 1;
}

void fitColumnsToTexts(QTableWidget *table, const QList<QStringList> &samplesByColumn)
{
    table->setWordWrap(false);
    QHeaderView *header = table->horizontalHeader();
    for (int column = 0; column < table->columnCount(); ++column) {
        int width = std::max(table->columnWidth(column), header->sectionSizeHint(column));
        if (column < samplesByColumn.size()) {
            for (const QString &sample : samplesByColumn.at(column))
                width = std::max(width, cellWidthFor(table, sample));
        }
        // Cells with a check box need room for it as well.
        const QAbstractItemView *view = table;
        width = std::max(width, view->sizeHintForColumn(column));
        table->setColumnWidth(column, width);
    }
}

QStringList identifierSamples()
{
    return repeatedDigitSamples(QStringLiteral("0xdddddddd"), HexDigits);
}

QStringList dataSamples()
{
    return repeatedDigitSamples(QStringLiteral("dd dd dd dd dd dd dd dd"), HexDigits);
}

QStringList viewTimeSamples()
{
    return repeatedDigitSamples(QStringLiteral("dd:dd:dd ddd"), DecimalDigits);
}

QStringList numberSamples(int digits)
{
    return repeatedDigitSamples(QString(digits, QLatin1Char('d')), DecimalDigits);
}
