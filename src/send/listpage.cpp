#include "listpage.h"

#include "listfile.h"
#include "tablecells.h"

#include <QPushButton>

ListPage::ListPage(QTableWidget *table, const QString &fileName, int fileFields, int cellColumns,
                   QObject *parent)
    : QObject(parent),
      table(table),
      fileName(fileName),
      fileFieldCount(fileFields),
      cellColumns(cellColumns)
{
}

void ListPage::connectButtons(QPushButton *insert, QPushButton *remove, QPushButton *save)
{
    connect(insert, &QPushButton::clicked, this, &ListPage::insertRow);
    connect(remove, &QPushButton::clicked, this, [this] { removeCurrentRow(table); });
    connect(save, &QPushButton::clicked, this, &ListPage::save);
}

void ListPage::load()
{
    const auto rows = readListFile(fileName, fileFieldCount);
    if (!rows) { // the form's first ten rows get the default frames
        for (int row = 0; row < 10 && row < table->rowCount(); ++row)
            showRow(row, defaultFields(row));
        return;
    }
    table->setRowCount(0);
    table->setRowCount(int(rows->size()));
    for (int row = 0; row < rows->size(); ++row)
        showRow(row, rows->at(row));
}

void ListPage::insertRow()
{
    const int row = insertRowBelowCurrent(table);
    showRow(row, defaultFields(row));
}

void ListPage::save()
{
    QList<QStringList> rows = rowTexts(table, cellColumns);
    for (int row = 0; row < rows.size(); ++row)
        rows[row] = fileFields(row, rows.at(row));
    if (!writeFileAtomically(fileName, listFileText(rows)))
        emit statusMessage(tr("保存失败: ") + fileName);
}
