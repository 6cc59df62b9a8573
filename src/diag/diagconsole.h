#ifndef DIAGCONSOLE_H
#define DIAGCONSOLE_H

#include "isotp.h"
#include "isotpsender.h"

#include <QWidget>

#include <functional>
#include <memory>

struct LinkFrame;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The request console: a request typed in hex or picked from a list, sent with
// ISO-TP segmentation to the chosen addresses, and its answer shown decoded,
// with the time it took; "tester present" every 2 s while ticked. Frames go
// out through the send function; the bus's frames come in by receiveFrames().
class DiagConsole : public QWidget
{
    Q_OBJECT

public:
    explicit DiagConsole(QWidget *parent = nullptr);
    ~DiagConsole() override;

    // Sends one frame on the bus; false when it could not (no port open).
    void setSend(std::function<bool(const CanFrame &)> send) { sendFrame = std::move(send); }
    void receiveFrames(const QVector<LinkFrame> &frames);
    // Sends the request text now, as the button does.
    void sendRequest(const QString &hexText);

private:
    struct Addressing
    {
        quint32 request = 0;
        quint32 answer = 0;
        bool extended = false;
    };
    bool addressing(Addressing *chosen);
    void sendFrames(const std::vector<CanFrame> &frames);
    void tick();
    void schedule();
    void log(const QString &line);
    void testerPresent();

    QComboBox *addressBox;
    QLineEdit *requestIdEdit;
    QLineEdit *answerIdEdit;
    QComboBox *requestBox;
    QPushButton *sendButton;
    QCheckBox *testerPresentBox;
    QPlainTextEdit *output;
    QTimer *timer;
    QTimer *testerPresentTimer;
    std::function<bool(const CanFrame &)> sendFrame;
    std::unique_ptr<IsoTpSender> sender;
    std::unique_ptr<IsoTpReassembler> answers;
    Addressing current;
    QByteArray request; // waiting for its answer; empty: none
    qint64 requestSentUs = 0;
    qint64 answerDeadlineUs = -1;
    bool answered = false; // a functional request: some unit answered
};

#endif // DIAGCONSOLE_H
