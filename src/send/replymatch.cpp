#include "replymatch.h"
#include "canframe.h"

QVector<quint32> parseReceiveIds(const QStringList &texts)
{
    QVector<quint32> ids;
    ids.reserve(texts.size());
    for (const QString &text : texts)
        ids.append(parseHexId(text));
    return ids;
}

QVector<int> rowsAnswering(const QVector<quint32> &receiveIds, quint32 identifier)
{
    QVector<int> rows;
    for (int row = 0; row < receiveIds.size(); ++row) {
        if (receiveIds.at(row) == identifier)
            rows.append(row);
    }
    return rows;
}
