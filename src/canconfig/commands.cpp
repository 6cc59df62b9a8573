#include "commands.h"

#include "convertercodec.h"

namespace {

QByteArray envelope(quint8 code)
{
    QByteArray message(Envelope::Size, char(0));
    message[0] = char(Envelope::Start);
    message[1] = char(Envelope::FixedMarker);
    message[2] = char(code);
    return message;
}

QByteArray sealed(QByteArray message)
{
    message[Envelope::Size - 1] = char(fixedChecksum(message));
    return message;
}

void putLittleEndian(QByteArray &message, int at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        message[at + i] = char((value >> (8 * i)) & 0xFF);
}

} // namespace

QByteArray setStartCommand(const CanSetup &setup)
{
    const quint8 code = (setup.manualTiming ? 0x03 : 0x02) | (setup.variableFraming ? 0x10 : 0x00);
    QByteArray m = envelope(code);
    m[4] = char(setup.frameTypeIndex + 1);
    putLittleEndian(m, 5, setup.filter);
    putLittleEndian(m, 9, setup.mask);
    if (setup.manualTiming) {
        m[3] = char(setup.retransmit ? 1 : 0);
        m[13] = char(setup.syncIndex);
        m[14] = char(setup.bs1Index);
        m[15] = char(setup.bs2Index);
        m[16] = char(setup.prescaler & 0xFF);
        m[17] = char((setup.prescaler >> 8) & 0xFF);
        m[18] = char(setup.modeIndex);
    } else {
        m[3] = char(setup.presetIndex + 1);
        m[13] = char(setup.modeIndex);
        m[14] = char(setup.retransmit ? 1 : 0);
    }
    return sealed(m);
}

QByteArray busStatusQuery()
{
    return sealed(envelope(Envelope::TypeBusStatus));
}

QByteArray baudRateCommand(int rateCode)
{
    QByteArray m = envelope(0x06);
    m[3] = char(rateCode);
    return sealed(m);
}

QByteArray receiveIdCommand(UploadMode mode, const QList<quint32> &identifiers)
{
    const QList<quint32> ids = mode == UploadMode::All ? QList<quint32>() : identifiers;
    QByteArray m;
    m.append(char(Envelope::Start));
    m.append(char(Envelope::FixedMarker));
    m.append(char(mode == UploadMode::OnlyListed ? 0x10 : 0x11));
    m.append(char(ids.size()));
    for (quint32 id : ids) {
        for (int i = 0; i < 4; ++i)
            m.append(char((id >> (8 * i)) & 0xFF));
    }
    quint8 sum = 0;
    for (int i = 2; i < m.size(); ++i)
        sum += quint8(m.at(i));
    m.append(char(sum));
    return m;
}
