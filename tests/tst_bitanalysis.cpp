// Finding signals in unknown traffic: bit flips, spans compared, the
// signal search, counters and checksums.
#include "bitactivity.h"
#include "capturestore.h"
#include "checksum.h"
#include "dbc.h"
#include "followingbits.h"
#include "patternfinder.h"
#include "signalsearch.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

CanFrame frameOf(quint32 id, int length, bool fd = false)
{
    CanFrame frame;
    frame.identifier = id;
    frame.length = quint8(length);
    frame.fd = fd;
    return frame;
}

void put(CanFrame &frame, const BitField &field, qint64 value)
{
    DbcSignal signal;
    signal.startBit = field.startBit;
    signal.length = field.length;
    signal.littleEndian = field.littleEndian;
    encodeSignal(signal, quint64(value) & ((quint64(1) << field.length) - 1), frame.data.data(),
                 frame.length);
}

// 0x100: a counter in byte 0, a hidden 16-bit value, noise in byte 7 and a
// constant byte; 0x200 (FD, 64 bytes): a Motorola value at the end. One
// frame of each every 10 ms for 10 s. The hidden values rise for 3 s, stay
// for 3 s, fall to their start for 4 s.
struct Drive
{
    BitField intel{ 24, 16, true, false };
    BitField motorola{ 499, 12, false, true }; // in the FD frame: byte 62 bits 3..0, byte 63
    CaptureStore capture;

    static qint64 hidden(int step)
    {
        return step < 300 ? 1000 + step * 5 : step < 600 ? 2495 : 2495 - (step - 600) * 3;
    }
    explicit Drive()
    {
        capture.setCapacity(10'000'000);
        QRandomGenerator random(7);
        for (int step = 0; step < 1000; ++step) {
            CanFrame classic = frameOf(0x100, 8);
            classic.data[0] = quint8(step);
            classic.data[2] = 0x5A;
            classic.data[7] = quint8(random.bounded(256));
            put(classic, intel, hidden(step));
            capture.append({ timeOf(step), classic, false });
            CanFrame fd = frameOf(0x200, 64, true);
            fd.data[10] = quint8(random.bounded(2)); // a bit of noise
            put(fd, motorola, -hidden(step) / 2);
            capture.append({ timeOf(step) + 5, fd, false });
        }
    }
    static qint64 timeOf(int step) { return 1'000'000 + step * 10'000; }
};

bool hasCandidate(const SignalSearch &search, quint32 id, const BitField &field)
{
    for (const SearchCandidate &candidate : search.candidates()) {
        if (search.messages()[candidate.message].identifier == id && candidate.field == field)
            return true;
    }
    return false;
}

} // namespace

