#ifndef CANFRAME_H
#define CANFRAME_H

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// One CAN frame as the senders fill it and the receive parser decodes it.
struct CanFrame
{
    static constexpr int MaxDataLength = 8;

    quint32 identifier = 0; // never masked to 11 or 29 bits
    bool extended = false;
    bool remote = false;
    // An error frame a CAN interface reported: the identifier holds its error
    // class, the data its details. Never sent.
    bool error = false;
    quint8 length = 0; // 0 to 8
    std::array<quint8, MaxDataLength> data{}; // bytes at and beyond length are 0

    friend bool operator==(const CanFrame &a, const CanFrame &b)
    {
        return a.identifier == b.identifier && a.extended == b.extended && a.remote == b.remote
                && a.error == b.error && a.length == b.length && a.data == b.data;
    }
    friend bool operator!=(const CanFrame &a, const CanFrame &b) { return !(a == b); }
};

// The converter's 20-byte envelope: AA 55, message type, 16 body bytes, checksum.
namespace Envelope {
constexpr int Size = 20;
constexpr quint8 Start = 0xAA;
constexpr quint8 FixedMarker = 0x55;
constexpr quint8 VariableEnd = 0x55;
constexpr quint8 TypeCanFrame = 0x01;
constexpr quint8 TypeBusStatus = 0x04;
} // namespace Envelope

// Low 8 bits of the sum of bytes 2 to 18 of a 20-byte message.
quint8 fixedChecksum(const QByteArray &message);

QByteArray encodeFixedFrame(const CanFrame &frame);
// The variable-protocol bytes of a frame.
QByteArray variableFrameBytes(const CanFrame &frame);
// The same, and the frame's total length written to the debug log: the
// window's trace of what it sends in the variable protocol.
QByteArray encodeVariableFrame(const CanFrame &frame);

// Identifier, filter and mask texts: base 16 into a signed 32-bit value, used
// as its bit pattern. Text that is not a number, or is out of range, gives 0.
quint32 parseHexId(const QString &text);

// The data text of a list row: trimmed, split at every single blank, each
// token in base 16 with its low 8 bits kept. tokenCount may exceed 8; only
// the first 8 bytes are kept, and a sender refuses such a text (fitsFrame()).
struct HexBytes
{
    int tokenCount = 0;
    std::array<quint8, CanFrame::MaxDataLength> bytes{};

    bool fitsFrame() const { return tokenCount <= CanFrame::MaxDataLength; }
};
HexBytes parseHexBytes(const QString &text);

// The frame a sender builds from a row's identifier and data texts.
CanFrame frameFromTexts(const QString &idText, const HexBytes &data, bool extended);

// "0x" and 8 lowercase hexadecimal digits, as list rows and the data view show identifiers.
QString identifierText(quint32 identifier);

#endif // CANFRAME_H
