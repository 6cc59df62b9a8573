// Finding signals in a capture of a million frames: the bit grid over a new
// span, the first signal search step and the ones after it, counters and
// checksums of one message.
#include "bitactivity.h"
#include "capturestore.h"
#include "patternfinder.h"
#include "signalsearch.h"

#include <benchmark/benchmark.h>

#include <QRandomGenerator>

#include <memory>

namespace {

constexpr int Frames = 1'000'000;

// Ten messages (or one) of `length` bytes every millisecond: counters,
// slow values and noise, as a real bus mixes them.
std::unique_ptr<CaptureStore> capture(int messages, int length)
{
    auto store = std::make_unique<CaptureStore>();
    store->setCapacity(Frames);
    QRandomGenerator random(1);
    for (int i = 0; i < Frames; ++i) {
        CaptureRecord record;
        record.timestampUs = 1'000'000 + qint64(i) * 100;
        record.frame.identifier = 0x100 + quint32(i % messages);
        record.frame.length = quint8(length);
        record.frame.fd = length > 8;
        record.frame.data[0] = quint8(i / messages);
        record.frame.data[1] = quint8((i / messages) >> 10);
        record.frame.data[2] = quint8(random.bounded(4));
        for (int b = 3; b < length; b += 5)
            record.frame.data[size_t(b)] = quint8(i >> 14);
        store->append(record);
    }
    return store;
}

void BM_BitGridNewSpan(benchmark::State &state)
{
    const auto store = capture(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        // The whole capture as a new span: every frame counted again.
        const BitActivity activity = bitActivityOf(*store, 0, 1'000'000 + qint64(Frames) * 100);
        benchmark::DoNotOptimize(activity.messages().size());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * Frames);
    state.SetLabel(QStringLiteral("%1 message(s) of %2 bytes, 1,000,000 frames")
                           .arg(state.range(0))
                           .arg(state.range(1))
                           .toStdString());
}
BENCHMARK(BM_BitGridNewSpan)->Args({ 1, 8 })->Args({ 10, 8 })->Args({ 10, 64 })->Unit(benchmark::kMillisecond);

// The first step: every candidate of the capture made, then judged over all of it.
void BM_SearchFirstStep(benchmark::State &state)
{
    const auto store = capture(10, int(state.range(0)));
    const qint64 end = 1'000'000 + qint64(Frames) * 100;
    size_t first = 0, left = 0;
    for (auto _ : state) {
        SignalSearch search;
        search.start(*store);
        first = search.candidates().size();
        search.apply(*store, { SearchStep::Kind::Rose, 1'000'000, end });
        left = search.candidates().size();
        benchmark::DoNotOptimize(left);
    }
    state.counters["candidates"] = double(first);
    state.counters["bytes"] = double(first * sizeof(SearchCandidate));
    state.counters["left"] = double(left);
}
BENCHMARK(BM_SearchFirstStep)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond);

// A further step: the first one's survivors judged over a span of 5 s (50,000
// frames), every value within a range, as while a pedal is held.
void BM_SearchFurtherStep(benchmark::State &state)
{
    const auto store = capture(10, int(state.range(0)));
    const qint64 end = 1'000'000 + qint64(Frames) * 100;
    SignalSearch search;
    search.start(*store);
    search.apply(*store, { SearchStep::Kind::Rose, 1'000'000, end });
    for (auto _ : state) {
        search.apply(*store, { SearchStep::Kind::Within, end / 2, end / 2 + 5'000'000, 0, 4000 });
        search.undo();
    }
}
BENCHMARK(BM_SearchFurtherStep)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond);

void BM_CountersAndChecksums(benchmark::State &state)
{
    std::vector<CanFrame> frames(2000);
    for (size_t i = 0; i < frames.size(); ++i) {
        frames[i].length = 8;
        frames[i].data[0] = quint8(i);
        frames[i].data[3] = quint8(i * 7);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(findCounters(frames).size());
        benchmark::DoNotOptimize(findChecksums(frames).size());
    }
}
BENCHMARK(BM_CountersAndChecksums)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
