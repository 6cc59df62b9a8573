#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QHash>
#include <QMainWindow>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QStringList>

#include "canframe.h"
#include "cellwords.h"

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
class QTableWidgetItem;
class QTimer;
QT_END_NAMESPACE

struct StoredCanConfig;
struct CaptureRecord;
class CaptureStore;
class CaptureAutoSave;
class LogMenu;
class SignalsMenu;
class ReplayWindow;

// The one window of the program. Its slots and operations are defined in the
// folder of the subsystem they belong to: link, canconfig, traffic, send.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void on_btnOpenClose_clicked();
    void rev_process();
    void on_tableWidget_2_cellClicked(int row, int column);
    void on_btnFind_clicked();
    void on_cbBoxCANbps_currentIndexChanged(int index);
    void on_cbBoxBP1_currentIndexChanged(int index);
    void on_cbBoxBP2_currentIndexChanged(int index);
    void on_lineEditPrescale_textChanged(const QString &arg1);
    void on_checkBoxManualBps_clicked(bool checked);
    void on_btnSetStart_clicked();
    void on_lineEditTotal_textChanged(const QString &arg1);
    void on_btnViewClear_clicked();
    void on_checkBoxPause_clicked(bool checked);
    void on_checkBoxOnlyRev_clicked(bool checked);
    void on_checkBoxOverlayDisplay_clicked(bool checked);
    void on_btnViewSave_clicked();
    void on_btnManualRemove_clicked();
    void on_btnManualINsert_clicked();
    void on_btnManualSave_clicked();
    void on_btnAutoRemove_clicked();
    void on_btnAutoInsert_clicked();
    void on_btnAutoSave_clicked();
    void on_btnSendSeq_clicked();
    void timerAutoSendProc();
    void on_btnAutoStop_clicked();
    void on_btnAutoReplyRemove_clicked();
    void on_btnAutoReplyInsert_clicked();
    void on_btnAutoReplySave_clicked();
    void on_checkBoxAutoSave_clicked(bool checked);
    void timerAutoSaveProc();
    void on_btnCANBusStatus_clicked();
    void on_btnChangeBps_clicked();
    void on_btnReceiveRemove_clicked();
    void on_btnREceiveInsert_clicked();
    void on_btnReceiveSave_clicked();
    void on_btnReceiveSet_clicked();

private:
    // app
    void showMessage(const QString &text, int timeout = 0);
    bool saveTextFile(const QString &fileName, const QString &content);

    // link
    void showPortState(bool open);
    void handlePortError(QSerialPort::SerialPortError error);
    bool ensurePortOpen(const QString &closedMessage);
    void writeCanFrame(const CanFrame &frame);

    // canconfig
    void showBitRate(int bs1Index, int bs2Index, const QString &prescalerText);
    void showTimingMode(bool manual);
    void saveCanConfig();
    void loadCanConfig();
    void setDefaultCanConfig();
    void applyCanConfig(const StoredCanConfig &config);
    void loadReceiveIdList();

    // traffic
    bool addReceivedRow(const CaptureRecord &record, bool frameTypeKnown = true);
    void addSentRow(const CaptureRecord &record, const QString &idText, const QString &dataText);
    void showCaptureInView();
    void writeViewCells(int row, const QString (&cells)[8], bool skipFrameTypeCell);
    void markNewestRow(int row, bool statistics);
    void showNewestRow();
    void clearView();
    void answerReceivedFrame(quint32 identifier);
    void advanceViewRow();
    void saveRowAboutToBeOverwritten();
    QString viewRowLogLine(int row) const;
    QString viewHeaderLogLine() const;
    QString viewLogLines(int firstRow, int count) const;
    bool startAutoSaveFile();
    void appendPendingRows();

    // send
    bool sendRowFrame(const QString &idText, const QString &dataText);
    void sendFrame(const CanFrame &frame, const QString &idText, const QString &dataText);
    void loadManualList();
    void fillDefaultManualRows();
    void setManualRow(int row, const QString &idText, const QString &dataText,
                      const QString &sendText);
    void sendAutoReply(int row);
    void loadReplyList();
    void fillDefaultReplyRows();
    bool sendAutoRow(int row);
    bool isAutoRowEnabled(int row) const;
    int firstEnabledAutoRow(int from, int to) const;
    void loadAutoList();
    void fillDefaultAutoRows();
    void setAutoRow(int row, const QString &idText, const QString &dataText,
                    const QString &intervalText, bool enabled, const QString &enableText);
    void setReplyRow(int row, const QString &receiveId, const QString &replyId,
                     const QString &replyData);

    Ui::MainWindow *ui;
    QSerialPort *serialPort = nullptr;
    QList<QSerialPortInfo> portInfoList;
    bool portOpen = false;
    bool paused = false;
    bool onlyReceived = false;
    bool overlayDisplay = false;
    int totalRows = 1000;
    QTimer *timerAutoSend = nullptr;
    int autoSendIndex = 0;
    QString autoSaveFileName;
    QTimer *timerAutoSave = nullptr;
    QStringList padBlanks;
    const CellWords cellWords; // in the language installed when the window is built

    // Timestamped frames of the session (or of the log opened from file), and
    // what reads them: the standard-format auto-save, the menu, replay.
    CaptureStore *capture = nullptr;
    CaptureAutoSave *captureAutoSave = nullptr;
    LogMenu *logMenu = nullptr;
    SignalsMenu *signalsMenu = nullptr;
    ReplayWindow *replayWindow = nullptr;

    // One window per program: what the converter's tools kept at file scope
    // lives here, so that each window (and each test) starts afresh.
    QByteArray receiveBuffer; // received bytes not yet parsed
    QStringList overlayIdList; // statistics mode: identifier texts by row
    QHash<quint32, int> overlayRowOf; // the same, looked up by identifier
    int viewRow = 0; // data view row the next row is written to
    int autoSavedRow = 0;

    // Auto-save appends every row written while it is on: rows not yet in the
    // file are counted, and appended before they could be overwritten or erased.
    bool autoSaving = false;
    int autoSavePending = 0;
    bool autoSaveNewFileDue = false;

    // The newest row is selected once per batch of rows, not per row.
    int newestRow = -1;
    bool newestRowIsStatistics = false;
    int appliedViewStyle = -1;
    bool receivingBatch = false;
};

#endif // MAINWINDOW_H
