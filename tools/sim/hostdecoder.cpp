#include "hostdecoder.h"

#include <algorithm>

namespace {

constexpr int MaxFilterIds = 50;

quint32 littleEndian(const quint8 *bytes, int count)
{
    quint32 value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

quint8 sumOf(const quint8 *bytes, int from, int to)
{
    quint8 sum = 0;
    for (int i = from; i < to; ++i)
        sum += bytes[i];
    return sum;
}

void fillFrame(CanFrame &frame, const quint8 *data, int length)
{
    frame.length = quint8(std::clamp(length, 0, CanFrame::ClassicMaxLength));
    std::copy(data, data + frame.length, frame.data.begin());
}

} // namespace

bool nextHostMessage(const QByteArray &buffer, qsizetype &pos, HostMessage &message)
{
    const auto *b = reinterpret_cast<const quint8 *>(buffer.constData());
    const qsizetype size = buffer.size();
    qsizetype i = pos;
    while (i + 1 < size) {
        if (b[i] != Envelope::Start) {
            ++i;
            continue;
        }
        const quint8 next = b[i + 1];
        if (next == Envelope::FixedMarker) {
            if (i + 4 > size) {
                pos = i;
                return false;
            }
            const quint8 code = b[i + 2];
            const bool filterCommand = code == 0x10 || code == 0x11;
            if (filterCommand && b[i + 3] > MaxFilterIds) {
                ++i;
                continue;
            }
            const qsizetype total = filterCommand ? 5 + 4 * b[i + 3] : Envelope::Size;
            if (i + total > size) {
                pos = i;
                return false;
            }
            if (sumOf(b + i, 2, int(total) - 1) != b[i + total - 1]) {
                ++i;
                continue;
            }
            message = HostMessage();
            message.bytes = buffer.mid(i, total);
            const quint8 *m = b + i;
            switch (code) {
            case 0x01:
                message.kind = HostMessage::Frame;
                message.frame.extended = m[3] == 2;
                message.frame.remote = m[4] != 1;
                message.frame.identifier = littleEndian(m + 5, 4);
                fillFrame(message.frame, m + 10, qint8(m[9]));
                break;
            case 0x02:
            case 0x03:
            case 0x12:
            case 0x13:
                message.kind = HostMessage::SetStart;
                break;
            case 0x04:
                message.kind = HostMessage::BusStatusQuery;
                break;
            case 0x06:
                message.kind = HostMessage::BaudRateChange;
                break;
            case 0x10:
            case 0x11:
                message.kind = HostMessage::ReceiveIdFilter;
                break;
            default:
                message.kind = HostMessage::Unknown;
            }
            pos = i + total;
            return true;
        }
        if ((next & 0xC0) == 0xC0) {
            const bool extended = next & 0x20;
            const qsizetype total = (next & 0x0F) + (extended ? 7 : 5);
            if (i + total > size) {
                pos = i;
                return false;
            }
            if (b[i + total - 1] != Envelope::VariableEnd) {
                ++i;
                continue;
            }
            message = HostMessage();
            message.kind = HostMessage::Frame;
            message.variableFraming = true;
            message.bytes = buffer.mid(i, total);
            message.frame.extended = extended;
            message.frame.remote = next & 0x10;
            const int idBytes = extended ? 4 : 2;
            message.frame.identifier = littleEndian(b + i + 2, idBytes);
            fillFrame(message.frame, b + i + 2 + idBytes, next & 0x0F);
            pos = i + total;
            return true;
        }
        ++i;
    }
    pos = std::min(i, size);
    return false;
}
