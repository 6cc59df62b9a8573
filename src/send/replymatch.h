#ifndef REPLYMATCH_H
#define REPLYMATCH_H

#include <QStringList>
#include <QVector>

// The reply list's receive identifiers, parsed once when the list changes.
QVector<quint32> parseReceiveIds(const QStringList &texts);
// The rows that answer a frame of `identifier`, top to bottom.
QVector<int> rowsAnswering(const QVector<quint32> &receiveIds, quint32 identifier);

#endif // REPLYMATCH_H