class tst_BitAnalysis : public QObject
{
    Q_OBJECT

private slots:
    // The search's own reading of a field against the database's decoder.
    void fieldValueAsTheDecoderReadsIt_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("intel");
        QTest::addColumn<bool>("isSigned");
        QTest::newRow("intel one bit") << 13 << 1 << true << false;
        QTest::newRow("intel across bytes, signed") << 5 << 11 << true << true;
        QTest::newRow("intel 32 bits, odd start") << 29 << 32 << true << false;
        QTest::newRow("motorola across three bytes") << 20 << 17 << false << false;
        QTest::newRow("motorola signed 32 bits") << 7 << 32 << false << true;
        QTest::newRow("FD last bits, motorola") << 499 << 12 << false << true;
        QTest::newRow("FD last bits, intel") << 500 << 12 << true << false;
    }
    void fieldValueAsTheDecoderReadsIt()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(bool, intel);
        QFETCH(bool, isSigned);
        const BitField field{ quint16(start), quint16(length), intel, isSigned };
        DbcSignal signal;
        signal.startBit = start;
        signal.length = length;
        signal.littleEndian = intel;
        signal.isSigned = isSigned;
        QRandomGenerator random(start * 100 + length);
        for (int i = 0; i < 50; ++i) {
            std::array<quint8, 68> data{};
            for (int b = 0; b < 64; ++b)
                data[size_t(b)] = quint8(random.bounded(256));
            const DecodedSignal decoded = decodeSignal(signal, data.data(), 64);
            QVERIFY(decoded.present);
            QCOMPARE(fieldValue(field, data.data()), decoded.raw);
            // The mask holds exactly the bits the value depends on.
            BitMask mask;
            QVERIFY(fieldMask(field, 64, &mask));
            int bits = 0;
            for (const quint64 word : mask)
                bits += qPopulationCount(word);
            QCOMPARE(bits, length);
            std::array<quint8, 68> outside = data;
            for (int b = 0; b < 64 * 8; ++b) {
                if (!((mask[size_t(b / 64)] >> (b % 64)) & 1))
                    outside[size_t(b / 8)] ^= quint8(1 << (b % 8));
            }
            QCOMPARE(fieldValue(field, outside.data()), decoded.raw);
        }
        QCOMPARE(fieldEndByte(field) <= 64, true);
        BitMask mask;
        QVERIFY(!fieldMask(field, fieldEndByte(field) - 1, &mask));
    }

    void dragMarksAField_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("intel");
        QTest::newRow("within a byte, either way") << 2 << 6 << 2 << 5 << true;
        QTest::newRow("within a byte, backwards") << 6 << 2 << 2 << 5 << true;
        QTest::newRow("one bit") << 9 << 9 << 9 << 1 << true;
        QTest::newRow("upwards: intel from the lower byte") << 15 << 0 << 0 << 16 << true;
        QTest::newRow("downwards: motorola") << 39 << 44 << 39 << 12 << false;
        QTest::newRow("downwards over three bytes") << 7 << 16 << 7 << 24 << false;
    }
    void dragMarksAField()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        const BitField field = fieldBetween(from, to);
        QTEST(int(field.startBit), "start");
        QTEST(int(field.length), "length");
        QTEST(field.littleEndian, "intel");
    }

    void flipsCounted()
    {
        BitActivity activity;
        QRandomGenerator random(1);
        for (int i = 0; i < 256; ++i) {
            CanFrame frame = frameOf(0x10, 8);
            frame.data[0] = quint8(i); // a counter
            frame.data[1] = 0xA5; // constant
            frame.data[2] = i == 100 ? 1 : 0; // set once: two flips
            activity.add(frame);
            CanFrame fd = frameOf(0x10, 48, true);
            fd.extended = true;
            fd.data[40] = quint8(i % 2 << 7);
            activity.add(fd);
            CanFrame error = frameOf(0x10, 8);
            error.error = true;
            error.data[5] = quint8(random.bounded(256));
            activity.add(error);
            CanFrame remote = frameOf(0x10, 8); // no payload: its zeros are no flips
            remote.remote = true;
            activity.add(remote);
        }
        QCOMPARE(activity.messages().size(), size_t(2));
        const MessageBits *classic = activity.find(0x10, false);
        QCOMPARE(classic->frames, quint64(256));
        QCOMPARE(classic->length, 8);
        QCOMPARE(classic->flips[0], 255u); // the counter's lowest bit every frame
        QCOMPARE(classic->flips[1], 127u);
        QCOMPARE(classic->flips[7], 1u);
        QCOMPARE(classic->flips[8], 0u);
        QCOMPARE(classic->flips[16], 2u);
        QCOMPARE(classic->flips[40], 0u); // error frames are not the message
        QCOMPARE(classic->changedBitCount(), 9);
        QCOMPARE(classic->maxFlips(), 255u);
        QVERIFY(classic->bitValue(8) && !classic->bitValue(9) && classic->bitValue(15));
        const MessageBits *fd = activity.find(0x10, true);
        QCOMPARE(fd->length, 48);
        QCOMPARE(fd->flips[40 * 8 + 7], 255u);
        QCOMPARE(fd->changedBitCount(), 1);
    }

    void heatScaleAtItsEnds()
    {
        QCOMPARE(heatLevel(0, 1000), 0.0);
        QCOMPARE(heatLevel(1000, 1000), 1.0);
        QCOMPARE(heatLevel(1, 1), 1.0);
        QCOMPARE(heatLevel(0, 0), 0.0);
        // One flip beside a million stays visible, below the most active.
        QVERIFY(heatLevel(1, 1'000'000) > 0.04 && heatLevel(1, 1'000'000) < 0.06);
        QVERIFY(heatLevel(10, 1000) < heatLevel(100, 1000));
    }

    void spansCompared()
    {
        // A: nothing done for 1 s; B: a pedal bit toggles and a byte moves to another constant.
        CaptureStore capture;
        for (int i = 0; i < 200; ++i) {
            const bool inB = i >= 100;
            CanFrame frame = frameOf(0x20, 8);
            frame.data[0] = quint8(i % 64); // counts in both
            frame.data[3] = inB ? quint8(i % 2) : 0; // toggles only in B
            frame.data[4] = inB ? 0x0F : 0x00; // other constant in B
            frame.data[5] = inB ? 0 : quint8(i % 2 << 2); // toggles only in A
            capture.append({ 1'000'000 + i * 10'000, frame, false });
            capture.append({ 1'000'000 + i * 10'000 + 1, frameOf(0x30, 2), false });
        }
        const BitActivity a = bitActivityOf(capture, 1'000'000, 1'990'001);
        const BitActivity b = bitActivityOf(capture, 2'000'000, 3'000'000);
        QCOMPARE(a.find(0x20, false)->frames, quint64(100));
        QCOMPARE(b.find(0x20, false)->frames, quint64(100));
        const std::vector<BitContrast> contrast = contrastBits(a.find(0x20, false), b.find(0x20, false));
        QCOMPARE(contrast.size(), size_t(64));
        for (int bit = 0; bit < 64; ++bit) {
            const BitContrast expected = bit == 24                ? BitContrast::ChangesOnlyInB
                    : bit == 42                                   ? BitContrast::ChangesOnlyInA
                    : bit >= 32 && bit < 36                       ? BitContrast::OtherValue
                                                                  : BitContrast::Same;
            QCOMPARE(int(contrast[size_t(bit)]), int(expected));
        }
        QCOMPARE(contrastCount(a.find(0x20, false), b.find(0x20, false)), 6);
        QCOMPARE(contrastCount(a.find(0x30, false), b.find(0x30, false)), 0);
        QCOMPARE(contrastCount(a.find(0x20, false), nullptr), 0);
        QCOMPARE(sequenceAt(capture, 2'000'000), capture.firstSequence() + 200);
        QCOMPARE(sequenceAt(capture, 9'000'000), capture.endSequence());
    }

    void searchFindsTheHiddenSignal()
    {
        Drive drive;
        SignalSearch search;
        search.start(drive.capture);
        const auto initial = search.candidates().size();
        QVERIFY(hasCandidate(search, 0x100, drive.intel));
        QVERIFY(hasCandidate(search, 0x200, drive.motorola));
        // Constant bits are no candidates: byte 2 alone never appears.
        QVERIFY(!hasCandidate(search, 0x100, BitField{ 16, 8, true, false }));
        QVERIFY(!hasCandidate(search, 0x200, BitField{ 0, 8, true, false }));

        const qint64 t0 = Drive::timeOf(0), t3 = Drive::timeOf(300), t6 = Drive::timeOf(600),
                     t9 = Drive::timeOf(999);
        QVERIFY(search.apply(drive.capture, { SearchStep::Kind::Rose, t0, t3 - 1 }));
        const auto afterRose = search.candidates().size();
        QVERIFY(afterRose < initial);
        QVERIFY(search.apply(drive.capture, { SearchStep::Kind::Stayed, t3, t6 - 1 }));
        QVERIFY(search.apply(drive.capture, { SearchStep::Kind::Fell, t6, t9 + 10 }));
        QVERIFY(search.apply(drive.capture, { SearchStep::Kind::Equals, Drive::timeOf(450), 0, 2495 }));
        // The Intel value, and of the other message nothing that equals it.
        QVERIFY(hasCandidate(search, 0x100, drive.intel));
        QVERIFY(!hasCandidate(search, 0x200, drive.motorola));
        // Its companions are the same bits with fewer or more of the zeros above them.
        for (const SearchCandidate &candidate : search.candidates()) {
            QCOMPARE(search.messages()[candidate.message].identifier, 0x100u);
            QVERIFY(candidate.field.littleEndian);
            QCOMPARE(candidate.field.startBit, 24);
            QVERIFY(candidate.field.length >= 12);
        }
        QCOMPARE(search.candidates().size(), size_t(2 * 21 - 1)); // 2495 is negative in 12 signed bits
        QCOMPARE(search.stepCount(), 4);

        // Back one step: the Motorola one falls the other way, is signed and within its range.
        QVERIFY(search.undo());
        QCOMPARE(search.stepCount(), 3);
        QVERIFY(search.undo() && search.undo() && search.undo());
        QCOMPARE(search.candidates().size(), initial);
        QVERIFY(!search.undo());
        QVERIFY(search.apply(drive.capture, { SearchStep::Kind::Fell, t0, t3 - 1 }));
        QVERIFY(search.apply(drive.capture, { SearchStep::Kind::Within, t3, t6 - 1, -1248, -1247 }));
        QVERIFY(search.apply(drive.capture, { SearchStep::Kind::Changed, t6, t9 + 10 }));
        QVERIFY(hasCandidate(search, 0x200, drive.motorola));
        BitField unsignedTwin = drive.motorola;
        unsignedTwin.isSigned = false;
        QVERIFY(!hasCandidate(search, 0x200, unsignedTwin));
        QVERIFY(!hasCandidate(search, 0x100, drive.intel));
    }

    // Field A rises, B goes up and back, C falls; the last frame lands exactly on a moment.
    void stepsJudgeEachField_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("low");
        QTest::addColumn<qint64>("high");
        QTest::addColumn<QString>("kept");
        QTest::newRow("rose") << int(SearchStep::Kind::Rose) << 0ll << 0ll << "A";
        QTest::newRow("fell") << int(SearchStep::Kind::Fell) << 0ll << 0ll << "C";
        QTest::newRow("changed") << int(SearchStep::Kind::Changed) << 0ll << 0ll << "ABC";
        QTest::newRow("stayed") << int(SearchStep::Kind::Stayed) << 0ll << 0ll << "";
        QTest::newRow("equals at the last frame's very time") << int(SearchStep::Kind::Equals) << 40ll << 0ll << "A";
        QTest::newRow("within, bounds included") << int(SearchStep::Kind::Within) << 10ll << 40ll << "ABC";
        QTest::newRow("within, above") << int(SearchStep::Kind::Within) << 11ll << 40ll << "";
    }
    void stepsJudgeEachField()
    {
        QFETCH(int, kind);
        QFETCH(qint64, low);
        QFETCH(qint64, high);
        CaptureStore capture;
        const int a[] = { 10, 20, 30, 40 }, b[] = { 10, 30, 30, 10 }, c[] = { 40, 30, 20, 10 };
        for (int i = 0; i < 4; ++i) {
            CanFrame frame = frameOf(0x40, 3);
            frame.data = { quint8(a[i]), quint8(b[i]), quint8(c[i]) };
            capture.append({ 1000 + i * 100, frame, false });
        }
        SignalSearch search;
        search.start(capture);
        SearchStep step;
        step.kind = SearchStep::Kind(kind);
        step.fromUs = kind == int(SearchStep::Kind::Equals) ? 1300 : 1000;
        step.toUs = 1300;
        step.low = low;
        step.high = high;
        QVERIFY(search.apply(capture, step));
        QString kept;
        for (const auto &[name, start] : { std::pair{ 'A', 0 }, std::pair{ 'B', 8 }, std::pair{ 'C', 16 } }) {
            if (hasCandidate(search, 0x40, BitField{ quint16(start), 8, true, false }))
                kept += QLatin1Char(name);
        }
        QTEST(kept, "kept");
    }

    // A pedal value in 0x50; its switch in 0x60 (and inverted), noise, a constant byte.
    void bitsThatFollowASignal()
    {
        CaptureStore capture;
        QRandomGenerator random(4);
        for (int i = 0; i < 400; ++i) {
            const int pedal = (i / 50) % 2 ? 200 + i % 7 : i % 5;
            CanFrame other = frameOf(0x60, 2);
            const bool pressed = pedal > 100;
            other.data[0] = quint8(pressed ? 0x01 : 0x02);
            other.data[1] = 0x33;
            capture.append({ 1000 + i * 1000 - 500, other, false }); // just before the value
            CanFrame value = frameOf(0x50, 2);
            value.data[0] = quint8(pedal);
            value.data[1] = quint8(random.bounded(256));
            capture.append({ 1000 + i * 1000, value, false });
        }
        const std::vector<FollowingBit> found =
                followingBits(capture, 0x50, BitField{ 0, 8, true, false }, 0, 1'000'000);
        QVERIFY(found.size() >= 3);
        QCOMPARE(found[0].identifier, 0x60u);
        QCOMPARE(found[0].bit, 0);
        QVERIFY(!found[0].inverted);
        QVERIFY(found[0].agreement > 0.99);
        QCOMPARE(found[1].bit, 1);
        QVERIFY(found[1].inverted && found[1].agreement > 0.99);
        for (const FollowingBit &bit : found) {
            QVERIFY(!(bit.identifier == 0x60 && bit.bit >= 8)); // constant
            QVERIFY(!(bit.identifier == 0x50 && bit.bit < 8)); // the reference itself
        }
        QVERIFY(followingBits(capture, 0x60, BitField{ 8, 8, true, false }, 0, 1'000'000).empty());
        QCOMPARE(followingBits(capture, 0x50, BitField{ 0, 8, true, false }, 0, 1'000'000, 2).size(),
                 size_t(2));
    }

    void stepsThatCannotApply()
    {
        Drive drive;
        SignalSearch search;
        search.start(drive.capture);
        const auto initial = search.candidates().size();
        QVERIFY(!search.apply(drive.capture, { SearchStep::Kind::Rose, 5, 4 }));
        QVERIFY(!search.apply(drive.capture, { SearchStep::Kind::Rose, 50'000'000, 60'000'000 }));
        QVERIFY(!search.apply(drive.capture, { SearchStep::Kind::Within, 0, 60'000'000, 5, 4 }));
        QVERIFY(!search.apply(drive.capture, { SearchStep::Kind::Equals, 10, 10, 0 }));
        QCOMPARE(search.candidates().size(), initial);
        QCOMPARE(search.stepCount(), 0);
    }

    void candidatesOfOneMessage()
    {
        BitMask changed{};
        changed[0] = 0x10; // bit 4 alone changes, in a frame of one byte
        const std::vector<BitField> fields = candidateFields(changed, 1);
        // The 20 runs over bit 4 within the byte, unsigned and (but the single bit) signed;
        // within one byte Motorola adds nothing.
        QCOMPARE(int(fields.size()), 2 * 20 - 1);
        for (const BitField &field : fields) {
            QVERIFY(field.littleEndian);
            QVERIFY(field.startBit <= 4 && field.startBit + field.length > 4);
            QVERIFY(!(field.length == 1 && field.isSigned));
        }
    }

    void countersFound()
    {
        std::vector<CanFrame> frames;
        QRandomGenerator random(3);
        for (int i = 0; i < 100; ++i) {
            CanFrame frame = frameOf(0x300, 8);
            frame.data[1] = quint8(0xA0 | (i % 15)); // E2E-style 0..14 in the low nibble
            put(frame, BitField{ 39, 12, false, false }, (4000 + i) % 4096); // Motorola 12 bits, wraps
            frame.data[7] = quint8(random.bounded(256));
            frames.push_back(frame);
        }
        frames[50].data[1] = 0xA0; // one slip
        const std::vector<CounterFinding> found = findCounters(frames);
        QCOMPARE(found.size(), size_t(2));
        QCOMPARE(found[0].field, (BitField{ 8, 4, true, false }));
        QCOMPARE(found[0].highest, 14);
        QVERIFY(found[0].share > 0.97 && found[0].share < 1.0);
        QCOMPARE(found[1].field, (BitField{ 39, 12, false, false }));
        QCOMPARE(found[1].share, 1.0);
        // Random bytes count nothing.
        for (CanFrame &frame : frames)
            frame.data[1] = frame.data[4] = frame.data[5] = quint8(random.bounded(256));
        QVERIFY(findCounters(frames).empty());
        QVERIFY(findCounters({ frames[0], frames[1] }).empty());
    }

    void checksumsFound_data()
    {
        QTest::addColumn<QString>("algorithm");
        QTest::addColumn<int>("byte"); // where it sits; -1 the last byte
        QTest::addColumn<QString>("found");
        for (const char *name : { "crc8-sae-j1850", "crc8-h2f", "crc8-gsm-a", "xor8", "toyota",
                                  "subaru", "tesla" })
            QTest::newRow(name) << name << (QByteArray(name) == "subaru" ? 0 : -1) << name;
        QTest::newRow("sum8 in byte 0") << "sum8" << 0 << "sum8";
        QTest::newRow("xor with a start value") << "xor8:init=0x5a" << 0 << "xor8:init=0x5a";
        QTest::newRow("sum with a start value") << "sum8:init=0x33" << -1 << "sum8:init=0x33";
        QTest::newRow("a generic CRC-8") << "crc8:poly=0x07,init=0x00,xorout=0x00" << -1
                                         << "crc8-gsm-a:poly=0x7";
        QTest::newRow("crc16 in the last two bytes") << "crc16-xmodem" << -2 << "crc16-xmodem";
        QTest::newRow("honda nibble") << "honda" << -3 << "honda";
    }
    void checksumsFound()
    {
        QFETCH(QString, algorithm);
        QFETCH(int, byte);
        QFETCH(QString, found);
        const ChecksumAlgorithm checksum = *parseChecksumAlgorithm(algorithm);
        QRandomGenerator random(5);
        std::vector<CanFrame> frames;
        const BitField place = byte == -2 ? BitField{ 55, 16, false, false }
                : byte == -3              ? BitField{ 56, 4, true, false }
                : byte == -1              ? BitField{ 56, 8, true, false }
                                          : BitField{ 0, 8, true, false };
        const quint64 occupied = byte == -2 ? 0xC0 : byte == 0 ? 0x01 : 0x80;
        for (int i = 0; i < 60; ++i) {
            CanFrame frame = frameOf(0x2E4, 8);
            for (int b = 0; b < 8; ++b)
                frame.data[size_t(b)] = quint8(random.bounded(256));
            frame.data[7] &= byte == -3 ? 0xF0 : 0xFF;
            put(frame, place, computeChecksum(checksum, frame, occupied));
            frames.push_back(frame);
        }
        const std::vector<ChecksumFinding> findings = findChecksums(frames);
        // Some arithmetic has several names (Subaru's is Tesla's, or a sum from the
        // identifier's bytes), or two places (an XOR over every byte is 0).
        QVERIFY(std::any_of(findings.cbegin(), findings.cend(), [&](const ChecksumFinding &f) {
            return f.text == found && f.field == place && f.share == 1.0;
        }));
        QVERIFY(findings.size() <= 3);
        // No checksum: random last bytes match nothing.
        for (CanFrame &frame : frames) {
            frame.data[0] = quint8(random.bounded(256));
            frame.data[6] = quint8(random.bounded(256));
            frame.data[7] = quint8(random.bounded(256));
        }
        QVERIFY(findChecksums(frames).empty());
    }

    void constantChecksumPlaceProvesNothing()
    {
        std::vector<CanFrame> frames(20, frameOf(0x10, 8));
        for (size_t i = 0; i < frames.size(); ++i)
            frames[i].data[3] = quint8(i % 2); // xor8 of 0 and 1 in byte 7 would match half
        QVERIFY(findChecksums(frames).empty());
    }
};

QTEST_APPLESS_MAIN(tst_BitAnalysis)
#include "tst_bitanalysis.moc"
