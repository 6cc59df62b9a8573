// ISO-TP and J1939 reassembly and the diagnostic meanings on any frames: no
// overrun, a message never longer than it announced, every meaning built.
#include "diagmeaning.h"
#include "isotp.h"
#include "j1939.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<IsoTpIdRange> ids = defaultIsoTpIds();
    ids.push_back({ 0x600, 0x6FF, false, IsoTpAddressing::Extended });
    IsoTpReassembler isoTp(ids);
    J1939Reassembler j1939;
    std::vector<DiagMessage> out;
    qint64 time = 0;
    qint64 index = 0;
    // A frame: flags (extended, FD, a time step), two identifier bytes, a length, its data.
    for (size_t at = 0; at + 4 <= size;) {
        CaptureRecord record;
        const uint8_t flags = data[at];
        record.frame.extended = flags & 1;
        record.frame.fd = flags & 2;
        time += (flags >> 2) * 100'000;
        record.timestampUs = time;
        const quint32 low = quint32(data[at + 1]) << 8 | data[at + 2];
        record.frame.identifier = record.frame.extended ? 0x18000000u | low << 8 | (low & 0xFF)
                                                        : 0x600u + (low % 0x200);
        const int wanted = data[at + 3] % (record.frame.maxLength() + 1);
        record.frame.length = quint8(record.frame.fd ? fdLengthFor(wanted) : wanted);
        at += 4;
        for (int i = 0; i < record.frame.length && at < size; ++i)
            record.frame.data[size_t(i)] = data[at++];
        if (!isoTp.feed(record, index, out))
            j1939.feed(record, index, out);
        ++index;
    }
    isoTp.finish(out);
    j1939.finish(out);
    for (const DiagMessage &message : out) {
        if (message.complete() && quint32(message.payload.size()) > message.declaredLength
            && message.protocol == DiagMessage::Protocol::IsoTp)
            abort();
        if (message.frames.empty())
            abort();
        diagMessageMeaning(message);
        diagPayloadMeaning(message.payload);
    }
    return 0;
}
