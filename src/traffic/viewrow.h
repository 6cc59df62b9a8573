#ifndef VIEWROW_H
#define VIEWROW_H

#include "canframe.h"
#include "cellwords.h"

#include <QString>
#include <QTime>

// Texts of the data view's cells that do not come straight from a list row.

// Received data: two lowercase hex digits per byte, one blank between bytes;
// fewer than 8 bytes are padded with blanks to 21 characters, no data is " ";
// an FD frame's bytes beyond 8 go on the same way, unpadded.
QString receivedDataText(const CanFrame &frame);

// The frame-type cell: standard or extended in the UI language, then "FD"
// and "BRS" and "ESI" where set (the same in both languages).
QString frameTypeText(const CellWords &words, const CanFrame &frame);

// "hh:mm:ss zzz"
QString viewTimeText(const QTime &time);
// The same for a capture timestamp (microseconds since the epoch), in local time.
QString viewTimeText(qint64 timestampUs);

#endif // VIEWROW_H
