#ifndef TERMINALLINK_H
#define TERMINALLINK_H

#include <QString>

// A stable name for a pseudo-terminal, made as a symbolic link. The name is
// taken only where nothing is, or where a link of the same kind was left
// behind by a program that ended without cleaning up: one that points to a
// pseudo-terminal that no longer exists. Anything else there (a file, a
// folder, a device, a link to anything else or to a live terminal) is kept
// untouched and refused, so a name given by mistake never costs a file.

// Why `linkPath` cannot be taken, or an empty text when it can.
QString terminalLinkProblem(const QString &linkPath);

// Makes `linkPath` a link to `terminalPath` where terminalLinkProblem() allows
// it; false with the reason otherwise. Never replaces what appeared meanwhile.
bool makeTerminalLink(const QString &terminalPath, const QString &linkPath, QString *error);

// Removes `linkPath` only while it is still the link to `terminalPath`.
void removeTerminalLink(const QString &linkPath, const QString &terminalPath);

#endif // TERMINALLINK_H
