#ifndef CANFRAME_H
#define CANFRAME_H

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// One CAN frame, classic or FD, as the senders fill it, the devices deliver
// it and the logs hold it.
struct CanFrame
{
    static constexpr int ClassicMaxLength = 8;
    static constexpr int FdMaxLength = 64;

    quint32 identifier = 0; // never masked to 11 or 29 bits
    bool extended = false;
    bool remote = false; // never with fd
    // An error frame a CAN interface reported: the identifier holds its error
    // class, the data its details. Never sent.
    bool error = false;
    bool fd = false; // CAN FD: up to 64 data bytes
    bool bitRateSwitch = false; // FD: the data phase at the data bit rate (BRS)
    bool errorStateIndicator = false; // FD: the sender was error passive (ESI)
    quint8 length = 0; // 0 to 8; FD: 0 to 8, 12, 16, 20, 24, 32, 48 or 64
    std::array<quint8, FdMaxLength> data{}; // bytes at and beyond length are 0

    int maxLength() const { return fd ? FdMaxLength : ClassicMaxLength; }

    friend bool operator==(const CanFrame &a, const CanFrame &b)
    {
        return a.identifier == b.identifier && a.extended == b.extended && a.remote == b.remote
                && a.error == b.error && a.fd == b.fd && a.bitRateSwitch == b.bitRateSwitch
                && a.errorStateIndicator == b.errorStateIndicator && a.length == b.length
                && a.data == b.data;
    }
    friend bool operator!=(const CanFrame &a, const CanFrame &b) { return !(a == b); }
};

// The FD data length that holds `count` bytes: `count` itself up to 8, else
// the next of 12, 16, 20, 24, 32, 48, 64; 64 for anything longer.
int fdLengthFor(int count);
inline bool isFdLength(int count)
{
    return count >= 0 && count <= CanFrame::FdMaxLength && fdLengthFor(count) == count;
}

// The J1939 parameter group number a 29-bit identifier carries: data pages and
// PDU format, with the PDU specific byte only for PDU2 (for PDU1 it is the
// destination address).
constexpr quint32 j1939PgnOf(quint32 identifier)
{
    const quint32 format = (identifier >> 16) & 0xFF;
    return (identifier >> 8) & (format < 240 ? 0x3FF00 : 0x3FFFF);
}

// The value of a hexadecimal digit of either case; -1 for any other character.
constexpr int hexDigitValue(char32_t c)
{
    return c >= '0' && c <= '9'    ? int(c - '0')
            : c >= 'a' && c <= 'f' ? int(c - 'a' + 10)
            : c >= 'A' && c <= 'F' ? int(c - 'A' + 10)
                                   : -1;
}

// Identifier, filter and mask texts: base 16 into a signed 32-bit value, used
// as its bit pattern. Text that is not a number, or is out of range, gives 0.
quint32 parseHexId(const QString &text);

// The data text of a list row: trimmed, split at every single blank, each
// token in base 16 with its low 8 bits kept. tokenCount may exceed 64; only
// the first 64 bytes are kept. A sender refuses a text longer than the frame
// it sends can hold (fitsClassicFrame(), fitsFdFrame()).
struct HexBytes
{
    int tokenCount = 0;
    std::array<quint8, CanFrame::FdMaxLength> bytes{};

    bool fitsClassicFrame() const { return tokenCount <= CanFrame::ClassicMaxLength; }
    bool fitsFdFrame() const { return tokenCount <= CanFrame::FdMaxLength; }
};
HexBytes parseHexBytes(const QString &text);

// The frame a sender builds from a row's identifier and data texts: classic
// with up to 8 bytes, else an FD frame (its length padded to a valid one).
CanFrame frameFromTexts(const QString &idText, const HexBytes &data, bool extended,
                        bool bitRateSwitch = false);

// "0x" and 8 lowercase hexadecimal digits, as list rows and the data view show identifiers.
QString identifierText(quint32 identifier);
// A message's identifier as its lists show it: 3 hex digits standard, 8 extended.
QString messageIdText(quint32 identifier, bool extended);

#endif // CANFRAME_H
