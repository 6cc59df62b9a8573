// Identifier and data texts as a user may type them.
#include "convertercodec.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const quint32 id = parseHexId(text);
    const HexBytes bytes = parseHexBytes(text);
    if (bytes.tokenCount < 1)
        abort(); // even an empty text is one token
    for (int i = bytes.tokenCount; i < CanFrame::FdMaxLength; ++i) {
        if (bytes.bytes[i] != 0)
            abort();
    }
    const CanFrame frame = frameFromTexts(text, bytes, id & 1, id & 2);
    if (frame.length > frame.maxLength() || (frame.fd && !isFdLength(frame.length))
        || frame.fd != (bytes.tokenCount > CanFrame::ClassicMaxLength))
        abort();
    for (int i = frame.length; i < CanFrame::FdMaxLength; ++i) {
        if (frame.data[size_t(i)] != 0)
            abort();
    }
    if (encodeFixedFrame(frame).size() != 20 || variableFrameBytes(frame).size() > 15)
        abort();
    return 0;
}
