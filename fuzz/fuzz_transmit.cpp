// The transmit list file and checksum texts, both read from files and
// command lines: any bytes load without overrunning a frame, and a checksum
// text that is accepted reads back the same from the text written for it.
#include "checksum.h"
#include "transmitlistfile.h"

#include <cstdlib>

namespace {

const DbcDatabase &database()
{
    static const DbcDatabase db = [] {
        DbcReadResult read = readDbc("BO_ 291 Brake: 8 Body\n"
                                     " SG_ Crc : 0|8@1+ (1,0) [0|255] \"\" X\n"
                                     " SG_ Counter : 8|4@1+ (1,0) [0|14] \"\" X\n"
                                     " SG_ Mux M : 12|2@1+ (1,0) [0|3] \"\" X\n"
                                     " SG_ A m0 : 16|16@0- (0.1,0) [0|0] \"\" X\n"
                                     " SG_ B m1 : 16|48@1+ (1,0) [0|0] \"\" X\n"
                                     "BO_ 2147484000 Fd: 64 Body\n"
                                     " SG_ Tail : 500|12@1+ (1,0) [0|0] \"\" X\n");
        read.database.index();
        return read.database;
    }();
    return db;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (TransmitRow &row : readTransmitList(bytes, database()).rows) {
        const DbcMessage *message = database().find(row.frame.identifier, row.frame.extended);
        // The row's message as the scheduler finds it: name and length alike.
        if (message
            && (message->name != row.messageName || frameLengthFor(*message) != row.frame.length))
            message = nullptr;
        if (message && row.signalBits.size() != message->signalList.size())
            abort();
        const CanFrame frame = buildFrame(row, message);
        if (frame.length > frame.maxLength() || (frame.fd && !isFdLength(frame.length)))
            abort();
        advanceCounter(row, message);
    }
    const QString text = QString::fromUtf8(bytes.left(200));
    if (const std::optional<ChecksumAlgorithm> algorithm = parseChecksumAlgorithm(text)) {
        const QString written = checksumAlgorithmText(*algorithm);
        const std::optional<ChecksumAlgorithm> again = parseChecksumAlgorithm(written);
        if (!again || checksumAlgorithmText(*again) != written)
            abort();
        CanFrame frame;
        frame.fd = true;
        frame.length = 64;
        std::copy(bytes.begin(), bytes.begin() + std::min<qsizetype>(bytes.size(), 64),
                  frame.data.begin());
        computeChecksum(*algorithm, frame, quint64(size) * 0x9E3779B97F4A7C15ull);
    }
    return 0;
}
