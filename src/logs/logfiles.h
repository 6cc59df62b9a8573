#ifndef LOGFILES_H
#define LOGFILES_H

#include "logformats.h"

#include <QString>

class CaptureStore;

// Writes the capture, oldest record first, in a standard format; the file is
// replaced in one step, so a failed save leaves the old one whole.
bool saveCaptureLog(const QString &fileName, LogFormat format, const CaptureStore &capture);

// Reads a log file of any format the program reads; `error` is set when the
// file cannot be read or holds no log.
LogReadResult readLogFile(const QString &fileName);

// "name: 1234 帧, 12.345 s, 跳过 2 行" for the status bar and the replay window.
QString logSummaryText(const QString &fileName, const LogReadResult &log);

// "捕获: 1234 帧, 12.345 s" for the session's own frames, with the number
// dropped from the front when there are any.
QString captureSummaryText(const CaptureStore &capture);

#endif // LOGFILES_H
