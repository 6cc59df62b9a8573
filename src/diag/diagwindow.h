#ifndef DIAGWINDOW_H
#define DIAGWINDOW_H

#include "dbc.h"
#include "isotp.h"
#include "j1939.h"

#include <QWidget>

#include <memory>

class CaptureStore;
class DiagConsole;
class DiagFilter;
class DiagMessageModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableView;
class QTimer;

// "诊断": the ISO-TP messages (UDS, OBD-II) and J1939 parameter groups the
// capture's frames carry, reassembled and named, live or from an opened log.
// It reads the capture on a timer like the signals window, never in the
// receive path; selecting a message lists the frames it was made of.
class DiagWindow : public QWidget
{
    Q_OBJECT

public:
    explicit DiagWindow(CaptureStore *capture, QWidget *parent = nullptr);
    ~DiagWindow() override;

    DiagMessageModel *messages() const { return model; }
    DiagConsole *console() const { return requestConsole; }
    // The signals window's database: J1939 groups are shown with its signals.
    void setDatabase(const DbcDatabase &database);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void startOver();
    void refresh();
    void showFrames();
    void applyIdRanges();

    CaptureStore *capture;
    QTimer *timer;
    DiagMessageModel *model;
    DiagFilter *filter;
    QTableView *table;
    QPlainTextEdit *framesView;
    QComboBox *protocolBox;
    QLineEdit *addressEdit;
    QLineEdit *idsEdit;
    QCheckBox *singleFramesBox;
    QLabel *idsProblem;
    DiagConsole *requestConsole;
    std::unique_ptr<IsoTpReassembler> isoTp;
    std::unique_ptr<J1939Reassembler> j1939;
    std::vector<IsoTpIdRange> extraIds;
    quint64 nextSequence = 0;
    bool fromLog = false; // the capture is an opened log: what is still open at its end ends
};

#endif // DIAGWINDOW_H
