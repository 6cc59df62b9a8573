#include "diagconsole.h"

#include "busdevice.h"
#include "capturestore.h"
#include "diagmeaning.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

// P2 and P2* of UDS, generously: the first answer, and the final one after "pending".
constexpr qint64 AnswerTimeoutUs = 1'000'000;
constexpr qint64 PendingTimeoutUs = 5'000'000;
constexpr int TesterPresentMs = 2000;
constexpr int CustomAddressing = -1;

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// The identifier a flow control for an answer from `answer` goes to.
quint32 flowControlId(quint32 answer, bool extended)
{
    if (extended)
        return (answer & 0xFFFF0000u) | ((answer & 0xFF) << 8) | ((answer >> 8) & 0xFF);
    return answer >= 0x7E8 && answer <= 0x7EF ? answer - 8 : answer;
}

} // namespace

DiagConsole::DiagConsole(QWidget *parent)
    : QWidget(parent),
      addressBox(new QComboBox(this)),
      requestIdEdit(new QLineEdit(this)),
      answerIdEdit(new QLineEdit(this)),
      requestBox(new QComboBox(this)),
      sendButton(new QPushButton(tr("发送请求"), this)),
      testerPresentBox(new QCheckBox(tr("诊断仪在线 (每 2 秒)"), this)),
      output(new QPlainTextEdit(this)),
      timer(new QTimer(this)),
      testerPresentTimer(new QTimer(this))
{
    addressBox->setObjectName(QStringLiteral("addressingBox"));
    addressBox->addItem(tr("OBD-II 功能寻址 7DF → 7E8-7EF"), 0);
    for (int ecu = 0; ecu < 8; ++ecu)
        addressBox->addItem(tr("物理寻址 %1 → %2")
                                    .arg(QString::number(0x7E0 + ecu, 16).toUpper(),
                                         QString::number(0x7E8 + ecu, 16).toUpper()),
                            ecu + 1);
    addressBox->addItem(tr("29 位 18DA10F1 → 18DAF110"), 9);
    addressBox->addItem(tr("自定义标识符"), CustomAddressing);
    addressBox->setCurrentIndex(1);
    requestIdEdit->setObjectName(QStringLiteral("requestIdEdit"));
    requestIdEdit->setPlaceholderText(tr("请求标识符"));
    answerIdEdit->setObjectName(QStringLiteral("answerIdEdit"));
    answerIdEdit->setPlaceholderText(tr("响应标识符"));
    requestIdEdit->setEnabled(false);
    answerIdEdit->setEnabled(false);
    requestBox->setObjectName(QStringLiteral("requestBox"));
    requestBox->setEditable(true);
    requestBox->setInsertPolicy(QComboBox::NoInsert);
    for (const char *request : { "22 F1 90", "19 02 FF", "01 0C", "01 00", "01 05 0C 0D", "09 02",
                                 "10 03", "3E 00", "14 FF FF FF" })
        requestBox->addItem(QString::fromLatin1(request));
    requestBox->setToolTip(
            tr("十六进制字节，如 22 F1 90（读 VIN）、19 02 FF（读故障码）、01 0C（发动机转速）"));
    sendButton->setObjectName(QStringLiteral("sendRequestButton"));
    testerPresentBox->setObjectName(QStringLiteral("testerPresentBox"));
    output->setObjectName(QStringLiteral("consoleOutput"));
    output->setReadOnly(true);
    output->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    output->setMaximumBlockCount(5000);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("寻址:"), this), 0, 0);
    layout->addWidget(addressBox, 0, 1);
    layout->addWidget(requestIdEdit, 0, 2);
    layout->addWidget(answerIdEdit, 0, 3);
    layout->addWidget(testerPresentBox, 0, 4);
    layout->addWidget(new QLabel(tr("请求:"), this), 1, 0);
    layout->addWidget(requestBox, 1, 1, 1, 3);
    layout->addWidget(sendButton, 1, 4);
    layout->addWidget(output, 2, 0, 1, 5);
    layout->setColumnStretch(1, 1);

    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, &DiagConsole::tick);
    testerPresentTimer->setInterval(TesterPresentMs);
    connect(testerPresentTimer, &QTimer::timeout, this, &DiagConsole::testerPresent);
    connect(testerPresentBox, &QCheckBox::toggled, this, [this](bool on) {
        if (on) {
            testerPresent();
            testerPresentTimer->start();
        } else {
            testerPresentTimer->stop();
        }
    });
    connect(addressBox, &QComboBox::currentIndexChanged, this, [this] {
        const bool custom = addressBox->currentData().toInt() == CustomAddressing;
        requestIdEdit->setEnabled(custom);
        answerIdEdit->setEnabled(custom);
    });
    connect(sendButton, &QPushButton::clicked, this,
            [this] { sendRequest(requestBox->currentText()); });
    connect(requestBox->lineEdit(), &QLineEdit::returnPressed, sendButton, &QPushButton::click);
}

