#include "isotpsender.h"

#include <algorithm>

namespace {
constexpr char Padding = '\xAA';
constexpr int ClassicData = CanFrame::ClassicMaxLength;
} // namespace

IsoTpSender::IsoTpSender(quint32 requestId, quint32 answerId, bool extended)
    : requestId(requestId), answerId(answerId), extended(extended)
{
}

qint64 IsoTpSender::separationUs(quint8 stMin)
{
    if (stMin <= 0x7F)
        return qint64(stMin) * 1000;
    if (stMin >= 0xF1 && stMin <= 0xF9)
        return qint64(stMin - 0xF0) * 100;
    return 127'000;
}

CanFrame IsoTpSender::frame(const QByteArray &bytes) const
{
    CanFrame f;
    f.identifier = requestId;
    f.extended = extended;
    f.length = ClassicData;
    QByteArray padded = bytes.left(ClassicData);
    padded.append(QByteArray(ClassicData - padded.size(), Padding));
    std::copy(padded.begin(), padded.end(), f.data.begin());
    return f;
}

void IsoTpSender::fail(Failure failure)
{
    currentState = State::Failed;
    currentFailure = failure;
    nextUs = -1;
}

std::vector<CanFrame> IsoTpSender::send(const QByteArray &request, qint64 nowUs)
{
    if (currentState == State::AwaitingFlowControl || currentState == State::Sending) {
        currentFailure = Failure::Busy;
        return {};
    }
    currentFailure = Failure::None;
    payload = request;
    waits = 0;
    if (payload.size() < ClassicData) {
        currentState = State::Sent;
        nextUs = -1;
        return { frame(char(payload.size()) + payload) };
    }
    // Classic frames: a first frame holds 6 bytes and announces up to 4095.
    payload.truncate(4095);
    const QByteArray first = QByteArray(1, char(0x10 | payload.size() >> 8)) + char(payload.size())
            + payload.left(6);
    sent = 6;
    sequence = 1;
    currentState = State::AwaitingFlowControl;
    nextUs = nowUs + FlowControlTimeoutUs;
    return { frame(first) };
}

void IsoTpSender::receive(const CanFrame &f, qint64 nowUs)
{
    if (f.identifier != answerId || f.extended != extended || f.remote || f.error || f.length < 1)
        return;
    const quint8 pci = f.data[0];
    if (pci >> 4 != 3 || currentState != State::AwaitingFlowControl || f.length < 3)
        return;
    switch (pci & 0x0F) {
    case 0: // clear to send
        currentState = State::Sending;
        blockLeft = f.data[1] ? f.data[1] : -1;
        gapUs = separationUs(f.data[2]);
        nextUs = nowUs;
        break;
    case 1: // wait: the receiver asks for another flow control time
        if (++waits > MaxWaits)
            fail(Failure::TooManyWaits);
        else
            nextUs = nowUs + FlowControlTimeoutUs;
        break;
    default:
        fail(Failure::Overflow);
        break;
    }
}

std::vector<CanFrame> IsoTpSender::due(qint64 nowUs)
{
    std::vector<CanFrame> frames;
    if (nextUs < 0 || nowUs < nextUs)
        return frames;
    if (currentState == State::AwaitingFlowControl) {
        fail(Failure::NoFlowControl);
        return frames;
    }
    while (currentState == State::Sending && nowUs >= nextUs) {
        frames.push_back(frame(char(0x20 | sequence) + payload.mid(sent, 7)));
        sent += 7;
        sequence = (sequence + 1) & 0x0F;
        if (sent >= payload.size()) {
            currentState = State::Sent;
            nextUs = -1;
        } else if (blockLeft > 0 && --blockLeft == 0) {
            currentState = State::AwaitingFlowControl;
            nextUs = nowUs + FlowControlTimeoutUs;
        } else {
            nextUs += gapUs;
            if (gapUs > 0)
                break; // one at a time, the gap between
        }
    }
    return frames;
}

qint64 IsoTpSender::nextDueUs() const
{
    return nextUs;
}
