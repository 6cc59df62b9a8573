#include "canframe.h"

#include <QStringList>

#include <algorithm>

quint32 parseHexId(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 16);
    return ok ? quint32(value) : 0u;
}

HexBytes parseHexBytes(const QString &text)
{
    HexBytes result;
    const QStringList tokens = text.trimmed().split(QLatin1Char(' '), Qt::KeepEmptyParts);
    result.tokenCount = int(tokens.size());
    const int kept = std::min<int>(result.tokenCount, CanFrame::FdMaxLength);
    for (int i = 0; i < kept; ++i)
        result.bytes[i] = quint8(parseHexId(tokens.at(i)) & 0xFF);
    return result;
}

CanFrame frameFromTexts(const QString &idText, const HexBytes &data, bool extended,
                        bool bitRateSwitch)
{
    CanFrame frame;
    frame.identifier = parseHexId(idText);
    frame.extended = extended;
    frame.remote = false;
    const int count = std::min<int>(data.tokenCount, CanFrame::FdMaxLength);
    frame.fd = count > CanFrame::ClassicMaxLength;
    frame.bitRateSwitch = frame.fd && bitRateSwitch;
    frame.length = quint8(frame.fd ? fdLengthFor(count) : count);
    for (int i = 0; i < count; ++i)
        frame.data[i] = data.bytes[i];
    return frame;
}

int fdLengthFor(int count)
{
    if (count <= CanFrame::ClassicMaxLength)
        return std::max(count, 0);
    for (int length : { 12, 16, 20, 24, 32, 48 }) {
        if (count <= length)
            return length;
    }
    return CanFrame::FdMaxLength;
}

QString identifierText(quint32 identifier)
{
    return QStringLiteral("0x%1").arg(identifier, 8, 16, QLatin1Char('0'));
}

QString messageIdText(quint32 identifier, bool extended)
{
    return extended ? identifierText(identifier)
                    : QStringLiteral("0x%1").arg(identifier, 3, 16, QLatin1Char('0'));
}