DiagConsole::~DiagConsole() = default;

bool DiagConsole::addressing(Addressing *chosen)
{
    const int choice = addressBox->currentData().toInt();
    if (choice == 0) {
        *chosen = { 0x7DF, 0x7E8, false };
    } else if (choice >= 1 && choice <= 8) {
        *chosen = { quint32(0x7DF + choice), quint32(0x7E7 + choice), false };
    } else if (choice == 9) {
        *chosen = { 0x18DA10F1, 0x18DAF110, true };
    } else {
        bool requestOk = false;
        bool answerOk = false;
        chosen->request = requestIdEdit->text().trimmed().toUInt(&requestOk, 16);
        chosen->answer = answerIdEdit->text().trimmed().toUInt(&answerOk, 16);
        if (!requestOk || !answerOk || chosen->request > 0x1FFFFFFF
            || chosen->answer > 0x1FFFFFFF) {
            log(tr("请求和响应标识符要写成十六进制"));
            return false;
        }
        chosen->extended = chosen->request > 0x7FF || chosen->answer > 0x7FF
                || requestIdEdit->text().trimmed().size() == 8;
    }
    return true;
}

void DiagConsole::sendRequest(const QString &text)
{
    QByteArray payload;
    for (const QString &token : text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint value = token.toUInt(&ok, 16);
        if (!ok || token.size() > 2) {
            log(tr("“%1”不是十六进制字节").arg(token));
            return;
        }
        payload.append(char(value));
    }
    if (payload.isEmpty() || payload.size() > 4095) {
        log(tr("请求要有 1 到 4095 个字节"));
        return;
    }
    Addressing chosen;
    if (!addressing(&chosen))
        return;
    if (sender
        && (sender->state() == IsoTpSender::State::AwaitingFlowControl
            || sender->state() == IsoTpSender::State::Sending)) {
        log(tr("上一个请求还在发送"));
        return;
    }
    current = chosen;
    sender = std::make_unique<IsoTpSender>(current.request, current.answer, current.extended);
    // A functional request is answered by every unit that has something to say.
    const quint32 lastAnswer = current.request == 0x7DF ? 0x7EF : current.answer;
    answers = std::make_unique<IsoTpReassembler>(std::vector<IsoTpIdRange>{
            { current.answer, lastAnswer, current.extended, IsoTpAddressing::Normal } });
    const qint64 now = wallClockUs();
    request = payload;
    answered = false;
    requestSentUs = now;
    answerDeadlineUs = now + AnswerTimeoutUs;
    log(QStringLiteral("→ %1  %2").arg(hexText(payload), diagPayloadMeaning(payload)));
    sendFrames(sender->send(payload, now));
    schedule();
}

void DiagConsole::sendFrames(const std::vector<CanFrame> &frames)
{
    for (const CanFrame &frame : frames) {
        if (!sendFrame || !sendFrame(frame)) {
            log(tr("未发送：端口没有打开，或设备不收这一帧"));
            sender.reset();
            request.clear();
            answerDeadlineUs = -1;
            return;
        }
    }
}

