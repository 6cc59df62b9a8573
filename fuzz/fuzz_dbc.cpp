// The DBC reader, then each message it read decoded from a frame of the same bytes.
#include "dbc.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    const DbcReadResult result = readDbc(content);
    if (result.skippedLines < result.skipped.size() || result.skipped.size() > 5)
        abort();
    if (!result.error.isEmpty() && !result.database.messages.empty())
        abort();
    CanFrame frame;
    frame.length = quint8(std::min<size_t>(size, CanFrame::ClassicMaxLength));
    if (frame.length > 0)
        std::memcpy(frame.data.data(), data + size - frame.length, frame.length);
    for (const DbcMessage &message : result.database.messages) {
        if (message.length < 0 || message.length > 64)
            abort();
        frame.identifier = message.identifier;
        frame.extended = message.extended;
        for (const DecodedSignal &decoded : decodeMessage(message, frame)) {
            const DbcSignal &signal = *decoded.signal;
            if (!decoded.present || signal.length < 1 || signal.length > 64)
                abort();
            if (signal.length < 64 && (decoded.rawUnsigned >> signal.length) != 0)
                abort();
        }
        const DbcMessage *found = result.database.find(message.identifier, message.extended);
        if (found
            && (found->identifier != message.identifier || found->extended != message.extended))
            abort();
    }
    return 0;
}
