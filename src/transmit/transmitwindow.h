#ifndef TRANSMITWINDOW_H
#define TRANSMITWINDOW_H

#include "transmitrow.h"

#include <QHash>
#include <QWidget>

QT_BEGIN_NAMESPACE
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShortcut;
class QSpinBox;
class QTableWidget;
class QTimer;
QT_END_NAMESPACE
class TransmitScheduler;
struct TransmitListRead;

// "发送报文…": the transmit list. Database messages and raw frames, each on
// its own period, by hand or on a received frame, with their signals set in
// physical units, counters and checksums. The list is kept in
// transmit-list.json and loaded again at the next start, stopped.
class TransmitWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char *ListFile = "transmit-list.json";
    static constexpr int RefreshMs = 200;

    explicit TransmitWindow(QWidget *parent = nullptr);
    ~TransmitWindow() override;

    TransmitScheduler *scheduler() const { return transmit; }
    void setDatabase(const DbcDatabase &database);
    // The list of the last session, stopped; warnings on the status line.
    void load();
    bool saveTo(const QString &fileName);
    IntegrityRules integrityRules() const;

    // "停止", also when the port closes or the device is lost.
    void stop();

signals:
    void statusMessage(const QString &text);
    void integrityRulesChanged(const IntegrityRules &rules);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWidgets();
    void connectWidgets();
    void fillMessageChoice();
    void addChosenMessage();
    void addNodeMessages();
    void addRawFrame();
    void removeSelected();
    void sendSelected();
    void openList();
    void showList(const TransmitListRead &read);
    void saveListAs();
    void rowsChanged();
    void showRow(int row, bool all);
    void refreshCounts();
    void tableItemChanged(int row, int column);
    void selectionChanged();
    void showDetails();
    void showSignals();
    void detailsEdited();
    void setSignalText(int signal, const QString &text);
    void setStatus(const QString &text, bool error = false);
    void save();
    void updateKeys();
    int selectedRow() const;

    TransmitScheduler *transmit;
    QTimer *refreshTimer;
    bool filling = false;
    bool listLoaded = false; // nothing is written over the list file before it was read

    QLineEdit *filterEdit;
    QComboBox *messageChoice;
    QPushButton *addMessageButton;
    QComboBox *nodeChoice;
    QPushButton *addNodeButton;
    QPushButton *addRawButton;
    QPushButton *removeButton;
    QPushButton *sendButton;
    QPushButton *startButton;
    QPushButton *stopButton;
    QPushButton *openButton;
    QPushButton *saveAsButton;
    QTableWidget *table;

    QComboBox *triggerChoice;
    QLineEdit *triggerIdEdit;
    QSpinBox *delaySpin;
    QLineEdit *keyEdit;
    QComboBox *counterChoice;
    QComboBox *checksumChoice;
    QComboBox *algorithmChoice;
    QTableWidget *signalTable;
    QLabel *statusLabel;
    QList<QShortcut *> keyShortcuts;
};

#endif // TRANSMITWINDOW_H
