// Decoding frames with a CAN database, and reading a large one.
#include "dbc.h"

#include <QRandomGenerator>

#include <benchmark/benchmark.h>

namespace {

// A message as vehicle networks carry them: counters, Intel and Motorola
// values, a value table and a multiplexed part.
const char *const EngineDbc = R"(VERSION ""
BO_ 291 EngineData: 8 Engine
 SG_ Counter : 0|4@1+ (1,0) [0|15] "" Tester
 SG_ Mode M : 4|4@1+ (1,0) [0|15] "" Tester
 SG_ EngineSpeed : 8|16@1+ (0.25,0) [0|16383.75] "rpm" Tester
 SG_ Coolant : 24|8@1+ (0.5,-40) [-40|87.5] "degC" Tester
 SG_ Throttle : 39|12@0+ (0.025,0) [0|100] "%" Tester
 SG_ Torque m0 : 47|12@0- (0.5,0) [-1000|1000] "Nm" Tester
 SG_ OilPressure m1 : 44|12@1+ (0.1,0) [0|400] "kPa" Tester
 SG_ Gear : 56|3@1+ (1,0) [0|7] "" Tester
 SG_ Checksum : 63|5@0+ (1,0) [0|31] "" Tester
VAL_ 291 Gear 0 "Park" 1 "Reverse" 2 "Neutral" 3 "Drive" ;
)";

// A vehicle network: `messages` messages of up to 12 signals, half of them
// big-endian, every fifth message multiplexed, value tables and comments.
QByteArray vehicleDbc(int messages)
{
    QRandomGenerator random(12);
    QByteArray text = "VERSION \"\"\n\nNS_ :\n\tCM_\n\tBA_DEF_\n\tBA_\n\tVAL_\n\nBS_:\n\n"
                      "BU_: ECU1 ECU2 ECU3 Gateway\n\n";
    QByteArray tail = "BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 10000;\n";
    for (int m = 0; m < messages; ++m) {
        const bool extended = m % 3 == 0;
        const quint32 id =
                extended ? 0x80000000u | (0x18F00000u + quint32(m)) : 0x100u + quint32(m);
        text += "BO_ " + QByteArray::number(id) + " Message_" + QByteArray::number(m)
                + "_Status: 8 ECU" + QByteArray::number(m % 3 + 1) + "\n";
        const bool multiplexed = m % 5 == 0;
        const bool motorola = m % 2 == 1;
        // Intel: bit counts up from bit 0 of byte 0; Motorola: from the top bit of byte 0.
        int bit = 0;
        if (multiplexed) {
            text += motorola ? " SG_ Mux M : 7|4@0+ (1,0) [0|15] \"\" Gateway\n"
                             : " SG_ Mux M : 0|4@1+ (1,0) [0|15] \"\" Gateway\n";
            bit = 4;
        }
        for (int s = 0; bit < 64 && s < 12; ++s) {
            const int length = std::min(64 - bit, 1 + int(random.bounded(16)));
            const int start = motorola ? bit / 8 * 8 + 7 - bit % 8 : bit;
            const QByteArray name = "Signal_" + QByteArray::number(m) + '_' + QByteArray::number(s);
            const QByteArray mux = multiplexed && s > 0 ? " m" + QByteArray::number(s % 4) : "";
            text += " SG_ " + name + mux + " : " + QByteArray::number(start) + '|'
                    + QByteArray::number(length) + (motorola ? "@0" : "@1") + (s % 3 ? "+" : "-")
                    + " (0.0625,-40) [-40|4000] \"unit\" ECU1,ECU2\n";
            if (s % 4 == 0)
                tail += "VAL_ " + QByteArray::number(id) + ' ' + name
                        + " 0 \"Off\" 1 \"On\" 2 \"Error\" 3 \"Not available\" ;\n";
            if (s % 6 == 0)
                tail += "CM_ SG_ " + QByteArray::number(id) + ' ' + name
                        + " \"What this signal means,\nover two lines.\";\n";
            bit += length;
        }
        text += '\n';
        tail += "BA_ \"GenMsgCycleTime\" BO_ " + QByteArray::number(id) + " 100;\n";
        tail += "CM_ BO_ " + QByteArray::number(id) + " \"Message " + QByteArray::number(m)
                + "\";\n";
    }
    return text + tail;
}

std::vector<CanFrame> frames(quint32 id, bool extended, int count)
{
    QRandomGenerator random(3);
    std::vector<CanFrame> list(static_cast<size_t>(count));
    for (CanFrame &frame : list) {
        frame.identifier = id;
        frame.extended = extended;
        frame.length = 8;
        for (quint8 &byte : frame.data)
            byte = quint8(random.bounded(256));
    }
    return list;
}

void decodeFrames(benchmark::State &state)
{
    const DbcReadResult read = readDbc(EngineDbc);
    const std::vector<CanFrame> list = frames(291, false, 256);
    size_t signalCount = 0;
    qint64 decoded = 0;
    for (auto _ : state) {
        for (const CanFrame &frame : list) {
            const DbcMessage *message = read.database.find(frame.identifier, frame.extended);
            const std::vector<DecodedSignal> values = decodeMessage(*message, frame);
            signalCount += values.size();
            benchmark::DoNotOptimize(values.data());
        }
        decoded += qint64(list.size());
    }
    benchmark::DoNotOptimize(signalCount);
    state.counters["frames/s"] = benchmark::Counter(double(decoded), benchmark::Counter::kIsRate);
}
BENCHMARK(decodeFrames);

void readVehicleDbc(benchmark::State &state)
{
    const QByteArray text = vehicleDbc(int(state.range(0)));
    size_t messages = 0;
    int skipped = 0;
    for (auto _ : state) {
        const DbcReadResult read = readDbc(text);
        messages = read.database.messages.size();
        skipped = read.skippedLines;
    }
    state.counters["messages"] = double(messages);
    state.counters["skipped"] = skipped;
    state.counters["KiB"] = double(text.size()) / 1024;
    state.SetLabel("reads a synthetic vehicle database");
}
BENCHMARK(readVehicleDbc)->Arg(500)->Unit(benchmark::kMillisecond);

// A log of the vehicle network: each frame looked up and decoded.
void decodeVehicleLog(benchmark::State &state)
{
    const DbcReadResult read = readDbc(vehicleDbc(500));
    std::vector<CanFrame> list;
    QRandomGenerator random(5);
    for (int i = 0; i < 4096; ++i) {
        const DbcMessage &message = read.database.messages[random.bounded(500)];
        CanFrame frame = frames(message.identifier, message.extended, 1).front();
        for (quint8 &byte : frame.data)
            byte = quint8(random.bounded(256));
        list.push_back(frame);
    }
    qint64 decoded = 0;
    for (auto _ : state) {
        for (const CanFrame &frame : list) {
            const DbcMessage *message = read.database.find(frame.identifier, frame.extended);
            benchmark::DoNotOptimize(decodeMessage(*message, frame).size());
        }
        decoded += qint64(list.size());
    }
    state.counters["frames/s"] = benchmark::Counter(double(decoded), benchmark::Counter::kIsRate);
}
BENCHMARK(decodeVehicleLog);

} // namespace

BENCHMARK_MAIN();
