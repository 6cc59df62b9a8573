// Vector ASC logs, written the way can-utils' log2asc writes them and read
// in the variants other tools write.
#include "logformats.h"
#include "logreading.h"

#include <QDateTime>

using namespace LogReading;

namespace {

const char *const WeekdayNames[] = { "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun" };
const char *const MonthNames[] = { "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
// The German abbreviations that differ, as a German Windows writes them.
const char *const GermanMonthNames[] = { "Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                                         "Jul", "Aug", "Sep", "Okt", "Nov", "Dez" };

int monthOf(QByteArrayView token)
{
    for (int i = 0; i < 12; ++i) {
        if (equalsIgnoringCase(token, MonthNames[i]) || token == GermanMonthNames[i]
            || (i == 2 && token == QByteArrayView("Mrz")))
            return i + 1;
    }
    return 0;
}

// "date Tue Nov 14 22:13:20 2023", also "22:13:20.123" and "10:13:20 pm".
std::optional<qint64> parseDateLine(const Tokens &tokens)
{
    int month = 0;
    int day = 0;
    int year = 0;
    QTime time;
    bool pm = false;
    bool am = false;
    for (int i = 1; i < tokens.count; ++i) {
        const QByteArrayView token = tokens[i];
        quint32 number = 0;
        if (!month && monthOf(token)) {
            month = monthOf(token);
        } else if (token.contains(':')) {
            const QString text = QString::fromLatin1(token);
            time = QTime::fromString(text, QStringLiteral("h:m:s.zzz"));
            if (!time.isValid())
                time = QTime::fromString(text, QStringLiteral("h:m:s"));
        } else if (equalsIgnoringCase(token, "pm")) {
            pm = true;
        } else if (equalsIgnoringCase(token, "am")) {
            am = true;
        } else if (parseUnsigned(token, 10, 4, &number)) {
            if (token.size() == 4)
                year = int(number);
            else if (month && !day)
                day = int(number);
        }
    }
    if (!time.isValid() || (am && time.hour() > 12) || (pm && time.hour() > 12))
        return std::nullopt;
    if (pm && time.hour() < 12)
        time = time.addSecs(12 * 3600);
    else if (am && time.hour() == 12)
        time = time.addSecs(-12 * 3600);
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return localTimeUs(date, time);
}

struct AscState
{
    qint64 baseUs = 0;
    bool decimal = false;
    bool relative = false;
    qint64 previousUs = 0;
};

// A line's time: seconds after the header's date, or after the line before.
qint64 lineTimeUs(const AscState &state, qint64 offsetUs)
{
    return (state.relative ? state.previousUs : state.baseUs) + offsetUs;
}

// A frame stamped before the header's date (as just before auto-save started)
// has a minus sign.
bool parseAscSeconds(QByteArrayView text, qint64 *microseconds)
{
    const bool negative = text.startsWith('-');
    if (!parseSeconds(negative ? text.sliced(1) : text, microseconds))
        return false;
    if (negative)
        *microseconds = -*microseconds;
    return true;
}

// An identifier token, "1F3" or "1ABCDEF0x".
const char *parseIdentifier(QByteArrayView idToken, const AscState &state, CanFrame *frame)
{
    QByteArrayView idDigits = idToken;
    if (idToken.endsWith('x') || idToken.endsWith('X')) {
        frame->extended = true;
        idDigits = idToken.chopped(1);
    }
    if (!parseUnsigned(idDigits, state.decimal ? 10 : 16, state.decimal ? 10 : 8,
                       &frame->identifier))
        return "not a frame";
    if (!identifierFits(frame->identifier, frame->extended))
        return "identifier out of range";
    return nullptr;
}

const char *parseDirection(QByteArrayView token, CaptureRecord *record)
{
    if (equalsIgnoringCase(token, "Tx"))
        record->sent = true;
    else if (!equalsIgnoringCase(token, "Rx"))
        return "direction is neither Rx nor Tx";
    return nullptr;
}

const char *parseDataBytes(const Tokens &tokens, int first, int count, const AscState &state,
                           CanFrame *frame)
{
    if (tokens.count < first + count)
        return "fewer data bytes than the length";
    for (int i = 0; i < count; ++i) {
        quint32 byte = 0;
        if (!parseUnsigned(tokens[first + i], state.decimal ? 10 : 16, 3, &byte) || byte > 0xFF)
            return "data byte is not a byte";
        frame->data[size_t(i)] = quint8(byte);
    }
    return nullptr;
}

// "<time> CANFD <channel> Rx|Tx <id>[x] [<name>] <brs> <esi> <dlc> <length> <bytes>
// [<duration> <bits> <flags> <crc> <timings>...]": without the flags' FD bit
// (0x1000) the line holds a classic frame.
const char *parseFdLine(const Tokens &tokens, const AscState &state, CaptureRecord *record)
{
    CanFrame &frame = record->frame;
    if (!isDigits(tokens[2]))
        return "not a frame";
    if (const char *reason = parseDirection(tokens[3], record))
        return reason;
    if (const char *reason = parseIdentifier(tokens[4], state, &frame))
        return reason;
    const auto isBit = [](QByteArrayView token) { return token == "0" || token == "1"; };
    int next = isBit(tokens[5]) && isBit(tokens[6]) ? 5 : 6; // a symbolic name, if any
    if (!isBit(tokens[next]) || !isBit(tokens[next + 1]))
        return "BRS and ESI are not 0 or 1";
    frame.fd = true;
    frame.bitRateSwitch = tokens[next] == "1";
    frame.errorStateIndicator = tokens[next + 1] == "1";
    quint32 length = 0;
    if (!parseUnsigned(tokens[next + 3], 10, 2, &length) || length > 64)
        return "length is not 0 to 64";
    if (const char *reason = parseDataBytes(tokens, next + 4, int(length), state, &frame))
        return reason;
    next += 4 + int(length);
    quint32 flags = 0;
    if (tokens.count > next + 2 && parseUnsigned(tokens[next + 2], 16, 8, &flags)
        && !(flags & 0x1000)) {
        if (length > 8)
            return "a classic frame with more than 8 data bytes";
        frame.fd = frame.bitRateSwitch = frame.errorStateIndicator = false;
    }
    frame.length = quint8(frame.fd ? fdLengthFor(int(length)) : int(length));
    record->timestampUs = lineTimeUs(state, 0);
    return nullptr;
}

// "<time> <channel> <id>[x] Rx|Tx d <length> <bytes> [Length = ...]", "r [<length>]".
const char *parseFrameLine(const Tokens &tokens, const AscState &state, CaptureRecord *record)
{
    qint64 offset = 0;
    if (!parseAscSeconds(tokens[0], &offset))
        return "time is not seconds";
    if (equalsIgnoringCase(tokens[1], "CANFD")) {
        const char *reason = parseFdLine(tokens, state, record);
        record->timestampUs += offset;
        return reason;
    }
    if (!isDigits(tokens[1]))
        return "not a frame";
    const QByteArrayView idToken = tokens[2];
    CanFrame &frame = record->frame;
    // An error frame says nothing of what went wrong; it reads back as
    // asc2log reads it, a bus error.
    if (equalsIgnoringCase(idToken, "ErrorFrame")) {
        frame.error = true;
        frame.extended = true;
        frame.identifier = 0x80;
        frame.length = CanFrame::ClassicMaxLength;
        record->timestampUs = lineTimeUs(state, offset);
        return nullptr;
    }
    if (startsWithIgnoringCase(idToken, "Statistic"))
        return "statistics";
    if (startsWithIgnoringCase(idToken, "Status"))
        return "status";
    if (const char *reason = parseIdentifier(idToken, state, &frame))
        return reason;
    if (const char *reason = parseDirection(tokens[3], record))
        return reason;
    int next = 5;
    quint32 length = 0;
    if (equalsIgnoringCase(tokens[4], "r")) {
        frame.remote = true;
        if (isDigits(tokens[5])) {
            if (!parseUnsigned(tokens[5], 16, 1, &length) || length > 8)
                return "length is not 0 to 8";
            next = 6;
        }
    } else if (equalsIgnoringCase(tokens[4], "d")) {
        if (!parseUnsigned(tokens[5], 16, 1, &length) || length > 8)
            return "length is not 0 to 8";
        if (const char *reason = parseDataBytes(tokens, 6, int(length), state, &frame))
            return reason;
        next = 6 + int(length);
    } else {
        return "neither a data nor a remote frame";
    }
    frame.length = quint8(length);
    // What may follow the frame: "Length = 240000 BitCount = 122 ID = 291x" and the like.
    if (next < tokens.count && tokens[next + 1] != QByteArrayView("=")
        && !tokens[next].contains('='))
        return "more data bytes than the length";
    if (tokens.overflow)
        return "too many fields";
    record->timestampUs = lineTimeUs(state, offset);
    return nullptr;
}

void appendTimeOfDay(QByteArray &out, const char *format, qint64 seconds, qint64 micros)
{
    char text[32];
    const int n = std::snprintf(text, sizeof text, format, static_cast<long long>(seconds),
                                static_cast<long long>(micros));
    out.append(text, n);
}

// The data length code of an FD length: the length up to 8, then 9 for 12 to 15 for 64.
int fdDlc(int length)
{
    static const int sizes[] = { 12, 16, 20, 24, 32, 48, 64 };
    for (int code = 0; code < 7 && length > 8; ++code) {
        if (length <= sizes[code])
            return 9 + code;
    }
    return std::min(length, 15);
}

// An FD frame as log2asc writes it: a fixed bit count and duration, the
// flags FD (0x1000), BRS (0x2000) and ESI (0x4000), CRC and bit timings 0.
void appendFdLine(QByteArray &line, const CaptureRecord &record)
{
    static const char digits[] = "0123456789ABCDEF";
    const CanFrame &frame = record.frame;
    const int length = std::min<int>(frame.length, CanFrame::FdMaxLength);
    char text[300];
    int n = std::snprintf(text, sizeof text, " CANFD %3d %s %10X%c%33s %d %d %x %2d", 1,
                          record.sent ? "Tx" : "Rx",
                          frame.identifier & (frame.extended ? ExtendedIdMask : StandardIdMask),
                          frame.extended ? 'x' : ' ', "", frame.bitRateSwitch ? 1 : 0,
                          frame.errorStateIndicator ? 1 : 0, fdDlc(length), length);
    for (int i = 0; i < length; ++i) {
        text[n++] = ' ';
        text[n++] = digits[frame.data[size_t(i)] >> 4];
        text[n++] = digits[frame.data[size_t(i)] & 0x0F];
    }
    n += std::snprintf(text + n, sizeof text - size_t(n), " %8d %4d %8X 0 0 0 0 0\n", 130000, 130,
                       0x1000 | (frame.bitRateSwitch ? 0x2000 : 0)
                               | (frame.errorStateIndicator ? 0x4000 : 0));
    line.append(text, n);
}

} // namespace

QByteArray ascHeader(qint64 baseTimeUs)
{
    qint64 seconds = baseTimeUs / 1000000;
    if (baseTimeUs % 1000000 < 0)
        --seconds;
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds);
    const QDate date = time.date();
    const QTime clock = time.time();
    char text[128];
    const int n =
            std::snprintf(text, sizeof text,
                          "date %s %s %2d %02d:%02d:%02d %d\n"
                          "base hex  timestamps absolute\n"
                          "no internal events logged\n",
                          WeekdayNames[date.dayOfWeek() - 1], MonthNames[date.month() - 1],
                          date.day(), clock.hour(), clock.minute(), clock.second(), date.year());
    return QByteArray(text, n);
}

QByteArray ascLine(const CaptureRecord &record, qint64 baseTimeUs)
{
    const CanFrame &frame = record.frame;
    QByteArray line;
    line.reserve(64);
    const qint64 offset = record.timestampUs - baseTimeUs;
    const qint64 magnitude = offset < 0 ? -offset : offset;
    appendTimeOfDay(line, offset < 0 ? "  -%lld.%06lld" : "%4lld.%06lld", magnitude / 1000000,
                    magnitude % 1000000);
    if (frame.error) {
        line.append(" 1  ErrorFrame\n");
        return line;
    }
    if (frame.fd) {
        appendFdLine(line, record);
        return line;
    }
    char text[64];
    char id[16];
    if (frame.extended)
        std::snprintf(id, sizeof id, "%Xx", frame.identifier & ExtendedIdMask);
    else
        std::snprintf(id, sizeof id, "%X", frame.identifier & StandardIdMask);
    const int length = std::min<int>(frame.length, CanFrame::ClassicMaxLength);
    int n = std::snprintf(text, sizeof text, " 1  %-15s %s   %c %d", id, record.sent ? "Tx" : "Rx",
                          frame.remote ? 'r' : 'd', length);
    if (!frame.remote) {
        static const char digits[] = "0123456789ABCDEF";
        for (int i = 0; i < length; ++i) {
            text[n++] = ' ';
            text[n++] = digits[frame.data[size_t(i)] >> 4];
            text[n++] = digits[frame.data[size_t(i)] & 0x0F];
        }
    }
    text[n++] = '\n';
    line.append(text, n);
    return line;
}

LogReadResult readAscLog(const QByteArray &content)
{
    LogReadResult result;
    AscState state;
    bool anyAscLine = false;
    forEachLine(content, [&](int lineNumber, QByteArrayView line) {
        if (line.isEmpty() || line.startsWith("//"))
            return;
        const Tokens tokens = splitTokens(line);
        if (equalsIgnoringCase(tokens[0], "date")) {
            anyAscLine = true;
            if (const std::optional<qint64> base = parseDateLine(tokens)) {
                state.baseUs = *base;
                state.previousUs = *base;
            } else {
                skip(result, lineNumber, "date not understood");
            }
            return;
        }
        if (equalsIgnoringCase(tokens[0], "base")) {
            anyAscLine = true;
            state.decimal = equalsIgnoringCase(tokens[1], "dec");
            state.relative = equalsIgnoringCase(tokens[3], "relative");
            return;
        }
        if ((equalsIgnoringCase(tokens[0], "begin") || equalsIgnoringCase(tokens[0], "end"))
            && equalsIgnoringCase(tokens[1], "triggerblock"))
            return;
        if (startsWithIgnoringCase(line, "no internal events logged")
            || startsWithIgnoringCase(line, "internal events logged"))
            return;
        if (!tokens[0].isEmpty() && tokens[0][0] >= '0' && tokens[0][0] <= '9')
            anyAscLine = true;
        CaptureRecord record;
        const char *reason = parseFrameLine(tokens, state, &record);
        // Relative times run on from every timed line, also one that is skipped.
        qint64 offset = 0;
        if (state.relative && parseAscSeconds(tokens[0], &offset))
            state.previousUs += offset;
        if (reason) {
            skip(result, lineNumber, reason);
            return;
        }
        result.records.push_back(record);
    });
    if (!anyAscLine && !content.trimmed().isEmpty())
        result.error = QStringLiteral("no ASC lines");
    return result;
}
