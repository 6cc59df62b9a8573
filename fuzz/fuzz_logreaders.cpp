// The log readers: candump, Vector ASC, pcap and the program's own text table.
#include "logformats.h"

#include <cstdlib>

namespace {

void check(const LogReadResult &result)
{
    if (result.skippedLines < 0 || result.skippedSamples.size() > result.skippedLines
        || result.skippedSamples.size() > 5)
        abort();
    for (const CaptureRecord &record : result.records) {
        const CanFrame &frame = record.frame;
        if (frame.length > frame.maxLength() || (frame.fd && !isFdLength(frame.length))
            || (frame.fd && (frame.remote || frame.error)))
            abort();
        for (int i = frame.remote ? 0 : frame.length; i < CanFrame::FdMaxLength; ++i) {
            if (frame.data[size_t(i)] != 0)
                abort();
        }
        if (frame.identifier > (frame.extended ? 0x1FFFFFFFu : 0x7FFu))
            abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    const QDate date(2024, 2, 29);
    for (const char *name : { "a.txt", "a.log", "a.asc", "a.pcap" })
        check(readLog(QString::fromLatin1(name), content, date));
    const LogReadResult candump = readCandumpLog(content);
    check(candump);
    check(readAscLog(content));
    check(readPcap(content));
    check(readTextTable(content, date));
    // What was read from a candump log is written back and read again unchanged.
    for (const CaptureRecord &record : candump.records) {
        const LogReadResult again = readCandumpLog(candumpLine(record));
        if (again.records.size() != 1 || again.records.front() != record)
            abort();
    }
    return 0;
}
