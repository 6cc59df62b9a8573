#ifndef LISTFILE_H
#define LISTFILE_H

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;

// The comma-separated files the program keeps its lists in: one row per line,
// fields joined by ",", no header, no quoting.

// The next line of a file opened for reading; a UTF-8 byte-order mark at the
// start of the file (as some editors write) is not part of the first line.
QByteArray readFileLine(QIODevice &file);

// One line as the readers take it: decoded as UTF-8, white space simplified
// (ends trimmed, inner runs made one blank), split at "," keeping empty fields.
QStringList splitListLine(const QByteArray &line);

// The rows of a list file, stopping at the first line with fewer than
// `minFields` fields; nothing when the file cannot be opened.
std::optional<QList<QStringList>> readListFile(const QString &fileName, int minFields);
QList<QStringList> readListLines(QIODevice &device, int minFields);

// receiveID.txt: one identifier text per line, trimmed, up to the first empty
// line; nothing when the file cannot be opened.
std::optional<QStringList> readReceiveIdFile(const QString &fileName);
QStringList readReceiveIdLines(QIODevice &device);

// Joins each row's fields with "," and ends each row with a line end.
QString listFileText(const QList<QStringList> &rows);

// Replaces the file with `content` as UTF-8 in one go: a failed or interrupted
// save leaves the previous file whole.
bool writeFileAtomically(const QString &fileName, const QString &content);

#endif // LISTFILE_H
