#include "bitrate.h"

namespace {
constexpr int CanClockHz = 36000000;
constexpr BitTiming Presets[PresetCount] = {
    { 5, 4, 3 },  { 7, 5, 3 },  { 5, 4, 6 },  { 4, 3, 9 },   { 5, 4, 12 },  { 4, 3, 18 },
    { 5, 4, 24 }, { 5, 4, 30 }, { 5, 4, 60 }, { 4, 3, 180 }, { 5, 4, 300 }, { 5, 4, 600 },
};
} // namespace

BitTiming presetTiming(int presetIndex)
{
    return Presets[presetIndex];
}

std::optional<int> prescalerValue(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

int bitRate(int syncIndex, int bs1Index, int bs2Index, int prescaler)
{
    if (prescaler < 1 || prescaler > MaxPrescaler)
        return 0;
    const int quanta = (syncIndex + 1) + (bs1Index + 1) + (bs2Index + 1);
    return CanClockHz / quanta / prescaler;
}

std::optional<int> bitRateFromText(const QString &text)
{
    QString number = text.trimmed().toUpper();
    double unit = 1;
    if (number.endsWith(QLatin1Char('M')))
        unit = 1e6;
    else if (number.endsWith(QLatin1Char('K')))
        unit = 1e3;
    if (unit > 1)
        number.chop(1);
    bool ok = false;
    const double rate = number.toDouble(&ok) * unit;
    if (!ok || rate < 1 || rate > 1e9)
        return std::nullopt;
    return int(rate + 0.5);
}

QString bitRateText(int syncIndex, int bs1Index, int bs2Index, int prescaler)
{
    const int rate = bitRate(syncIndex, bs1Index, bs2Index, prescaler);
    if (rate == 0)
        return QStringLiteral(" ");
    return QString::asprintf("%d.%03dkbps", rate / 1000, rate % 1000);
}
