#include "demoecu.h"

#include <algorithm>

namespace {

CanFrame frameOf(quint32 id, bool extended, const QByteArray &bytes)
{
    CanFrame frame;
    frame.identifier = id;
    frame.extended = extended;
    frame.length = quint8(std::min<qsizetype>(bytes.size(), CanFrame::ClassicMaxLength));
    std::copy_n(bytes.constData(), frame.length, frame.data.begin());
    return frame;
}

// The simulated engine, as the demo frames of 0x101 move it.
int engineSpeedRpm(quint32 tick)
{
    return 800 + int(tick % 200) * 20;
}

} // namespace

QByteArray DemoEcu::answer(const QByteArray &request, quint32 tick)
{
    if (request.isEmpty())
        return {};
    const quint8 service = quint8(request[0]);
    const auto negative = [service](quint8 code) {
        return QByteArray::fromHex("7F") + char(service) + char(code);
    };
    switch (service) {
    case 0x01: { // OBD-II current data: each PID asked for, in order
        QByteArray out("\x41", 1);
        for (const char pid : request.mid(1)) {
            switch (quint8(pid)) {
            case 0x00:
                out += QByteArray::fromHex("00BE3FA813");
                break;
            case 0x05:
                out += QByteArray::fromHex("05") + char(90 + 40);
                break;
            case 0x0C: {
                const int quarters = engineSpeedRpm(tick) * 4;
                out += QByteArray::fromHex("0C") + char(quarters >> 8) + char(quarters);
                break;
            }
            case 0x0D:
                out += QByteArray::fromHex("0D") + char(tick / 10 % 120);
                break;
            default:
                break;
            }
        }
        return out.size() > 1 ? out : negative(0x12);
    }
    case 0x10:
        return request.size() == 2
                ? QByteArray::fromHex("50") + request[1] + QByteArray::fromHex("003201F4")
                : negative(0x13);
    case 0x3E:
        if (request.size() == 2 && (quint8(request[1]) & 0x80))
            return {}; // suppress positive response
        return request.size() == 2 ? QByteArray::fromHex("7E00") : negative(0x13);
    case 0x22:
        if (request == QByteArray::fromHex("22F190"))
            return QByteArray::fromHex("62F190") + QByteArray(Vin);
        return negative(0x31);
    case 0x19:
        if (request.size() == 3 && request[1] == 0x02) // two codes: P0123 confirmed, U0100 pending
            return QByteArray::fromHex("5902FF01230008C1000004");
        return negative(0x12);
    default:
        return negative(0x11);
    }
}

std::vector<CanFrame> DemoEcu::nextBlock(int blockSize)
{
    const size_t count =
            blockSize > 0 ? std::min(waiting.size(), size_t(blockSize)) : waiting.size();
    std::vector<CanFrame> block(waiting.begin(), waiting.begin() + qsizetype(count));
    waiting.erase(waiting.begin(), waiting.begin() + qsizetype(count));
    return block;
}

std::vector<CanFrame> DemoEcu::receive(const CanFrame &frame, quint32 tick)
{
    if (frame.extended || frame.remote || frame.error || frame.length < 1
        || (frame.identifier != FunctionalId && frame.identifier != RequestId))
        return {};
    const quint8 pci = frame.data[0];
    if (pci >> 4 == 3) { // the tester's flow control for the answer in progress
        if (frame.identifier != RequestId || waiting.empty() || (pci & 0x0F) != 0)
            return {};
        return nextBlock(frame.length > 1 ? frame.data[1] : 0);
    }
    if (pci >> 4 != 0 || (pci & 0x0F) == 0 || (pci & 0x0F) >= frame.length)
        return {}; // requests come in single frames
    const QByteArray request(reinterpret_cast<const char *>(frame.data.data()) + 1, pci & 0x0F);
    const QByteArray payload = answer(request, tick);
    waiting.clear();
    if (payload.isEmpty())
        return {};
    if (payload.size() <= 7) {
        QByteArray single = char(payload.size()) + payload;
        single.append(QByteArray(8 - single.size(), '\xAA'));
        return { frameOf(AnswerId, false, single) };
    }
    // A first frame now, the rest when the flow control comes.
    const QByteArray first = QByteArray(1, char(0x10 | payload.size() >> 8)) + char(payload.size())
            + payload.left(6);
    int sequence = 1;
    for (qsizetype at = 6; at < payload.size(); at += 7, ++sequence) {
        QByteArray consecutive = char(0x20 | (sequence & 0x0F)) + payload.mid(at, 7);
        consecutive.append(QByteArray(8 - consecutive.size(), '\xAA'));
        waiting.push_back(frameOf(AnswerId, false, consecutive));
    }
    return { frameOf(AnswerId, false, first) };
}

std::vector<CanFrame> DemoEcu::broadcast()
{
    const QByteArray group = QByteArray(Vin) + "*\xFF\xFF";
    std::vector<CanFrame> frames{ frameOf(0x1CECFF00, true, QByteArray::fromHex("20140003FFECFE00")) };
    for (int packet = 0; packet < 3; ++packet) {
        QByteArray data = char(packet + 1) + group.mid(packet * 7, 7);
        data.append(QByteArray(8 - data.size(), '\xFF'));
        frames.push_back(frameOf(0x1CEBFF00, true, data));
    }
    return frames;
}
