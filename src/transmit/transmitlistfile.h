#ifndef TRANSMITLISTFILE_H
#define TRANSMITLISTFILE_H

#include "dbc.h"
#include "transmitrow.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

// The transmit list as a file of its own (JSON): each database row names its
// message by name and identifier and keeps the bytes it last sent, so the
// list still loads, as raw rows, when the database is missing or changed.
QByteArray transmitListText(const std::vector<TransmitRow> &rows);

struct TransmitListRead
{
    std::vector<TransmitRow> rows;
    QStringList warnings; // rows kept as raw frames, settings dropped
    QString error; // non-empty: not a transmit list; nothing loaded
};
// Each database row's signal values come from its kept bytes.
TransmitListRead readTransmitList(const QByteArray &content, const DbcDatabase &database);

#endif // TRANSMITLISTFILE_H
