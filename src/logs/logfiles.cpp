#include "logfiles.h"

#include "capturestore.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool saveCaptureLog(const QString &fileName, LogFormat format, const CaptureStore &capture)
{
    const QByteArray bytes =
            writeLog(format, capture.copy(capture.firstSequence(), capture.endSequence()));
    QSaveFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

LogReadResult readLogFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        LogReadResult failed;
        failed.error = file.errorString();
        return failed;
    }
    const QDate date = QFileInfo(file).lastModified().date();
    return readLog(fileName, file.readAll(), date);
}

QString logSummaryText(const QString &fileName, const LogReadResult &log)
{
    const auto &records = log.records;
    const double spanSeconds =
            records.empty() ? 0.0 : (records.back().timestampUs - records.front().timestampUs) / 1e6;
    QString text = QCoreApplication::translate("LogFiles", "%1: %2 帧, %3 s")
                           .arg(QFileInfo(fileName).fileName())
                           .arg(records.size())
                           .arg(spanSeconds, 0, 'f', 3);
    if (log.skippedLines > 0)
        text += QCoreApplication::translate("LogFiles", ", 跳过 %1 行").arg(log.skippedLines);
    return text;
}
