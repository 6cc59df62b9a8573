#include "streamdecoder.h"

#include <QCoreApplication>

#include <algorithm>

// A status-bar text, in the UI language.
QString busStatusText(const BusStatus &status)
{
    QString text = QCoreApplication::translate("BusStatus", "总线状态:");
    text += status.busOff ? QCoreApplication::translate("BusStatus", "离线, ")
                          : QCoreApplication::translate("BusStatus", "正常, ");
    if (status.errorPassive)
        text += QCoreApplication::translate("BusStatus", "错误被动, ");
    else if (status.errorWarning)
        text += QCoreApplication::translate("BusStatus", "错误告警, ");
    else
        text += QCoreApplication::translate("BusStatus", "正常状态");
    text += QCoreApplication::translate("BusStatus", "发送错误计数器  = %1, 接受错误计数器 = %2")
                    .arg(status.transmitErrors)
                    .arg(status.receiveErrors);
    return text;
}

static quint32 littleEndian(const quint8 *bytes, int count)
{
    quint32 value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

static void copyData(CanFrame &frame, const quint8 *data, int length)
{
    frame.length = quint8(std::clamp(length, 0, CanFrame::ClassicMaxLength));
    std::copy(data, data + frame.length, frame.data.begin());
}

static void decodeFixedCanFrame(const quint8 *m, ReceivedMessage &message)
{
    message.kind = ReceivedMessage::CanData;
    message.frame = CanFrame();
    message.frameTypeKnown = m[3] == 1 || m[3] == 2;
    message.variableFraming = false;
    message.frame.extended = m[3] == 2;
    message.frame.remote = m[4] != 1;
    message.frame.identifier = littleEndian(m + 5, 4);
    copyData(message.frame, m + 10, qint8(m[9]));
}

static void decodeBusStatus(const quint8 *m, ReceivedMessage &message)
{
    message.kind = ReceivedMessage::BusStatusReply;
    message.status.receiveErrors = m[5];
    message.status.transmitErrors = m[6];
    message.status.busOff = m[7] != 0;
    message.status.errorPassive = m[8] != 0;
    message.status.errorWarning = m[9] != 0;
}

static void decodeVariableFrame(const quint8 *m, ReceivedMessage &message)
{
    const quint8 info = m[1];
    const bool extended = info & 0x20;
    const int idBytes = extended ? 4 : 2;
    message.kind = ReceivedMessage::CanData;
    message.frame = CanFrame();
    message.frameTypeKnown = true;
    message.variableFraming = true;
    message.frame.extended = extended;
    message.frame.remote = info & 0x10;
    message.frame.identifier = littleEndian(m + 2, idBytes);
    copyData(message.frame, m + 2 + idBytes, info & 0x0F);
}

bool decodeNextMessage(const QByteArray &buffer, qsizetype &pos, ReceivedMessage &message)
{
    const auto *bytes = reinterpret_cast<const quint8 *>(buffer.constData());
    const qsizetype size = buffer.size();
    qsizetype i = pos;
    while (i < size) {
        if (i + 1 == size) {
            pos = i; // a lone trailing byte waits for the next call
            return false;
        }
        if (bytes[i] != Envelope::Start) {
            ++i;
            continue;
        }
        const quint8 next = bytes[i + 1];
        if (next == Envelope::FixedMarker) {
            if (size - i < Envelope::Size) {
                pos = i;
                return false;
            }
            const quint8 *m = bytes + i;
            quint8 sum = 0;
            for (int k = 2; k < Envelope::Size - 1; ++k)
                sum += m[k];
            if (sum != m[Envelope::Size - 1]) {
                ++i;
                continue;
            }
            i += Envelope::Size;
            if (m[2] == Envelope::TypeCanFrame) {
                decodeFixedCanFrame(m, message);
            } else if (m[2] == Envelope::TypeBusStatus) {
                decodeBusStatus(m, message);
            } else {
                continue;
            }
            pos = i;
            return true;
        }
        if ((next & 0xC0) == 0xC0) {
            const qsizetype total = (next & 0x0F) + ((next & 0x20) ? 7 : 5);
            if (i + total > size) {
                pos = i;
                return false;
            }
            if (bytes[i + total - 1] != Envelope::VariableEnd) {
                ++i;
                continue;
            }
            decodeVariableFrame(bytes + i, message);
            pos = i + total;
            return true;
        }
        ++i;
    }
    pos = size;
    return false;
}
