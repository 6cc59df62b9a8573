// candump -l logs: "(seconds.micros) interface id#data direction".
#include "logformats.h"
#include "logreading.h"

using namespace LogReading;

namespace {

constexpr quint32 ErrorFrameFlag = 0x20000000;
const char HexDigits[] = "0123456789ABCDEF";

// Floor division: a time before the epoch still has 0 to 999999 microseconds.
void splitMicroseconds(qint64 timestampUs, qint64 *seconds, qint64 *micros)
{
    *seconds = timestampUs / 1000000;
    *micros = timestampUs % 1000000;
    if (*micros < 0) {
        *micros += 1000000;
        *seconds -= 1;
    }
}

int hexDigit(char c)
{
    return hexDigitValue(uchar(c));
}

// "1ABCDEF0#0102", "7DF#R3", "321#": the frame, or the reason it is none.
const char *parseFrameToken(QByteArrayView token, CanFrame *frame)
{
    const qsizetype hash = token.indexOf('#');
    if (hash < 0)
        return "no '#' in the frame";
    const QByteArrayView id = token.first(hash);
    QByteArrayView body = token.sliced(hash + 1);
    if (id.size() != 3 && id.size() != 8)
        return "identifier is neither 3 nor 8 hex digits";
    quint32 identifier = 0;
    if (!parseUnsigned(id, 16, 8, &identifier))
        return "identifier is not hexadecimal";
    frame->extended = id.size() == 8;
    // candump -e: the error class under the error flag, the details as 8 data bytes.
    if (frame->extended && (identifier & ErrorFrameFlag)) {
        frame->error = true;
        identifier &= ~ErrorFrameFlag;
    }
    if (!identifierFits(identifier, frame->extended))
        return "identifier out of range";
    frame->identifier = identifier;
    // "##F<data>": an FD frame; the flags digit holds 1 for BRS and 2 for ESI
    // (newer can-utils add 4 for FD itself).
    if (body.startsWith('#')) {
        if (frame->error)
            return "error frame in CAN FD form";
        if (body.size() < 2 || hexDigit(body[1]) < 0)
            return "no flags digit after ##";
        const int flags = hexDigit(body[1]);
        frame->fd = true;
        frame->bitRateSwitch = flags & 0x1;
        frame->errorStateIndicator = flags & 0x2;
        body = body.sliced(2);
    }
    if (frame->error && (body.startsWith('R') || body.startsWith('r')))
        return "error frame with a remote flag";
    if (!frame->fd && (body.startsWith('R') || body.startsWith('r'))) {
        frame->remote = true;
        body = body.sliced(1);
        if (body.isEmpty())
            return nullptr;
        if (body.size() != 1 || body[0] < '0' || body[0] > '8')
            return "remote frame length is not 0 to 8";
        frame->length = quint8(body[0] - '0');
        return nullptr;
    }
    int length = 0;
    qsizetype i = 0;
    while (i < body.size()) {
        if (body[i] == '.' && length > 0) {
            ++i;
            continue;
        }
        if (i + 1 >= body.size())
            return "odd number of data digits";
        const int high = hexDigit(body[i]);
        const int low = hexDigit(body[i + 1]);
        if (high < 0 || low < 0)
            return "data is not hexadecimal";
        if (length == frame->maxLength())
            return frame->fd ? "more than 64 data bytes" : "more than 8 data bytes";
        frame->data[size_t(length++)] = quint8(high << 4 | low);
        i += 2;
    }
    // An FD length FD has not is padded with zeros, as can-utils pads it.
    frame->length = quint8(frame->fd ? fdLengthFor(length) : length);
    return nullptr;
}

const char *parseLine(QByteArrayView line, CaptureRecord *record)
{
    const Tokens tokens = splitTokens(line);
    if (tokens.count < 3 || tokens.count > 4 || tokens.overflow)
        return tokens.count < 3 ? "too few fields" : "too many fields";
    const QByteArrayView time = tokens[0];
    if (time.size() < 3 || !time.endsWith(')')
        || !parseSeconds(time.sliced(1, time.size() - 2), &record->timestampUs))
        return "time is not (seconds.micros)";
    if (const char *reason = parseFrameToken(tokens[2], &record->frame))
        return reason;
    if (tokens.count == 4) {
        if (tokens[3] == QByteArrayView("T"))
            record->sent = true;
        else if (tokens[3] != QByteArrayView("R"))
            return "direction is neither R nor T";
    }
    return nullptr;
}

} // namespace

QByteArray candumpLine(const CaptureRecord &record)
{
    char line[192];
    qint64 seconds = 0;
    qint64 micros = 0;
    splitMicroseconds(record.timestampUs, &seconds, &micros);
    const CanFrame &frame = record.frame;
    int n = std::snprintf(line, sizeof line,
                          frame.extended || frame.error ? "(%lld.%06lld) can0 %08X#"
                                                        : "(%lld.%06lld) can0 %03X#",
                          static_cast<long long>(seconds), static_cast<long long>(micros),
                          frame.error ? (frame.identifier & ExtendedIdMask) | ErrorFrameFlag
                                      : frame.identifier
                                              & (frame.extended ? ExtendedIdMask : StandardIdMask));
    const int length = std::min<int>(frame.length, frame.maxLength());
    if (frame.fd && !frame.error) {
        line[n++] = '#';
        line[n++] = HexDigits[(frame.bitRateSwitch ? 0x1 : 0) | (frame.errorStateIndicator ? 0x2 : 0)];
    }
    if (frame.remote && !frame.error && !frame.fd) {
        line[n++] = 'R';
        if (length > 0)
            line[n++] = char('0' + length);
    } else {
        for (int i = 0; i < length; ++i) {
            line[n++] = HexDigits[frame.data[size_t(i)] >> 4];
            line[n++] = HexDigits[frame.data[size_t(i)] & 0x0F];
        }
    }
    line[n++] = ' ';
    line[n++] = record.sent ? 'T' : 'R';
    line[n++] = '\n';
    return QByteArray(line, n);
}

LogReadResult readCandumpLog(const QByteArray &content)
{
    LogReadResult result;
    bool anyFrameLine = false;
    forEachLine(content, [&](int lineNumber, QByteArrayView line) {
        if (!line.startsWith('('))
            return; // blank or a comment
        anyFrameLine = true;
        CaptureRecord record;
        if (const char *reason = parseLine(line, &record))
            skip(result, lineNumber, reason);
        else
            result.records.push_back(record);
    });
    if (!anyFrameLine && !content.trimmed().isEmpty())
        result.error = QStringLiteral("no candump lines");
    return result;
}
