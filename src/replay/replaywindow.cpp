#include "replaywindow.h"
#include "ui_replaywindow.h"

#include "canbus.h"

#include <QTimer>

#include <chrono>
#include <thread>

namespace {
constexpr int ProgressIntervalMs = 100;
// Frames sent at most before the event loop runs again, going as fast as the bus takes them.
constexpr int FastPassFrames = 256;
// The timer wakes this much before a frame is due, and a frame due within
// SleepInPlaceUs is waited for without returning to the event loop.
constexpr qint64 WakeEarlyUs = 3000;
constexpr qint64 SleepInPlaceUs = 5000;
} // namespace

ReplayWindow::ReplayWindow(CanBus *bus, QWidget *parent)
    : QWidget(parent, Qt::Window), ui(new Ui::ReplayWindow), bus(bus), timer(new QTimer(this))
{
    ui->setupUi(this);
    for (double factor : Speeds) {
        ui->comboSpeed->addItem(factor > 0 ? QStringLiteral("%1×").arg(factor) : tr("尽可能快"),
                                factor);
    }
    ui->comboSpeed->setCurrentIndex(2); // the log's own pace
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, &ReplayWindow::sendDue);
    connect(ui->btnReplayStart, &QPushButton::clicked, this, &ReplayWindow::start);
    connect(ui->btnReplayStop, &QPushButton::clicked, this, [this] { stop(tr("回放已停止")); });
    connect(bus, &CanBus::aboutToClose, this, [this] {
        if (running)
            stop(tr("端口已关闭, 回放中止"));
    });
}

ReplayWindow::~ReplayWindow()
{
    delete ui;
}

void ReplayWindow::setLog(const QString &summary, std::vector<CaptureRecord> records)
{
    if (running)
        stop(tr("回放已停止"));
    log = std::move(records);
    ui->labelLog->setText(summary);
    ui->labelProgress->clear();
    ui->progressBar->setValue(0);
}

void ReplayWindow::start()
{
    if (running)
        return;
    if (!bus->isOpen()) {
        ui->labelProgress->setText(tr("COM端口已关闭，请先打开COM端口"));
        return;
    }
    plan = makeReplayPlan(log, ui->checkOnlyReceived->isChecked(), !bus->sendsFdFrames());
    if (plan.size() == 0) {
        ui->labelProgress->setText(tr("没有可回放的帧") + skippedText());
        return;
    }
    speed = ui->comboSpeed->currentData().toDouble();
    looping = ui->checkLoop->isChecked();
    next = 0;
    sent = 0;
    late = 0;
    rounds = 0;
    loopBaseUs = 0;
    running = true;
    ui->progressBar->setRange(0, int(std::min<size_t>(plan.size(), INT_MAX)));
    ui->progressBar->setFormat(tr("%v / %m 帧"));
    ui->btnReplayStart->setEnabled(false);
    ui->btnReplayStop->setEnabled(true);
    ui->comboSpeed->setEnabled(false);
    ui->checkOnlyReceived->setEnabled(false);
    ui->checkLoop->setEnabled(false);
    clock.start();
    progressShown.start();
    sendDue();
}

void ReplayWindow::stop(const QString &reason)
{
    running = false;
    timer->stop();
    ui->btnReplayStart->setEnabled(true);
    ui->btnReplayStop->setEnabled(false);
    ui->comboSpeed->setEnabled(true);
    ui->checkOnlyReceived->setEnabled(true);
    ui->checkLoop->setEnabled(true);
    showProgress(true);
    ui->labelProgress->setText(reason + QStringLiteral("\n") + ui->labelProgress->text());
}

// Sends every frame whose time has come, then sleeps until the next one's.
void ReplayWindow::sendDue()
{
    if (speed <= 0) {
        sendAsFastAsTheLineTakes();
        return;
    }
    while (running && next < plan.size()) {
        const qint64 dueUs = loopBaseUs + plan.dueUs(next, speed);
        qint64 nowUs = clock.nsecsElapsed() / 1000;
        if (dueUs - nowUs > SleepInPlaceUs) {
            timer->start(int((dueUs - nowUs - WakeEarlyUs) / 1000));
            showProgress(false);
            return;
        }
        // The last moments are slept here rather than in the event loop: a
        // repaint that started in them would make the frame late by as long as
        // it takes. (Sleeping, not spinning: a spinning thread is the first the
        // scheduler of a busy machine takes the processor from.)
        if (dueUs > nowUs) {
            std::this_thread::sleep_for(std::chrono::microseconds(dueUs - nowUs));
            nowUs = clock.nsecsElapsed() / 1000;
        }
        if (!send(plan.frames[next])) {
            timer->start(1); // the device's queue is full: again in a moment
            return;
        }
        if (nowUs - dueUs > LateUs)
            ++late;
        bus->flush(); // on the line now, not when the event loop next gets to it
        frameSent();
    }
}

void ReplayWindow::sendAsFastAsTheLineTakes()
{
    // A pass sends a bounded number of frames, so the window keeps answering
    // (and Stop works) whatever the device takes.
    for (int pass = 0; pass < FastPassFrames && running && next < plan.size()
         && !bus->writeBacklogFull();
         ++pass) {
        if (!send(plan.frames[next]))
            break; // refused: tried again at the next pass
        frameSent();
    }
    if (running) {
        timer->start(1);
        showProgress(false);
    }
}

void ReplayWindow::frameSent()
{
    ++sent;
    ++next;
    if (next < plan.size())
        return;
    if (!looping) {
        stop(tr("回放完成"));
        return;
    }
    // The next round starts where this one ended (a log of one instant still
    // takes a millisecond a round, so a loop never spins without pause).
    loopBaseUs += std::max<qint64>(plan.durationUs(speed > 0 ? speed : 1.0), 1000);
    next = 0;
    ++rounds;
}

// The log's FD frames a classic bus does not take, when there were any.
QString ReplayWindow::skippedText() const
{
    if (plan.skippedFdFrames == 0)
        return QString();
    return tr(", 跳过 %1 个CAN FD帧（%2）")
            .arg(plan.skippedFdFrames)
            .arg(bus->isInterfaceOpen() ? tr("CAN FD未启用") : tr("转换器只收发经典CAN帧"));
}

void ReplayWindow::showProgress(bool force)
{
    if (!force && progressShown.elapsed() < ProgressIntervalMs)
        return;
    progressShown.restart();
    ui->progressBar->setValue(int(next));
    QString text = tr("已发送 %1 帧, 用时 %2 s, 迟发 %3 帧")
                           .arg(sent)
                           .arg(clock.elapsed() / 1000.0, 0, 'f', 1)
                           .arg(late);
    if (rounds > 0)
        text += tr(", 第 %1 轮").arg(rounds + 1);
    text += skippedText();
    ui->labelProgress->setText(text);
}
