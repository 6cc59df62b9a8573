#ifndef COMMANDS_H
#define COMMANDS_H

#include <QByteArray>
#include <QList>

// Commands to the converter. All but the receive-ID filter are one 20-byte
// message in the envelope of the CAN frames: AA 55, code, 16 body bytes, checksum.

// Everything the set-and-start command carries, as the widgets hold it.
struct CanSetup
{
    bool manualTiming = false;
    bool variableFraming = false;
    int presetIndex = 0; // "1M" = 0 ... "5K" = 11
    int frameTypeIndex = 0; // 0 standard, 1 extended
    quint32 filter = 0;
    quint32 mask = 0;
    int modeIndex = 0; // normal, loop-back, silent, loop-back silent
    bool retransmit = true;
    int syncIndex = 0;
    int bs1Index = 0;
    int bs2Index = 0;
    int prescaler = 1;
};

QByteArray setStartCommand(const CanSetup &setup);
QByteArray busStatusQuery();
// rateCode: 0 = 2000000, 1 = 1228800, 2 = 115200, 3 = 38400, 4 = 19200, 5 = 9600 baud.
QByteArray baudRateCommand(int rateCode);

// The receive-ID filter: 5 + 4n bytes, checksum over the code, the count and the identifiers.
enum class UploadMode { NotListed, OnlyListed, All };
constexpr int MaxReceiveIds = 50;
QByteArray receiveIdCommand(UploadMode mode, const QList<quint32> &identifiers);

#endif // COMMANDS_H
