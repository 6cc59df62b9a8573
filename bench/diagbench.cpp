// Reassembling ISO-TP and J1939 traffic: the frames a second the reassemblers take.
#include "isotp.h"
#include "j1939.h"

#include <benchmark/benchmark.h>

namespace {

CaptureRecord record(qint64 timeUs, quint32 id, bool extended, std::initializer_list<int> bytes)
{
    CaptureRecord r;
    r.timestampUs = timeUs;
    r.frame.identifier = id;
    r.frame.extended = extended;
    r.frame.length = quint8(bytes.size());
    int i = 0;
    for (const int b : bytes)
        r.frame.data[size_t(i++)] = quint8(b);
    return r;
}

// A bus as a tester and an engine on it make it: UDS questions and long answers
// with flow control, OBD-II polls, J1939 broadcasts by BAM and in one frame, and
// frames of no transport protocol, 1,000,000 in all.
std::vector<CaptureRecord> mixedTraffic(size_t count)
{
    std::vector<CaptureRecord> frames;
    frames.reserve(count + 64);
    qint64 t = 0;
    while (frames.size() < count) {
        t += 100;
        frames.push_back(record(t, 0x7E0, false, { 0x03, 0x22, 0xF1, 0x90, 0, 0, 0, 0 }));
        frames.push_back(
                record(t += 100, 0x7E8, false, { 0x10, 0x14, 0x62, 0xF1, 0x90, 'W', 'D', 'B' }));
        frames.push_back(record(t += 100, 0x7E0, false, { 0x30, 0, 0, 0, 0, 0, 0, 0 }));
        frames.push_back(
                record(t += 100, 0x7E8, false, { 0x21, '0', '0', '0', '0', '0', '0', '0' }));
        frames.push_back(
                record(t += 100, 0x7E8, false, { 0x22, '0', '0', '0', '0', '0', '0', '1' }));
        frames.push_back(record(t += 100, 0x7DF, false, { 0x02, 0x01, 0x0C, 0, 0, 0, 0, 0 }));
        frames.push_back(record(t += 100, 0x7E8, false, { 0x04, 0x41, 0x0C, 0x1A, 0xF8, 0, 0, 0 }));
        frames.push_back(
                record(t += 100, 0x1CECFF00, true, { 0x20, 0x14, 0, 3, 0xFF, 0xEC, 0xFE, 0 }));
        for (int sequence = 1; sequence <= 3; ++sequence)
            frames.push_back(record(t += 100, 0x1CEBFF00, true, { sequence, 1, 2, 3, 4, 5, 6, 7 }));
        for (int i = 0; i < 4; ++i) {
            frames.push_back(record(t += 100, 0x0CF00400, true,
                                    { 0xF0, 0x7D, 0x7D, 0, 0, 0xFF, 0x0F, 0x7D }));
            frames.push_back(
                    record(t += 100, 0x123 + quint32(i), false, { 1, 2, 3, 4, 5, 6, 7, 8 }));
        }
    }
    return frames;
}

void BM_Reassembly(benchmark::State &state)
{
    const std::vector<CaptureRecord> frames = mixedTraffic(1'000'000);
    std::vector<DiagMessage> out;
    size_t messages = 0;
    for (auto _ : state) {
        IsoTpReassembler isoTp;
        J1939Reassembler j1939;
        for (size_t i = 0; i < frames.size(); ++i) {
            if (!isoTp.feed(frames[i], qint64(i), out))
                j1939.feed(frames[i], qint64(i), out);
            messages += out.size();
            out.clear();
        }
        benchmark::DoNotOptimize(messages);
    }
    state.SetItemsProcessed(int64_t(state.iterations() * frames.size()));
    state.counters["messages"] = double(messages) / double(state.iterations());
}
BENCHMARK(BM_Reassembly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
