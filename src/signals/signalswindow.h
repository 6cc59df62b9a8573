#ifndef SIGNALSWINDOW_H
#define SIGNALSWINDOW_H

#include "bitfield.h"
#include "dbc.h"
#include "messagestatistics.h"
#include "transmitrow.h"

#include <QWidget>

#include <deque>
#include <vector>

QT_BEGIN_NAMESPACE
namespace Ui {
class SignalsWindow;
}
class QSortFilterProxyModel;
class QTableWidgetItem;
class QTimer;
QT_END_NAMESPACE
class BitAnalysisPanel;
class CaptureStore;
class DbcEditor;
class MessageTableModel;
class QTabWidget;
class SignalSearchWindow;

// The capture seen through a CAN database: a list of every identifier with
// its count, period and last bytes, the decoded signals of the selected
// message, and plots of the ticked signals. It reads the capture at most ten
// times a second and only while it is shown, never on the receive path.
class SignalsWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int RefreshMs = 100;

    explicit SignalsWindow(CaptureStore *capture, QWidget *parent = nullptr);
    ~SignalsWindow() override;

    // Loads a .dbc file; a file that is refused leaves the database as it was.
    bool loadDbc(const QString &fileName);
    void unloadDbc();
    bool hasDatabase() const;
    const DbcDatabase &currentDatabase() const;
    DbcEditor *databaseEditor() const { return editor; }
    BitAnalysisPanel *bitAnalysis() const { return bitPanel; }
    SignalSearchWindow *signalSearch() const { return searchWindow; }
    // Received frames of these messages are checked for counter and checksum
    // errors; every other message with a counter by its name for counter errors.
    void setIntegrityRules(const IntegrityRules &rules);
    // Reads what the capture gained since the last time and shows it.
    void refresh();

signals:
    void databaseChanged(const DbcDatabase &database);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Plotted
    {
        quint64 key;
        const DbcMessage *message;
        const DbcSignal *signal;
        bool candidate = false; // a field the search found, not the database's
    };

    void chooseDbc();
    void readRecords(quint64 from, quint64 to);
    void showErrorFrameCount();
    void startOver();
    void selectionChanged();
    void showSignals();
    void signalTicked(QTableWidgetItem *item);
    void plotSignal(const DbcMessage &message, const DbcSignal &signal);
    void exportPng();
    void exportCsv();
    void saveLayout() const;
    void setStatus(const QString &text, bool error);
    void rebuildChecks();
    void databaseEdited();
    void makeSignal(quint64 key, const BitField &field);
    void plotCandidate(quint64 key, const BitField &field);
    QString currentSignalName() const;
    int frameLengthOf(quint64 key) const;
    const DbcMessage *selectedMessage() const;

    Ui::SignalsWindow *ui;
    CaptureStore *capture;
    QTimer *timer;
    MessageStatistics statistics;
    MessageTableModel *model;
    QSortFilterProxyModel *sorted;
    DbcEditor *editor;
    BitAnalysisPanel *bitPanel;
    QTabWidget *tabs;
    SignalSearchWindow *searchWindow;
    std::deque<DbcMessage> candidates; // what plotted candidates point to
    std::vector<Plotted> plotted; // in the plot's series order
    quint64 nextSequence = 0;
    bool haveOrigin = false;
    qint64 originUs = 0;
    bool haveSelection = false;
    quint64 selectedKey = 0;
    QStringList shownSignals; // the signal list's rows, by name
    IntegrityRules integrityRules;
    QHash<quint64, IntegrityCheck> checks;
};

#endif // SIGNALSWINDOW_H
