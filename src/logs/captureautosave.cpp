#include "captureautosave.h"

#include "capturestore.h"
#include "logline.h"

#include <QDateTime>
#include <QFile>
#include <QTimer>

namespace {
constexpr int AppendIntervalMs = 1000;
} // namespace

CaptureAutoSave::CaptureAutoSave(CaptureStore *capture, QObject *parent)
    : QObject(parent), capture(capture), timer(new QTimer(this))
{
    connect(timer, &QTimer::timeout, this, &CaptureAutoSave::flush);
    connect(capture, &CaptureStore::aboutToDiscard, this, &CaptureAutoSave::captureAboutToDiscard);
    // A log opened from file is not new traffic: it is not appended.
    connect(capture, &CaptureStore::replaced, this, [this] {
        nextSequence = this->capture->endSequence();
        if (running)
            this->capture->keepFrom(nextSequence);
    });
}

bool CaptureAutoSave::start(LogFormat format)
{
    stop();
    logFormat = format;
    QDateTime time = QDateTime::currentDateTime();
    QString name;
    do { // two files started within a millisecond would share a name
        name = autoSaveFileNameAt(time);
        name.chop(4);
        name += logFormatExtension(format);
        time = time.addMSecs(1);
    } while (name == currentFileName || autoSaveNameTaken(name));
    currentFileName = name;
    // The header names whole seconds: the lines count from one.
    baseTimeUs = wallClockUs() / 1'000'000 * 1'000'000;

    QFile file(currentFileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) // never through a link
        return false;
    if (format == LogFormat::VectorAsc && file.write(ascHeader(baseTimeUs)) < 0)
        return false;
    nextSequence = capture->endSequence();
    capture->keepFrom(nextSequence);
    running = true;
    timer->start(AppendIntervalMs);
    return true;
}

void CaptureAutoSave::stop()
{
    if (!running)
        return;
    flush();
    running = false;
    timer->stop();
    capture->keepFrom(~quint64(0));
}

void CaptureAutoSave::flush()
{
    if (!running)
        return;
    nextSequence = std::max(nextSequence, capture->firstSequence());
    const quint64 end = capture->endSequence();
    if (nextSequence >= end)
        return;
    QByteArray bytes;
    bytes.reserve(qsizetype(end - nextSequence) * 48);
    for (quint64 s = nextSequence; s < end; ++s) {
        const CaptureRecord record = capture->at(s);
        bytes += logFormat == LogFormat::VectorAsc ? ascLine(record, baseTimeUs)
                                                   : candumpLine(record);
    }
    QFile file(currentFileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size()) {
        emit saveFailed(currentFileName); // tried again at the next second
        return;
    }
    nextSequence = end;
    capture->keepFrom(nextSequence);
}

// Records about to be dropped or cleared are written first; if that fails they
// are given up, so a broken disk costs one attempt per capture's worth of
// frames, not one per frame.
void CaptureAutoSave::captureAboutToDiscard()
{
    flush();
    if (running && nextSequence < capture->endSequence()) {
        nextSequence = capture->endSequence();
        capture->keepFrom(nextSequence);
    }
}
