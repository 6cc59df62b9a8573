#ifndef SENDPAGES_H
#define SENDPAGES_H

#include <QVector>

#include "autosendsequence.h"
#include "listpage.h"

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
class QCheckBox;
class QTimer;
QT_END_NAMESPACE

class CellWords;
class FrameSender;

// The manual list: click a row's send cell to send its frame.
class ManualSendPage : public ListPage
{
    Q_OBJECT

public:
    ManualSendPage(Ui::MainWindow *ui, FrameSender *sender, const CellWords &cellWords,
                   QObject *parent = nullptr);

private:
    void showRow(int row, const QStringList &fields) override;
    QStringList defaultFields(int row) const override;
    QStringList fileFields(int row, QStringList cells) const override;
    void sendRow(int row, int column);

    FrameSender *sender;
    const CellWords &cellWords;
};

// The auto-send list: enabled rows sent in order on a timer, each row with its own delay.
class AutoSendPage : public ListPage
{
    Q_OBJECT

public:
    AutoSendPage(Ui::MainWindow *ui, FrameSender *sender, const CellWords &cellWords,
                 QObject *parent = nullptr);

private:
    void showRow(int row, const QStringList &fields) override;
    QStringList defaultFields(int row) const override;
    QStringList fileFields(int row, QStringList cells) const override;
    bool isEnabled(int row) const;
    QVector<bool> enabledRows() const;
    void startSending();
    void sendNext();
    bool sendRow(int row);

    FrameSender *sender;
    const CellWords &cellWords;
    QCheckBox *cycle;
    QTimer *timer;
    AutoSendSequence sequence;
};

// The auto-reply list: received identifiers and the frames that answer them.
class AutoReplyPage : public ListPage
{
    Q_OBJECT

public:
    AutoReplyPage(Ui::MainWindow *ui, FrameSender *sender, QObject *parent = nullptr);

    // Sends the reply of every row that answers `identifier`, when auto reply is on.
    void answer(quint32 identifier);

private:
    void showRow(int row, const QStringList &fields) override;
    QStringList defaultFields(int row) const override;
    void sendReply(int row);

    FrameSender *sender;
    QCheckBox *enabled;
    QVector<quint32> receiveIds; // parsed from the list when it changes, not per frame
    bool receiveIdsStale = true;
};

#endif // SENDPAGES_H
