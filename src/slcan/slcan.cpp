#include "slcan.h"

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

int hexValue(char c)
{
    return hexDigitValue(uchar(c));
}

bool hexNumber(const char *text, int digits, quint32 *value)
{
    quint32 v = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = hexValue(text[i]);
        if (d < 0)
            return false;
        v = v << 4 | quint32(d);
    }
    *value = v;
    return true;
}

SlcanCommand frameCommand(const QByteArray &line)
{
    SlcanCommand command;
    const char kind = line[0];
    CanFrame &frame = command.frame;
    frame.extended = kind == 'T' || kind == 'R';
    frame.remote = kind == 'r' || kind == 'R';
    const int idDigits = frame.extended ? 8 : 3;
    if (line.size() < 1 + idDigits + 1 || !hexNumber(line.constData() + 1, idDigits, &frame.identifier)
        || frame.identifier > (frame.extended ? 0x1FFFFFFFu : 0x7FFu))
        return command;
    const char lengthDigit = line[1 + idDigits];
    if (lengthDigit < '0' || lengthDigit > '8')
        return command;
    frame.length = quint8(lengthDigit - '0');
    const int dataAt = 2 + idDigits;
    const int dataDigits = frame.remote ? 0 : 2 * frame.length;
    if (line.size() != dataAt + dataDigits)
        return command;
    for (int i = 0; i < dataDigits / 2; ++i) {
        quint32 byte = 0;
        if (!hexNumber(line.constData() + dataAt + 2 * i, 2, &byte))
            return command;
        frame.data[size_t(i)] = quint8(byte);
    }
    command.kind = SlcanCommand::Frame;
    return command;
}

} // namespace

SlcanCommand parseSlcanCommand(const QByteArray &line)
{
    SlcanCommand command;
    if (line.isEmpty())
        return command;
    const char c = line[0];
    if (c == 't' || c == 'T' || c == 'r' || c == 'R')
        return frameCommand(line);
    if (line.size() == 1) {
        switch (c) {
        case 'O': command.kind = SlcanCommand::Open; break;
        case 'L': command.kind = SlcanCommand::ListenOnly; break;
        case 'C': command.kind = SlcanCommand::Close; break;
        case 'V': command.kind = SlcanCommand::Version; break;
        case 'v': command.kind = SlcanCommand::DetailedVersion; break;
        case 'N': command.kind = SlcanCommand::SerialNumber; break;
        case 'F': command.kind = SlcanCommand::Flags; break;
        default: break;
        }
        return command;
    }
    if (line.size() == 2 && c == 'S' && line[1] >= '0' && line[1] < '0' + Slcan::BitRateCount) {
        command.kind = SlcanCommand::BitRate;
        command.value = quint32(line[1] - '0');
    } else if (line.size() == 2 && c == 'Z' && (line[1] == '0' || line[1] == '1')) {
        command.kind = SlcanCommand::Timestamps;
        command.value = quint32(line[1] - '0');
    } else if (line.size() == 9 && (c == 'M' || c == 'm')
               && hexNumber(line.constData() + 1, 8, &command.value)) {
        command.kind = c == 'M' ? SlcanCommand::AcceptanceCode : SlcanCommand::AcceptanceMask;
    }
    return command;
}

int slcanTimestamp(qint64 timeUs)
{
    const qint64 ms = (timeUs / 1000) % 60000;
    return int(ms < 0 ? ms + 60000 : ms);
}

std::optional<QByteArray> slcanFrameLine(const CanFrame &frame, std::optional<int> timestampMs)
{
    if (frame.fd || frame.error || frame.length > CanFrame::ClassicMaxLength)
        return std::nullopt;
    char line[40];
    int n = 0;
    line[n++] = frame.remote ? (frame.extended ? 'R' : 'r') : (frame.extended ? 'T' : 't');
    const int idDigits = frame.extended ? 8 : 3;
    const quint32 id = frame.identifier & (frame.extended ? 0x1FFFFFFFu : 0x7FFu);
    for (int i = idDigits - 1; i >= 0; --i)
        line[n++] = HexDigits[(id >> (4 * i)) & 0xF];
    line[n++] = char('0' + frame.length);
    if (!frame.remote) {
        for (int i = 0; i < frame.length; ++i) {
            line[n++] = HexDigits[frame.data[size_t(i)] >> 4];
            line[n++] = HexDigits[frame.data[size_t(i)] & 0xF];
        }
    }
    if (timestampMs) {
        const int t = *timestampMs;
        for (int i = 3; i >= 0; --i)
            line[n++] = HexDigits[(t >> (4 * i)) & 0xF];
    }
    line[n++] = '\r';
    return QByteArray(line, n);
}

SlcanReply slcanRespond(SlcanState &state, const SlcanCommand &command, quint8 statusFlags,
                        bool rateKnown)
{
    SlcanReply reply;
    const QByteArray ok(1, Slcan::Ok);
    const QByteArray error(1, Slcan::Error);
    reply.answer = ok;
    switch (command.kind) {
    case SlcanCommand::Invalid:
        reply.answer = error;
        break;
    case SlcanCommand::Open:
    case SlcanCommand::ListenOnly:
        if (state.open || (!rateKnown && !state.bitRateIndex)) {
            reply.answer = error;
            break;
        }
        state.open = true;
        state.listenOnly = command.kind == SlcanCommand::ListenOnly;
        reply.action = SlcanReply::Start;
        break;
    case SlcanCommand::Close:
        if (state.open)
            reply.action = SlcanReply::Stop;
        state.open = false;
        state.listenOnly = false;
        break;
    case SlcanCommand::BitRate:
        if (state.open)
            reply.answer = error;
        else
            state.bitRateIndex = int(command.value);
        break;
    case SlcanCommand::Version:
        reply.answer = QByteArray("V1013") + ok;
        break;
    case SlcanCommand::DetailedVersion:
        reply.answer = QByteArray("v1013") + ok;
        break;
    case SlcanCommand::SerialNumber:
        reply.answer = QByteArray("NTLVK") + ok;
        break;
    case SlcanCommand::Flags:
        reply.answer = QByteArray("F") + HexDigits[statusFlags >> 4] + HexDigits[statusFlags & 0xF]
                + ok;
        break;
    case SlcanCommand::Timestamps:
        state.timestamps = command.value == 1;
        break;
    case SlcanCommand::AcceptanceCode:
        state.acceptanceCode = command.value;
        break;
    case SlcanCommand::AcceptanceMask:
        state.acceptanceMask = command.value;
        break;
    case SlcanCommand::Frame:
        if (!state.open || state.listenOnly)
            reply.answer = error;
        else
            reply.action = SlcanReply::Send;
        break;
    }
    return reply;
}
