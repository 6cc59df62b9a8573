// The receive stream decoding, fed in chunks of random sizes: it must not
// crash, keep more than one unfinished frame, or report a frame that does not
// re-encode to the bytes it came from.
#include "convertercodec.h"
#include "streamdecoder.h"

#include <cstdlib>

static void check(bool condition, const char *what)
{
    if (!condition) {
        fprintf(stderr, "violated: %s\n", what);
        abort();
    }
}

// A frame re-encodes to the bytes it was cut from whenever its fields map
// back one to one: always in the variable framing up to 8 data bytes, and in
// the fixed framing when type, format, length and padding are as senders write them.
static void checkReencodes(const QByteArray &pending, qsizetype end, const ReceivedMessage &m)
{
    if (m.kind != ReceivedMessage::CanData)
        return;
    check(m.frame.length <= 8, "data length at most 8");
    if (m.variableFraming) {
        // A length nibble of 9 to 15 shows as 8 bytes: only a shorter frame is
        // sure to have come from exactly the bytes it encodes to.
        const QByteArray encoded = variableFrameBytes(m.frame);
        if (m.frame.length < 8 || pending.mid(end - encoded.size(), encoded.size()) == encoded)
            check(pending.mid(end - encoded.size(), encoded.size()) == encoded,
                  "a variable frame re-encodes to its bytes");
        return;
    }
    const QByteArray source = pending.mid(end - 20, 20);
    const auto *b = reinterpret_cast<const quint8 *>(source.constData());
    bool conforming = (b[3] == 1 || b[3] == 2) && (b[4] == 1 || b[4] == 2) && b[9] <= 8;
    for (int i = 10 + b[9]; conforming && i < 19; ++i)
        conforming = b[i] == 0;
    if (conforming)
        check(source == encodeFixedFrame(m.frame), "a fixed frame re-encodes to its bytes");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the chunk size, the rest is the stream.
    const int chunk = 1 + data[0] % 64;
    const QByteArray stream(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    QByteArray pending;
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        pending += stream.mid(at, chunk);
        qsizetype pos = 0;
        ReceivedMessage message;
        while (decodeNextMessage(pending, pos, message)) {
            check(pos <= pending.size(), "position within the buffer");
            checkReencodes(pending, pos, message);
        }
        check(pos <= pending.size(), "kept bytes within the buffer");
        pending.remove(0, pos);
        check(pending.size() <= 22, "pending bytes bounded by one unfinished frame");
        check(pending.size() <= 1 || quint8(pending.at(0)) == 0xAA,
              "an unfinished frame starts with 0xAA");
    }
    return 0;
}
