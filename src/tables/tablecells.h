#ifndef TABLECELLS_H
#define TABLECELLS_H

#include <QTableWidget>

// The text of a cell, or an empty text for a cell without an item.
inline QString cellText(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}

inline bool hasCell(const QTableWidget *table, int row, int column)
{
    return table->item(row, column) != nullptr;
}

// Inserts an empty row below the current row (at the top with none) and returns it.
inline int insertRowBelowCurrent(QTableWidget *table)
{
    const int row = table->currentRow() + 1;
    table->insertRow(row);
    return row;
}

inline void removeCurrentRow(QTableWidget *table)
{
    const int row = table->currentRow();
    if (row >= 0)
        table->removeRow(row);
}

// The cell texts of the rows from the top, stopping at the first row that
// lacks one of its `columns` cells.
inline QList<QStringList> rowTexts(const QTableWidget *table, int columns)
{
    QList<QStringList> rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < columns; ++column) {
            if (!hasCell(table, row, column))
                return rows;
            texts.append(table->item(row, column)->text());
        }
        rows.append(texts);
    }
    return rows;
}

#endif // TABLECELLS_H
