#ifndef MESSAGETABLEMODEL_H
#define MESSAGETABLEMODEL_H

#include <QAbstractTableModel>

#include "transmitrow.h"

class MessageStatistics;
struct DbcDatabase;

// The message list: one row per identifier of the statistics, no widget per
// cell, so thousands of identifiers cost what the visible rows cost.
class MessageTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Identifier, Name, Count, Period, Length, ChangedBits, Integrity, Data, ColumnCount };
    // Data column: bit i set when byte i changed in the last second.
    static constexpr int ChangedBytesRole = Qt::UserRole;
    // Every column: the number to sort by.
    static constexpr int SortRole = Qt::UserRole + 1;

    MessageTableModel(const MessageStatistics *statistics, QObject *parent = nullptr);

    void setDatabase(const DbcDatabase *database);
    // Counter and checksum errors of the messages that have a check, by key.
    void setIntegrityChecks(const QHash<quint64, IntegrityCheck> *checks);
    // The bits that changed in the bit view's span (or differ between its
    // spans A and B, then `comparing`), by key.
    void setChangedBits(const QHash<quint64, int> *counts, bool comparing);
    // The statistics gained rows or changed: rows are added, the rest redrawn.
    void refresh();
    // The statistics were cleared.
    void reset();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString integrityText(const IntegrityCheck &check) const;

    const MessageStatistics *statistics;
    const DbcDatabase *database = nullptr;
    const QHash<quint64, IntegrityCheck> *checks = nullptr;
    const QHash<quint64, int> *changedBits = nullptr;
    bool comparing = false;
    int rows = 0;
};

#endif // MESSAGETABLEMODEL_H
