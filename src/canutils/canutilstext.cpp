#include "canutilstext.h"

#include "capturerecord.h"
#include "logformats.h"

#include <cstdio>

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

int hexValue(QChar c)
{
    return hexDigitValue(c.unicode());
}

bool parseHex(QStringView text, quint32 *value)
{
    quint32 v = 0;
    for (const QChar c : text) {
        const int digit = hexValue(c);
        if (digit < 0)
            return false;
        v = (v << 4) | quint32(digit);
    }
    *value = v;
    return !text.isEmpty();
}

// Hex byte pairs, optionally separated by single dots.
bool parseDataBytes(QStringView text, CanFrame *frame)
{
    int count = 0;
    int i = 0;
    while (i < text.size()) {
        if (text[i] == QLatin1Char('.') && i > 0 && i + 1 < text.size()
            && text[i - 1] != QLatin1Char('.')) {
            ++i;
            continue;
        }
        if (i + 1 >= text.size() || count >= frame->maxLength())
            return false;
        const int high = hexValue(text[i]);
        const int low = hexValue(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        frame->data[size_t(count++)] = quint8(high << 4 | low);
        i += 2;
    }
    if (frame->fd && !isFdLength(count))
        return false;
    frame->length = quint8(count);
    return true;
}

} // namespace

std::optional<CanFrame> parseCansendFrame(const QString &text)
{
    const qsizetype hash = text.indexOf(QLatin1Char('#'));
    if (hash != 3 && hash != 8)
        return std::nullopt;
    CanFrame frame;
    frame.extended = hash == 8;
    if (!parseHex(QStringView(text).left(hash), &frame.identifier))
        return std::nullopt;
    if (frame.identifier > (frame.extended ? 0x1FFFFFFFu : 0x7FFu))
        return std::nullopt;
    QStringView rest = QStringView(text).mid(hash + 1);
    if (rest.startsWith(QLatin1Char('R'))) {
        frame.remote = true;
        if (rest.size() == 1)
            return frame;
        if (rest.size() != 2 || rest[1] < QLatin1Char('0') || rest[1] > QLatin1Char('8'))
            return std::nullopt;
        frame.length = quint8(rest[1].unicode() - '0');
        return frame;
    }
    if (rest.startsWith(QLatin1Char('#'))) {
        const int flags = rest.size() >= 2 ? hexValue(rest[1]) : -1;
        if (flags < 0 || flags > 3)
            return std::nullopt;
        frame.fd = true;
        frame.bitRateSwitch = flags & 1;
        frame.errorStateIndicator = flags & 2;
        rest = rest.mid(2);
    }
    if (!parseDataBytes(rest, &frame))
        return std::nullopt;
    return frame;
}

QByteArray candumpScreenLine(const CanFrame &frame, const QByteArray &interfaceName)
{
    char line[320];
    const bool longId = frame.extended || frame.error;
    const quint32 id = frame.error ? (frame.identifier & 0x1FFFFFFFu) | 0x20000000u
                                   : frame.identifier & (longId ? 0x1FFFFFFFu : 0x7FFu);
    const int length = std::min<int>(frame.length, frame.maxLength());
    int n = std::snprintf(line, 64, longId ? "  %s  %08X  " : "  %s  %03X  ",
                          interfaceName.constData(), unsigned(id));
    n += std::snprintf(line + n, 16, frame.fd ? "[%02d]" : " [%d]", length);
    if (frame.remote && !frame.fd) {
        n += std::snprintf(line + n, 32, "  remote request");
    } else {
        if (length > 0) {
            line[n++] = ' ';
        }
        for (int i = 0; i < length; ++i) {
            line[n++] = ' ';
            line[n++] = HexDigits[frame.data[size_t(i)] >> 4];
            line[n++] = HexDigits[frame.data[size_t(i)] & 0x0F];
        }
    }
    line[n++] = '\n';
    return QByteArray(line, n);
}

QByteArray candumpStdoutLine(const CanFrame &frame, qint64 timestampUs)
{
    QByteArray line = candumpLine(CaptureRecord{ timestampUs, frame, false });
    line.chop(3); // " R\n"
    line += '\n';
    return line;
}

QString candumpLogFileName(const QDateTime &start)
{
    return start.toString(QStringLiteral("'candump-'yyyy-MM-dd_HHmmss'.log'"));
}
