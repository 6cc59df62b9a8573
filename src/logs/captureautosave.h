#ifndef CAPTUREAUTOSAVE_H
#define CAPTUREAUTOSAVE_H

#include "logformats.h"

#include <QObject>
#include <QString>

class CaptureStore;
class QTimer;

// Auto-save in a standard log format: one file per start, to which the
// capture's new records are appended once a second, and at once before the
// capture drops or clears records not yet written. Every record reaches the
// file once, in order.
class CaptureAutoSave : public QObject
{
    Q_OBJECT

public:
    explicit CaptureAutoSave(CaptureStore *capture, QObject *parent = nullptr);

    // Creates the file (named after the time, with the format's extension) in
    // the working directory. False when it cannot be created.
    bool start(LogFormat format);
    void stop();
    bool isRunning() const { return running; }
    QString fileName() const { return currentFileName; }

    // Appends what the capture holds beyond the last append.
    void flush();

signals:
    void saveFailed(const QString &fileName);

private:
    void captureAboutToDiscard();

    CaptureStore *capture;
    QTimer *timer;
    LogFormat logFormat = LogFormat::Candump;
    QString currentFileName;
    qint64 baseTimeUs = 0;
    quint64 nextSequence = 0;
    bool running = false;
};

#endif // CAPTUREAUTOSAVE_H
