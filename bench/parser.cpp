// The receive stream decoding and the frame codec alone.
#include "convertercodec.h"
#include "streamdecoder.h"

#include <QRandomGenerator>

#include <benchmark/benchmark.h>

namespace {

// Traffic as a converter sends it, with a little line noise between frames.
QByteArray realisticStream(int bytes)
{
    QRandomGenerator random(7);
    QByteArray stream;
    quint32 sequence = 0;
    while (stream.size() < bytes) {
        CanFrame frame;
        frame.identifier = random.bounded(0x800);
        frame.extended = random.bounded(4) == 0;
        if (frame.extended)
            frame.identifier = random.bounded(0x20000000);
        frame.length = quint8(random.bounded(9));
        for (int i = 0; i < frame.length; ++i)
            frame.data[i] = quint8(sequence >> (8 * (i % 4)));
        ++sequence;
        stream += random.bounded(2) ? encodeFixedFrame(frame) : variableFrameBytes(frame);
        if (random.bounded(20) == 0) {
            for (int n = random.bounded(1, 8); n > 0; --n)
                stream += char(random.bounded(3) ? random.bounded(256) : 0xAA);
        }
    }
    return stream;
}

void decodeStream(benchmark::State &state)
{
    const QByteArray stream = realisticStream(1 << 20);
    const int chunk = int(state.range(0));
    qint64 frames = 0;
    for (auto _ : state) {
        QByteArray pending;
        for (int at = 0; at < stream.size(); at += chunk) {
            pending += stream.mid(at, chunk);
            qsizetype pos = 0;
            ReceivedMessage message;
            while (decodeNextMessage(pending, pos, message))
                ++frames;
            pending.remove(0, pos);
        }
        benchmark::DoNotOptimize(frames);
    }
    state.SetBytesProcessed(state.iterations() * stream.size());
    state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(decodeStream)->Arg(64)->Arg(4096);

void encodeFrames(benchmark::State &state)
{
    CanFrame frame;
    frame.identifier = 0x18FF50E5;
    frame.extended = true;
    frame.length = 8;
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray fixed = encodeFixedFrame(frame);
        const QByteArray variable = variableFrameBytes(frame);
        bytes += fixed.size() + variable.size();
        benchmark::DoNotOptimize(fixed.constData());
        benchmark::DoNotOptimize(variable.constData());
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(encodeFrames);

void parseRowTexts(benchmark::State &state)
{
    for (auto _ : state) {
        const HexBytes data = parseHexBytes(QStringLiteral("00 11 22 33 44 55 66 77"));
        benchmark::DoNotOptimize(frameFromTexts(QStringLiteral("0x18ff50e5"), data, true));
    }
}
BENCHMARK(parseRowTexts);

} // namespace

BENCHMARK_MAIN();
