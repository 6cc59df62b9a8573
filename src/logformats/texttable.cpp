// The program's own log, the data view as a text table: read back by its
// blank-separated fields, in Chinese or English.
#include "logformats.h"
#include "logreading.h"

#include <QTime>

using namespace LogReading;

namespace {

struct TableState
{
    QDate date;
    QTime previousTime;
};

// The data text as the view shows it: split at single blanks, each token in
// base 16 with its low 8 bits kept, an empty token a zero byte (as the
// senders read a list row's data).
const char *parseDataText(QByteArrayView text, int length, CanFrame *frame)
{
    if (text.isEmpty())
        return length == 0 || length == 1 ? nullptr : "fewer data bytes than the length";
    int count = 0;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(' ', start);
        if (end < 0)
            end = text.size();
        const QByteArrayView token = text.sliced(start, end - start);
        if (count == frame->maxLength())
            return frame->fd ? "more than 64 data bytes" : "more than 8 data bytes";
        quint32 value = 0;
        QByteArrayView digits = token;
        if (digits.startsWith("0x") || digits.startsWith("0X"))
            digits = digits.sliced(2);
        if (!token.isEmpty() && !parseUnsigned(digits, 16, 8, &value))
            return "data is not hexadecimal";
        frame->data[size_t(count++)] = quint8(value & 0xFF);
        start = end + 1;
    }
    return count == length ? nullptr : "data does not match the length";
}

const char *parseRow(QByteArrayView line, TableState &state, CaptureRecord *record)
{
    const Tokens tokens = splitTokens(line);
    if (tokens.count < 7 || tokens.overflow)
        return "too few fields";
    int i = 0;
    if (!isDigits(tokens[i++]))
        return "row number is not a number";
    const QByteArrayView direction = tokens[i++];
    if (direction == QByteArrayView("发送") || direction == QByteArrayView("Tx"))
        record->sent = true;
    else if (direction != QByteArrayView("接受") && direction != QByteArrayView("Rx"))
        return "direction is neither received nor sent";
    const QByteArrayView clock = tokens[i++];
    const QByteArrayView millis = tokens[i++];
    const QTime time = QTime::fromString(QString::fromLatin1(clock) + QLatin1Char(' ')
                                                 + QString::fromLatin1(millis),
                                         QStringLiteral("hh:mm:ss zzz"));
    if (!time.isValid() || millis.size() != 3)
        return "time is not hh:mm:ss zzz";
    const QByteArrayView format = tokens[i++];
    CanFrame &frame = record->frame;
    const auto isType = [](QByteArrayView token) {
        return token == QByteArrayView("扩展帧") || token == QByteArrayView("Extended")
                || token == QByteArrayView("标准帧") || token == QByteArrayView("Standard");
    };
    if (format == QByteArrayView("远程帧") || format == QByteArrayView("Remote")) {
        frame.remote = true;
    } else if (format != QByteArrayView("数据帧") && format != QByteArrayView("Data")) {
        // An error frame's row says what went wrong, in words, where the
        // format goes; its identifier cell holds the error class.
        int type = i - 1;
        while (type < tokens.count && type < i + 8 && !isType(tokens[type]))
            ++type;
        if (type == tokens.count || !isType(tokens[type]))
            return "frame format is neither data nor remote";
        frame.error = true;
        i = type;
    }
    // The frame type cell may be empty; the identifier's width tells then.
    std::optional<bool> extended;
    const QByteArrayView type = tokens[i];
    if (type == QByteArrayView("扩展帧") || type == QByteArrayView("Extended"))
        extended = true;
    else if (type == QByteArrayView("标准帧") || type == QByteArrayView("Standard"))
        extended = false;
    if (extended)
        ++i;
    // An FD frame's type cell goes on: "FD", then "BRS" and "ESI" where set.
    if (extended && tokens[i] == QByteArrayView("FD")) {
        frame.fd = true;
        ++i;
        if (tokens[i] == QByteArrayView("BRS"))
            frame.bitRateSwitch = true, ++i;
        if (tokens[i] == QByteArrayView("ESI"))
            frame.errorStateIndicator = true, ++i;
    }
    QByteArrayView id = tokens[i++];
    if (id.startsWith("0x") || id.startsWith("0X"))
        id = id.sliced(2);
    if (!parseUnsigned(id, 16, 8, &frame.identifier))
        return "identifier is not hexadecimal";
    frame.extended = extended.value_or(frame.identifier > StandardIdMask);
    if (!identifierFits(frame.identifier, frame.extended))
        return "identifier out of range";
    quint32 length = 0;
    if (!frame.fd && (!parseUnsigned(tokens[i], 10, 1, &length) || length > 8))
        return "length is not 0 to 8";
    if (frame.fd && (!parseUnsigned(tokens[i], 10, 2, &length) || !isFdLength(int(length))))
        return "length is not a CAN FD length";
    // The data text runs from the field after the length to the line's end.
    const QByteArrayView lengthToken = tokens[i];
    QByteArrayView data = line.sliced(lengthToken.data() + lengthToken.size() - line.data());
    while (!data.isEmpty() && (data[0] == ' ' || data[0] == '\t'))
        data = data.sliced(1);
    if (data.contains('\t'))
        return "data is not hexadecimal";
    const char *reason = parseDataText(data, int(length), &frame);
    if (reason)
        return reason;
    frame.length = quint8(length);
    if (frame.remote)
        frame.data.fill(0);
    if (state.previousTime.isValid() && time < state.previousTime)
        state.date = state.date.addDays(1); // the log ran past midnight
    state.previousTime = time;
    record->timestampUs = localTimeUs(state.date, time);
    return nullptr;
}

} // namespace

LogReadResult readTextTable(const QByteArray &content, const QDate &date)
{
    LogReadResult result;
    TableState state;
    state.date = date.isValid() ? date : QDate(1970, 1, 1);
    bool firstLine = true;
    bool anyRow = false;
    forEachLine(content, [&](int lineNumber, QByteArrayView line) {
        if (line.isEmpty())
            return;
        const bool header = firstLine;
        firstLine = false;
        CaptureRecord record;
        if (const char *reason = parseRow(line, state, &record)) {
            // The column titles head the file; they are not a row.
            if (!header || isDigits(splitTokens(line)[0]))
                skip(result, lineNumber, reason);
            return;
        }
        anyRow = true;
        result.records.push_back(record);
    });
    if (!anyRow && result.skippedLines == 0 && !content.trimmed().isEmpty())
        result.error = QStringLiteral("no rows of the data view");
    // `date` is the day of the last row (the file was last written then): a
    // log that ran past midnight started as many days before.
    const qint64 daysPassed = date.isValid() ? date.daysTo(state.date) : 0;
    for (CaptureRecord &record : result.records)
        record.timestampUs -= daysPassed * 86'400'000'000LL;
    return result;
}
