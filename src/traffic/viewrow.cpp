#include "viewrow.h"

QString receivedDataText(const CanFrame &frame)
{
    if (frame.length == 0)
        return QStringLiteral(" ");
    static const char digits[] = "0123456789abcdef";
    // The layout of the converter's own tools: blanks inserted at positions
    // 14, 12, ... 2 of the hex run, padding the run with blanks first when it
    // is shorter; for 1 to 7 bytes that is the spaced bytes padded to 21.
    const int length = std::min<int>(frame.length, CanFrame::MaxDataLength);
    const int size = length == CanFrame::MaxDataLength ? 23 : 21;
    QString text(size, QLatin1Char(' '));
    QChar *out = text.data();
    for (int i = 0; i < length; ++i) {
        out[3 * i] = QLatin1Char(digits[frame.data[i] >> 4]);
        out[3 * i + 1] = QLatin1Char(digits[frame.data[i] & 0x0F]);
    }
    return text;
}

QString viewTimeText(const QTime &time)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d %03d", time.hour(), time.minute(),
                  time.second(), time.msec());
    return QString::fromLatin1(text);
}