void DiagConsole::receiveFrames(const QVector<LinkFrame> &frames)
{
    // Every received batch comes here: nothing is looked at while no request
    // is being sent or waits for its answer.
    const bool sending = sender
            && (sender->state() == IsoTpSender::State::AwaitingFlowControl
                || sender->state() == IsoTpSender::State::Sending);
    if (!sending && request.isEmpty())
        return;
    const qint64 now = wallClockUs();
    std::vector<DiagMessage> ended;
    for (const LinkFrame &received : frames) {
        const CanFrame &frame = received.frame;
        if (sender)
            sender->receive(frame, now);
        if (!answers || !answers->feed({ now, frame, false }, 0, ended))
            continue;
        // A long answer is let come all at once.
        if (frame.length >= 1 && frame.data[0] >> 4 == 1) {
            CanFrame flowControl;
            flowControl.identifier = flowControlId(frame.identifier, frame.extended);
            flowControl.extended = frame.extended;
            flowControl.length = 8;
            flowControl.data = { 0x30, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA };
            sendFrames({ flowControl });
        }
    }
    for (const DiagMessage &message : ended) {
        if (!message.complete()) {
            log(QStringLiteral("← %1  %2")
                        .arg(hexText(message.payload), diagMessageMeaning(message)));
            continue;
        }
        if (request.isEmpty() || !answersRequest(request, message.payload))
            continue;
        log(QStringLiteral("← %1  %2  (%3 ms)")
                    .arg(hexText(message.payload), diagPayloadMeaning(message.payload))
                    .arg(double(message.timestampUs - requestSentUs) / 1000.0, 0, 'f', 1));
        answered = true;
        if (isResponsePending(message.payload)) {
            answerDeadlineUs = now + PendingTimeoutUs;
        } else if (current.request != 0x7DF) {
            request.clear(); // functional requests may have more answers to come
            answerDeadlineUs = -1;
        }
    }
    schedule();
}

void DiagConsole::tick()
{
    const qint64 now = wallClockUs();
    if (sender) {
        sendFrames(sender ? sender->due(now) : std::vector<CanFrame>());
        if (sender && sender->state() == IsoTpSender::State::Failed) {
            const IsoTpSender::Failure failure = sender->failure();
            log(failure == IsoTpSender::Failure::Overflow ? tr("接收方溢出，请求未发完")
                        : failure == IsoTpSender::Failure::TooManyWaits
                        ? tr("接收方等待次数太多，请求未发完")
                        : tr("没有流控帧，请求未发完"));
            sender.reset();
            request.clear();
            answerDeadlineUs = -1;
        }
    }
    if (answerDeadlineUs >= 0 && now >= answerDeadlineUs) {
        if (!request.isEmpty() && !answered)
            log(tr("超时：%1 ms 内没有应答").arg((now - requestSentUs) / 1000));
        request.clear();
        answerDeadlineUs = -1;
    }
    schedule();
}

void DiagConsole::schedule()
{
    qint64 next = answerDeadlineUs;
    if (sender && sender->nextDueUs() >= 0 && (next < 0 || sender->nextDueUs() < next))
        next = sender->nextDueUs();
    if (next < 0) {
        timer->stop();
        return;
    }
    timer->start(int(std::clamp<qint64>((next - wallClockUs() + 999) / 1000, 0, 60'000)));
}

void DiagConsole::testerPresent()
{
    Addressing chosen;
    if (!addressing(&chosen))
        return;
    CanFrame frame;
    frame.identifier = chosen.request;
    frame.extended = chosen.extended;
    frame.length = 8;
    frame.data = { 0x02, 0x3E, 0x80, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA };
    if (!sendFrame || !sendFrame(frame)) {
        log(tr("未发送：端口没有打开，或设备不收这一帧"));
        testerPresentBox->setChecked(false);
    }
}

void DiagConsole::log(const QString &line)
{
    output->appendPlainText(line);
}
