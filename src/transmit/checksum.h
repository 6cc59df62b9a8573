#ifndef CHECKSUM_H
#define CHECKSUM_H

#include "canframe.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// How a message's checksum is computed: a generic algorithm with its
// parameters, or one of the profiles public vehicle databases use. A value
// type written as text ("crc8-sae-j1850", "crc8:poly=0x1d,init=0xff,...")
// in transmit lists and on the command line.
struct ChecksumAlgorithm
{
    enum class Kind {
        Xor8, // XOR of the covered bytes, starting from `init`
        Sum8, // sum of the covered bytes modulo 256, starting from `init`
        Crc8,
        Crc16,
        Toyota, // (length + identifier's bytes + covered bytes) & 0xFF
        Subaru, // (identifier's bytes + covered bytes) & 0xFF
        Tesla, // (identifier's low byte + high byte + covered bytes) & 0xFF
        Honda, // 4-bit, over nibbles
        E2eP01, // AUTOSAR E2E profile 1: CRC in byte 0, counter in bits 8-11
        E2eP02, // AUTOSAR E2E profile 2: CRC in byte 0, counter in byte 1's low nibble
    };
    enum class DataIdPlace { None, Before, After };
    enum class P01Mode { Both, Alternating, Low, Nibble };

    Kind kind = Kind::Crc8;
    // CRC parameters as the usual catalogue gives them; `init` is the
    // register's real start value (also the start of Xor8 and Sum8).
    int width = 8;
    quint32 poly = 0x1D;
    quint32 init = 0xFF;
    quint32 xorOut = 0xFF;
    bool reflectIn = false;
    bool reflectOut = false;
    // The covered bytes first..last; -1 for both: every byte of the frame
    // except those the checksum occupies.
    int firstByte = -1;
    int lastByte = -1;
    // A 16-bit data identifier fed before or after the covered bytes (low
    // byte first; one byte when it is below 0x100); E2E P01's identifier.
    DataIdPlace dataIdPlace = DataIdPlace::None;
    quint16 dataId = 0;
    P01Mode p01Mode = P01Mode::Both;
    std::vector<quint8> dataIdList; // E2E P02: 16 data IDs indexed by the counter
};

// The names the program accepts, presets first: "crc8-sae-j1850",
// "crc8-h2f", "crc8-gsm-a", "crc16-xmodem", "xor8", "sum8", "toyota",
// "subaru", "tesla", "honda", "xor-init", "e2e-p01", "e2e-p02", and the
// generic "crc8", "crc16".
QStringList checksumNames();

// A checksum from its text: a name, optionally followed by ':' and
// comma-separated key=value parameters (poly, init, xorout, refin, refout,
// bytes=F-L, dataid, dataidplace=before|after, p01mode=both|alt|low|nibble,
// dataids=a/b/c...). Numbers in decimal or 0x hex. Nothing, with `error`
// naming what is wrong, for anything else.
std::optional<ChecksumAlgorithm> parseChecksumAlgorithm(const QString &text, QString *error = nullptr);
// The text that parseChecksumAlgorithm() reads back as the same algorithm.
QString checksumAlgorithmText(const ChecksumAlgorithm &algorithm);

// The checksum of `frame` (its first `frame.length` bytes). `checksumBytes`
// has bit i set for each data byte the checksum signal occupies, left out of
// the default covered bytes. The result is the value to put into the
// checksum signal (8, 16 or 4 bits wide).
quint32 computeChecksum(const ChecksumAlgorithm &algorithm, const CanFrame &frame, quint64 checksumBytes);

// CRC of `count` bytes with the algorithm's width and parameters (Boost.CRC).
quint32 crcOf(const ChecksumAlgorithm &algorithm, const quint8 *bytes, int count);

#endif // CHECKSUM_H
