#ifndef LOGLINE_H
#define LOGLINE_H

#include <QDateTime>
#include <QString>
#include <QStringList>

// A traffic log line: each text in a 20-character field, padded with blanks
// from `padBlanks` (entry i holds 20 - i blanks), a longer text written whole
// and one blank before the next (the last directly before the line end); a
// line end closes the line.
QString logLine(const QStringList &texts, const QStringList &padBlanks);

// "yyyyMMdd_hhmmss_zzz.txt" for the time an auto-save file is started.
QString autoSaveFileNameAt(const QDateTime &time);

// Whether anything is at `name`, a link to nothing included: an auto-save
// file is only ever started where nothing is.
bool autoSaveNameTaken(const QString &name);

#endif // LOGLINE_H
