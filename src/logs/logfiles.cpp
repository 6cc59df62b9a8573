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

static QString framesAndSpan(const QString &name, size_t frames, qint64 spanUs)
{
    return QCoreApplication::translate("LogFiles", "%1: %2 帧, %3 s")
            .arg(name)
            .arg(frames)
            .arg(spanUs / 1e6, 0, 'f', 3);
}

QString logSummaryText(const QString &fileName, const LogReadResult &log)
{
    const auto &records = log.records;
    QString text = framesAndSpan(
            QFileInfo(fileName).fileName(), records.size(),
            records.empty() ? 0 : records.back().timestampUs - records.front().timestampUs);
    if (log.skippedLines > 0)
        text += QCoreApplication::translate("LogFiles", ", 跳过 %1 行").arg(log.skippedLines);
    return text;
}

QString captureSummaryText(const CaptureStore &capture)
{
    QString text =
            framesAndSpan(QCoreApplication::translate("LogFiles", "捕获"), size_t(capture.size()),
                          capture.isEmpty() ? 0
                                            : capture.last().timestampUs
                                          - capture.at(capture.firstSequence()).timestampUs);
    if (capture.droppedCount() > 0)
        text += QCoreApplication::translate("LogFiles", ", 最早的 %1 帧已丢弃")
                        .arg(capture.droppedCount());
    return text;
}
