#ifndef BITRATE_H
#define BITRATE_H

#include <QString>

#include <optional>

// Bit timing of the converter's CAN controller, as the combobox indexes hold
// it: an index i stands for i + 1 time quanta.
struct BitTiming
{
    int bs1Index = 0;
    int bs2Index = 0;
    int prescaler = 1;
};

constexpr int PresetCount = 12;
constexpr int MaxPrescaler = 1023;

// The timing behind each preset rate, "1M" (0) to "5K" (11).
BitTiming presetTiming(int presetIndex);

// The prescaler field read as a decimal integer; nothing for a text that is
// not one (empty, letters, out of the 32-bit range).
std::optional<int> prescalerValue(const QString &text);

// The rate a timing gives with the converter's 36 MHz CAN clock in bit/s;
// 0 for a prescaler outside 1 to 1023.
int bitRate(int syncIndex, int bs1Index, int bs2Index, int prescaler);
// A bit rate typed or chosen: "2M", "500K", "2.5M", "2000000" (bit/s);
// nothing for a text that is none or is 0.
std::optional<int> bitRateFromText(const QString &text);
// The same as "1000.000kbps"; " " for a prescaler outside 1 to 1023.
QString bitRateText(int syncIndex, int bs1Index, int bs2Index, int prescaler);

#endif // BITRATE_H
