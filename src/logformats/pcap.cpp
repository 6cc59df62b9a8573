// Classic pcap with link type 227: each packet a 16-byte SocketCAN frame, or
// the 72-byte frame of CAN FD.
#include "logformats.h"
#include "logreading.h"

#include <QtEndian>

using namespace LogReading;

namespace {

constexpr quint32 LinkTypeSocketCan = 227;
constexpr int FileHeaderSize = 24;
constexpr int PacketHeaderSize = 16;
constexpr int SocketCanFrameSize = 16;
constexpr int SocketCanFdFrameSize = 72; // canfd_frame: 8 header bytes and 64 data bytes
// The flags byte of an FD frame: bit-rate switch, error state indicator, FD.
constexpr quint8 FdBitRateSwitch = 0x01;
constexpr quint8 FdErrorState = 0x02;
constexpr quint8 FdFormat = 0x04;
constexpr quint32 ExtendedFlag = 0x80000000;
constexpr quint32 RemoteFlag = 0x40000000;
constexpr quint32 ErrorFlag = 0x20000000;

void appendLittleEndian32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

QByteArray pcapFileHeader()
{
    QByteArray header;
    header.reserve(FileHeaderSize);
    appendLittleEndian32(header, 0xA1B2C3D4); // microsecond timestamps
    header.append("\x02\x00\x04\x00", 4); // version 2.4
    appendLittleEndian32(header, 0); // time zone: UTC
    appendLittleEndian32(header, 0); // accuracy
    appendLittleEndian32(header, 65535); // snapshot length
    appendLittleEndian32(header, LinkTypeSocketCan);
    return header;
}

QByteArray pcapPacket(const CaptureRecord &record)
{
    const CanFrame &frame = record.frame;
    qint64 seconds = record.timestampUs / 1000000;
    qint64 micros = record.timestampUs % 1000000;
    if (micros < 0) {
        micros += 1000000;
        --seconds;
    }
    const int size = frame.fd ? SocketCanFdFrameSize : SocketCanFrameSize;
    QByteArray packet;
    packet.reserve(PacketHeaderSize + size);
    appendLittleEndian32(packet, quint32(seconds));
    appendLittleEndian32(packet, quint32(micros));
    appendLittleEndian32(packet, quint32(size));
    appendLittleEndian32(packet, quint32(size));

    quint32 idWord = frame.extended ? (frame.identifier & ExtendedIdMask) | ExtendedFlag
                                    : frame.identifier & StandardIdMask;
    if (frame.remote)
        idWord |= RemoteFlag;
    if (frame.error) // SocketCAN's error frame: the class under the error flag alone
        idWord = (frame.identifier & ExtendedIdMask) | ErrorFlag;
    char can[SocketCanFdFrameSize] = {};
    qToBigEndian(idWord, can);
    const int length = std::min<int>(frame.length, frame.maxLength());
    can[4] = char(length);
    if (frame.fd) {
        can[5] = char(FdFormat | (frame.bitRateSwitch ? FdBitRateSwitch : 0)
                      | (frame.errorStateIndicator ? FdErrorState : 0));
    }
    if (!frame.remote || frame.error) {
        for (int i = 0; i < length; ++i)
            can[8 + i] = char(frame.data[size_t(i)]);
    }
    packet.append(can, size);
    return packet;
}

LogReadResult readPcap(const QByteArray &content)
{
    LogReadResult result;
    if (content.size() < FileHeaderSize) {
        result.error = QStringLiteral("not a pcap file");
        return result;
    }
    const auto *bytes = reinterpret_cast<const uchar *>(content.constData());
    const quint32 magic = qFromLittleEndian<quint32>(bytes);
    bool swapped = false; // the file's numbers are big-endian
    bool nanoseconds = false;
    if (magic == 0xA1B2C3D4 || magic == 0xA1B23C4D) {
        nanoseconds = magic == 0xA1B23C4D;
    } else if (magic == 0xD4C3B2A1 || magic == 0x4D3CB2A1) {
        swapped = true;
        nanoseconds = magic == 0x4D3CB2A1;
    } else {
        result.error = QStringLiteral("not a pcap file");
        return result;
    }
    const auto read32 = [&](qsizetype offset) {
        return swapped ? qFromBigEndian<quint32>(bytes + offset)
                       : qFromLittleEndian<quint32>(bytes + offset);
    };
    if ((read32(20) & 0xFFFF) != LinkTypeSocketCan) {
        result.error = QStringLiteral("the pcap file does not hold SocketCAN frames");
        return result;
    }
    qsizetype offset = FileHeaderSize;
    int packetNumber = 0;
    while (offset < content.size()) {
        ++packetNumber;
        if (content.size() - offset < PacketHeaderSize) {
            skip(result, packetNumber, "packet cut short", "packet");
            break;
        }
        const quint32 seconds = read32(offset);
        const quint32 fraction = read32(offset + 4);
        const quint32 captured = read32(offset + 8);
        offset += PacketHeaderSize;
        if (captured > quint32(content.size() - offset)) {
            skip(result, packetNumber, "packet cut short", "packet");
            break;
        }
        const uchar *can = bytes + offset;
        offset += qsizetype(captured);
        if (captured < quint32(SocketCanFrameSize)) {
            skip(result, packetNumber, "packet too short for a CAN frame", "packet");
            continue;
        }
        // Wireshark tells an FD frame by its size, newer writers also by its FD flag.
        const bool fd = captured == quint32(SocketCanFdFrameSize) || (can[5] & FdFormat);
        if (captured != quint32(fd ? SocketCanFdFrameSize : SocketCanFrameSize)) {
            skip(result, packetNumber, "neither a CAN nor a CAN FD frame", "packet");
            continue;
        }
        const quint32 idWord = qFromBigEndian<quint32>(can);
        CaptureRecord record;
        CanFrame &frame = record.frame;
        // An error or remote frame is a classic one, whatever its packet's size.
        frame.fd = fd && !(idWord & (ErrorFlag | RemoteFlag));
        if (can[4] > frame.maxLength()) {
            skip(result, packetNumber, frame.fd ? "length is not 0 to 64" : "length is not 0 to 8",
                 "packet");
            continue;
        }
        frame.bitRateSwitch = frame.fd && (can[5] & FdBitRateSwitch);
        frame.errorStateIndicator = frame.fd && (can[5] & FdErrorState);
        frame.error = idWord & ErrorFlag;
        frame.extended = (idWord & ExtendedFlag) || frame.error;
        frame.remote = (idWord & RemoteFlag) && !frame.error;
        frame.identifier = idWord & (frame.extended ? ExtendedIdMask : StandardIdMask);
        if (!frame.extended && (idWord & ExtendedIdMask) > StandardIdMask) {
            skip(result, packetNumber, "identifier out of range", "packet");
            continue;
        }
        if (!frame.remote) {
            for (int i = 0; i < can[4]; ++i)
                frame.data[size_t(i)] = can[8 + i];
        }
        frame.length = quint8(frame.fd ? fdLengthFor(can[4]) : can[4]);
        record.timestampUs = qint64(seconds) * 1000000
                + (nanoseconds ? qint64(fraction) / 1000 : qint64(fraction));
        result.records.push_back(record);
    }
    return result;
}
