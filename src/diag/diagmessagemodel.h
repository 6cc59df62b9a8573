#ifndef DIAGMESSAGEMODEL_H
#define DIAGMESSAGEMODEL_H

#include "dbc.h"
#include "diagmessage.h"

#include <QAbstractTableModel>

#include <deque>

// The reassembled messages as a table, oldest first, up to a bound. An answer
// is paired with the latest request it answers (the time between them shown);
// a "response pending" leaves the request open for its final answer.
class DiagMessageModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        Time,
        Protocol,
        Identifier,
        Addresses,
        Direction,
        Length,
        Data,
        Meaning,
        AnswerTime,
        ColumnCount
    };
    static constexpr int MaxRows = 100'000;

    explicit DiagMessageModel(QObject *parent = nullptr);

    void append(std::vector<DiagMessage> &messages);
    // J1939 groups are decoded with the database's messages from now on.
    void setDatabase(const DbcDatabase &newDatabase) { database = newDatabase; }
    void clear();
    const DiagMessage &message(int row) const { return rows[size_t(row)].message; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        DiagMessage message;
        QString meaning;
        qint64 answerUs = -1; // an answer: the time since its request
        bool request = false;
        bool answered = false;
    };
    void pair(Row &answer);

    DbcDatabase database;
    std::deque<Row> rows;
    qint64 removed = 0; // rows dropped from the front: pending requests count past them
    std::vector<qint64> openRequests; // absolute row numbers, oldest first
};

#endif // DIAGMESSAGEMODEL_H
