#include "convertermodel.h"
#include "hostdecoder.h"

namespace {

constexpr int CanClockHz = 36000000;
const int PresetRates[] = { 1000000, 800000, 500000, 400000, 250000, 200000,
                            125000,  100000, 50000,  20000,  10000,  5000 };
const int BaudRates[] = { 2000000, 1228800, 115200, 38400, 19200, 9600 };

quint32 littleEndian(const QByteArray &m, int at)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | quint8(m.at(at + i));
    return value;
}

} // namespace

QString describeFrame(const CanFrame &frame)
{
    QString text = QStringLiteral("%1 %2 0x%3 [%4]")
                           .arg(frame.extended ? "ext" : "std", frame.remote ? "remote" : "data")
                           .arg(frame.identifier, 0, 16)
                           .arg(frame.length);
    for (int i = 0; i < frame.length; ++i)
        text += QStringLiteral(" %1").arg(frame.data[i], 2, 16, QLatin1Char('0'));
    return text;
}

int ConverterModel::baudRateOf(int baudCode)
{
    return baudCode >= 0 && baudCode < 6 ? BaudRates[baudCode] : 0;
}

void ConverterModel::note(const QString &line)
{
    if (trace)
        trace(line);
}

QByteArray ConverterModel::takeOutput()
{
    QByteArray bytes;
    bytes.swap(output);
    return bytes;
}

void ConverterModel::startAtPowerUp(bool variable)
{
    isRunning = true;
    framingVariable = variable;
}

void ConverterModel::receiveFromHost(const QByteArray &bytes)
{
    pending += bytes;
    qsizetype pos = 0;
    HostMessage message;
    while (nextHostMessage(pending, pos, message)) {
        switch (message.kind) {
        case HostMessage::Frame:
            note(QStringLiteral("host> %1 frame %2")
                         .arg(message.variableFraming ? "variable" : "fixed",
                              describeFrame(message.frame)));
            handleFrameFromHost(message.frame);
            break;
        case HostMessage::SetStart:
            handleSetStart(message.bytes);
            break;
        case HostMessage::BusStatusQuery: {
            note(QStringLiteral("host> bus-status query"));
            QByteArray reply(Envelope::Size, char(0));
            reply[0] = char(Envelope::Start);
            reply[1] = char(Envelope::FixedMarker);
            reply[2] = char(Envelope::TypeBusStatus);
            reply[5] = char(busState.receiveErrors);
            reply[6] = char(busState.transmitErrors);
            reply[7] = char(busState.busOff ? 1 : 0);
            reply[8] = char(busState.errorPassive ? 1 : 0);
            reply[9] = char(busState.errorWarning ? 1 : 0);
            reply[19] = char(fixedChecksum(reply));
            output += reply;
            note(QStringLiteral("sim> bus status: rx errors %1, tx errors %2%3%4%5")
                         .arg(busState.receiveErrors)
                         .arg(busState.transmitErrors)
                         .arg(busState.busOff ? ", bus-off" : "",
                              busState.errorPassive ? ", error passive" : "",
                              busState.errorWarning ? ", error warning" : ""));
            break;
        }
        case HostMessage::BaudRateChange: {
            const int code = quint8(message.bytes.at(3));
            if (baudRateOf(code) == 0) {
                note(QStringLiteral("host> baud-rate change to unknown code %1: ignored")
                             .arg(code));
                break;
            }
            stored.baudCode = code;
            note(QStringLiteral("host> baud-rate change: the port now runs at %1 baud")
                         .arg(baudRateOf(code)));
            if (onStoredChanged)
                onStoredChanged();
            break;
        }
        case HostMessage::ReceiveIdFilter:
            handleReceiveIdFilter(message.bytes);
            break;
        case HostMessage::Unknown:
            note(QStringLiteral("host> message with code 0x%1: ignored")
                         .arg(quint8(message.bytes.at(2)), 2, 16, QLatin1Char('0')));
            break;
        }
    }
    pending.remove(0, pos);
}

