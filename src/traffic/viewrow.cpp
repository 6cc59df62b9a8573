#include "viewrow.h"

#include <QDateTime>

QString receivedDataText(const CanFrame &frame)
{
    if (frame.length == 0)
        return QStringLiteral(" ");
    static const char digits[] = "0123456789abcdef";
    // The layout of the converter's own tools: blanks inserted at positions
    // 14, 12, ... 2 of the hex run, padding the run with blanks first when it
    // is shorter; for 1 to 7 bytes that is the spaced bytes padded to 21.
    // An FD frame's bytes beyond 8 just go on, one blank between each two.
    const int length = std::min<int>(frame.length, frame.maxLength());
    const int size = length > CanFrame::ClassicMaxLength ? 3 * length - 1
            : length == CanFrame::ClassicMaxLength    ? 23
                                                      : 21;
    QString text(size, QLatin1Char(' '));
    QChar *out = text.data();
    for (int i = 0; i < length; ++i) {
        out[3 * i] = QLatin1Char(digits[frame.data[i] >> 4]);
        out[3 * i + 1] = QLatin1Char(digits[frame.data[i] & 0x0F]);
    }
    return text;
}

QString frameTypeText(const CellWords &words, const CanFrame &frame)
{
    const QString &type = words[frame.extended ? CellWord::ExtendedFrame : CellWord::StandardFrame];
    if (!frame.fd)
        return type;
    QString text = type + QLatin1String(" FD");
    if (frame.bitRateSwitch)
        text += QLatin1String(" BRS");
    if (frame.errorStateIndicator)
        text += QLatin1String(" ESI");
    return text;
}

QString viewTimeText(const QTime &time)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d %03d", time.hour(), time.minute(),
                  time.second(), time.msec());
    return QString::fromLatin1(text);
}

// The local offset is looked up once a minute, not per frame: the receive
// path formats every frame's time.
QString viewTimeText(qint64 timestampUs)
{
    static qint64 offsetValidFromMs = 1;
    static qint64 offsetValidToMs = 0;
    static qint64 offsetMs = 0;
    const qint64 utcMs = timestampUs >= 0 ? timestampUs / 1000 : (timestampUs - 999) / 1000;
    if (utcMs < offsetValidFromMs || utcMs >= offsetValidToMs) {
        offsetMs = qint64(QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc()) * 1000;
        offsetValidFromMs = utcMs - utcMs % 60000;
        offsetValidToMs = offsetValidFromMs + 60000;
    }
    constexpr qint64 DayMs = 24 * 3600 * 1000;
    const qint64 localMs = ((utcMs + offsetMs) % DayMs + DayMs) % DayMs;
    return viewTimeText(QTime::fromMSecsSinceStartOfDay(int(localMs)));
}
