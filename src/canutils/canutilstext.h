#ifndef CANUTILSTEXT_H
#define CANUTILSTEXT_H

#include "canframe.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// Frames as can-utils' programs write them on the command line and the screen.

// cansend's frame text: "123#11223344" (3 hex digits: standard), "12345678#..."
// (8 digits: extended), "123#R" and "123#R4" (remote, with a length),
// "123##1112233" (CAN FD: a flags digit, 1 = bit-rate switch, 2 = error state,
// then the data). Data bytes may be separated by dots. Nothing for any other text.
std::optional<CanFrame> parseCansendFrame(const QString &text);

// candump's screen line: "  can0  123   [4]  11 22 33 44\n".
QByteArray candumpScreenLine(const CanFrame &frame, const QByteArray &interfaceName = "can0");

// candump -L on standard output: "(1700000000.012345) can0 123#11223344\n",
// the log line without its direction.
QByteArray candumpStdoutLine(const CanFrame &frame, qint64 timestampUs);

// The file candump -l writes to: "candump-2026-12-06_143000.log", local time.
QString candumpLogFileName(const QDateTime &start);

#endif // CANUTILSTEXT_H