void ConverterModel::handleSetStart(const QByteArray &m)
{
    const quint8 code = quint8(m.at(2));
    const bool manual = code & 0x01;
    framingVariable = code & 0x10;
    extendedType = quint8(m.at(4)) == 2;
    acceptFilter = littleEndian(m, 5);
    acceptMask = littleEndian(m, 9);
    if (manual) {
        autoRetransmit = m.at(3) != 0;
        const int sync = quint8(m.at(13)) + 1;
        const int bs1 = quint8(m.at(14)) + 1;
        const int bs2 = quint8(m.at(15)) + 1;
        const int prescaler = quint8(m.at(16)) | (quint8(m.at(17)) << 8);
        workMode = Mode(quint8(m.at(18)) & 3);
        rate = prescaler > 0 ? CanClockHz / (sync + bs1 + bs2) / prescaler : 0;
        timingText = QStringLiteral("sjw %1 tq, bs1 %2 tq, bs2 %3 tq, prescaler %4")
                             .arg(sync)
                             .arg(bs1)
                             .arg(bs2)
                             .arg(prescaler);
    } else {
        const int preset = quint8(m.at(3)) - 1;
        rate = preset >= 0 && preset < 12 ? PresetRates[preset] : 0;
        workMode = Mode(quint8(m.at(13)) & 3);
        autoRetransmit = m.at(14) != 0;
        timingText = QStringLiteral("preset %1").arg(preset + 1);
    }
    isRunning = true;
    static const char *const modes[] = { "normal", "loop-back", "silent", "loop-back silent" };
    note(QStringLiteral("host> set and start: %1 bit/s (%2), %3 mode, %4 frames, filter 0x%5 "
                        "mask 0x%6, %7, %8 framing")
                 .arg(rate)
                 .arg(timingText, modes[workMode], extendedType ? "extended" : "standard")
                 .arg(acceptFilter, 8, 16, QLatin1Char('0'))
                 .arg(acceptMask, 8, 16, QLatin1Char('0'))
                 .arg(autoRetransmit ? "retransmission on" : "no retransmission",
                      framingVariable ? "variable" : "fixed"));
}

void ConverterModel::handleReceiveIdFilter(const QByteArray &m)
{
    const bool onlyListed = quint8(m.at(2)) == 0x10;
    const int count = quint8(m.at(3));
    QList<quint32> ids;
    for (int k = 0; k < count; ++k)
        ids.append(littleEndian(m, 4 + 4 * k));
    stored.uploadIds = ids;
    // Code 0x11 with an empty list is "forward everything again".
    stored.upload = onlyListed ? Upload::OnlyListed : count == 0 ? Upload::All : Upload::NotListed;
    note(QStringLiteral("host> receive-ID filter: %1, %2 identifiers")
                 .arg(onlyListed           ? "forward only the listed"
                              : count == 0 ? "forward all"
                                           : "withhold the listed")
                 .arg(count));
    if (onStoredChanged)
        onStoredChanged();
}

void ConverterModel::handleFrameFromHost(const CanFrame &frame)
{
    if (!isRunning) {
        note(QStringLiteral("   controller stopped: frame dropped"));
        return;
    }
    if (workMode == Normal || workMode == LoopBack) {
        if (onTransmit)
            onTransmit(frame);
    }
    if (workMode == LoopBack || workMode == LoopBackSilent)
        deliverToHost(frame);
}

void ConverterModel::frameFromBus(const CanFrame &frame)
{
    if (!isRunning || workMode == LoopBack || workMode == LoopBackSilent)
        return; // a stopped or looped-back controller does not listen to the bus
    deliverToHost(frame);
}

bool ConverterModel::forwards(quint32 identifier) const
{
    if (((identifier ^ acceptFilter) & acceptMask) != 0)
        return false;
    switch (stored.upload) {
    case Upload::All:
        return true;
    case Upload::OnlyListed:
        return stored.uploadIds.contains(identifier);
    case Upload::NotListed:
        return !stored.uploadIds.contains(identifier);
    }
    return true;
}

void ConverterModel::deliverToHost(const CanFrame &frame)
{
    if (!forwards(frame.identifier))
        return;
    output += framingVariable ? variableFrameBytes(frame) : encodeFixedFrame(frame);
    if (trace)
        note(QStringLiteral("sim> %1 frame %2")
                     .arg(framingVariable ? "variable" : "fixed", describeFrame(frame)));
}
