#ifndef J1939SIGNALS_H
#define J1939SIGNALS_H

#include "dbc.h"
#include "diagmessage.h"

// A J1939 group's signals, by its parameter group in the database (any
// sender): "Name Signal=1 unit ..." over its first 64 bytes; empty when the
// database has no message for it or the group did not complete.
QString j1939SignalsText(const DbcDatabase &database, const DiagMessage &message);

#endif // J1939SIGNALS_H
