#ifndef COLUMNFIT_H
#define COLUMNFIT_H

#include <QList>
#include <QStringList>

class QTableWidget;

// Widens the columns of a table so that their texts read in full on one line
// in the table's font: each column at least as wide as its header and as the
// widest of its sample texts (the longest texts of the kind the column holds),
// never narrower than it is. Turns word wrap off.
void fitColumnsToTexts(QTableWidget *table, const QList<QStringList> &samplesByColumn);

// The width a cell needs to show `text` unelided in the table's font.
int cellWidthFor(const QTableWidget *table, const QString &text);

// Samples of the widest texts of each kind, one per hexadecimal digit or
// digit, since the widest digit differs between fonts.
QStringList identifierSamples(); // "0x18ff50e5"
QStringList dataSamples(); // "00 11 22 33 44 55 66 77"
QStringList viewTimeSamples(); // "20:03:11 059"
QStringList numberSamples(int digits); // row numbers, lengths, intervals

#endif // COLUMNFIT_H
