#ifndef TRAFFICVIEW_H
#define TRAFFICVIEW_H

#include <QHash>
#include <QObject>
#include <QStringList>

#include "cellwords.h"

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

struct CaptureRecord;
class CaptureStore;
class TextTableAutoSave;

// The data view: a ring of rows of sent and received frames, or one row per
// identifier in statistics mode; its pause, filter, row-limit, clear and save
// controls; and the text-table auto-save its rows feed.
class TrafficView : public QObject
{
    Q_OBJECT

public:
    TrafficView(Ui::MainWindow *ui, CaptureStore *capture, const CellWords &cellWords,
                QObject *parent = nullptr);

    bool paused() const { return pausedView; }
    // Sent frames are neither shown nor captured while paused or showing only received ones.
    bool showsSentFrames() const { return !pausedView && !onlyReceived; }

    // Rows written between these two are highlighted once, at the end.
    void beginBatch() { receivingBatch = true; }
    void endBatch();
    // False when a full statistics view has no row left for a new identifier.
    bool addReceivedRow(const CaptureRecord &record, bool frameTypeKnown = true);
    void addSentRow(const CaptureRecord &record, const QString &idText, const QString &dataText);
    // The capture (a log opened from file) shown as if its frames had just arrived.
    void showCapture();

    TextTableAutoSave *textAutoSave() const { return autoSave; }
    // Text-table auto-save from the rows shown now on.
    bool startTextAutoSave();

signals:
    void statusMessage(const QString &text);

private:
    void writeRow(int row, const CaptureRecord &record, const QString &idText,
                  const QString &dataText, bool skipFrameTypeCell);
    void markNewestRow(int row, bool statistics);
    void showNewestRow();
    void advanceRow();
    void clear();
    void clearStatistics();
    void setRowLimitText(const QString &text);
    void setOnlyReceived(bool checked);
    void setStatisticsMode(bool checked);
    void save();
    QString rowLogLine(int row) const;
    QString headerLogLine() const;
    QString logLines(int firstRow, int count) const;

    Ui::MainWindow *ui;
    CaptureStore *capture;
    const CellWords &cellWords;
    TextTableAutoSave *autoSave;
    QStringList padBlanks;

    bool pausedView = false;
    bool onlyReceived = false;
    bool statisticsMode = false;
    int rowLimit = 1000;
    int cursorRow = 0; // the row the next row is written to
    QStringList statisticsIds; // statistics mode: identifier texts by row
    QHash<quint32, int> statisticsRowOf; // the same, looked up by identifier

    // The newest row is selected once per batch of rows, not per row.
    int newestRow = -1;
    bool newestRowIsStatistics = false;
    int appliedStyle = -1;
    bool receivingBatch = false;
};

#endif // TRAFFICVIEW_H
