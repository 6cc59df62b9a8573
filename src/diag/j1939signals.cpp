#include "j1939signals.h"

#include "j1939.h"

#include <algorithm>

QString j1939SignalsText(const DbcDatabase &database, const DiagMessage &m)
{
    if (m.protocol != DiagMessage::Protocol::J1939 || !m.complete())
        return QString();
    const DbcMessage *message =
            database.find(j1939Identifier({ m.priority, m.pgn, m.source, m.destination }), true);
    if (!message)
        return QString();
    CanFrame frame;
    frame.extended = true;
    frame.fd = true;
    frame.length = quint8(std::min<qsizetype>(m.payload.size(), CanFrame::FdMaxLength));
    std::copy_n(m.payload.constData(), frame.length, frame.data.begin());
    QString text = message->name;
    for (const DecodedSignal &d : decodeMessage(*message, frame)) {
        text += QLatin1Char(' ') + d.signal->name + QLatin1Char('=')
                + QString::number(d.physical, 'g', 15);
        if (!d.signal->unit.isEmpty())
            text += QLatin1Char(' ') + d.signal->unit;
    }
    return text;
}
