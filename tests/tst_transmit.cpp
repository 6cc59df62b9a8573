// Encoding signals, counters, checksums in a row's frame, the received-side
// check, the deadline schedule on a test clock, the list file and the
// command line's plan: no window, no bus.
#include "dbc.h"
#include "simulation.h"
#include "transmitlistfile.h"
#include "transmitrow.h"
#include "transmitschedule.h"
#include "transmitscheduler.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

DbcDatabase database(const QByteArray &text)
{
    DbcReadResult read = readDbc(text);
    read.database.index();
    return read.database;
}

// One message 0x1 "M" of `length` bytes holding signal `name` as `definition` gives it.
DbcDatabase oneSignal(const QString &definition, int length = 8, const QString &extra = {},
                      const QString &name = QStringLiteral("S"))
{
    const QString text = QStringLiteral("BO_ 1 M: %1 A\n SG_ %2 %3 \"\" X\n%4\n");
    return database(text.arg(length).arg(name, definition, extra).toUtf8());
}

// The demo bus: its signals, and a multiplexed message.
DbcDatabase demoDatabase()
{
    QFile demo(QStringLiteral(TALVIK_SOURCE_DIR "/docs/demo.dbc"));
    return database(demo.open(QIODevice::ReadOnly) ? demo.readAll() : QByteArray());
}

QString hexOf(const CanFrame &frame)
{
    const QByteArray bytes(reinterpret_cast<const char *>(frame.data.data()), frame.length);
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

CanFrame frameOf(const QString &hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    CanFrame frame;
    frame.length = quint8(bytes.size());
    frame.fd = bytes.size() > 8;
    std::copy(bytes.begin(), bytes.end(), frame.data.begin());
    return frame;
}

// The brake message of the demo bus: E2E-style checksum in byte 0, a 4-bit
// counter 0..14, a pedal flag with a value table and a pressure.
const QByteArray Brake = "BO_ 291 Brake: 8 Body\n"
                         " SG_ Brake_CRC : 0|8@1+ (1,0) [0|255] \"\" X\n"
                         " SG_ Brake_Counter : 8|4@1+ (1,0) [0|14] \"\" X\n"
                         " SG_ Pedal : 12|1@1+ (1,0) [0|1] \"\" X\n"
                         " SG_ Pressure : 16|16@1+ (0.1,0) [0|250] \"bar\" X\n"
                         "BO_ 801 Door: 2 Body\n"
                         " SG_ Door_BZ : 0|4@1+ (1,0) [0|0] \"\" X\n"
                         " SG_ Temp : 8|8@1- (0.5,10) [-40|60] \"C\" X\n"
                         "BO_ 100 Other: 8 Engine\n"
                         " SG_ Level : 0|8@1+ (1,0) [10|20] \"\" X\n"
                         "BA_DEF_DEF_ \"GenMsgCycleTime\" 50;\n"
                         "BA_DEF_DEF_ \"GenSigStartValue\" 3;\n"
                         "BA_ \"GenMsgCycleTime\" BO_ 291 20;\n"
                         "BA_ \"GenSigStartValue\" SG_ 291 Pressure 1200;\n"
                         "VAL_ 291 Pedal 0 \"Released\" 1 \"Pressed\" ;\n";

} // namespace

class tst_Transmit : public QObject
{
    Q_OBJECT

    const DbcDatabase brakeDb = database(Brake);

private slots:
    // A value written into bytes that already hold a pattern: exactly the
    // signal's bits change (expected bytes worked out bit by bit by hand).
    // The frame is as long as `after`; no `before`: all zero.
    void encode_data()
    {
        QTest::addColumn<QString>("definition");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("Intel 4 bits across bytes 0 and 1")
                << ": 6|4@1+ (1,0)" << "9" << "A5 59" << "65 5A";
        QTest::newRow("Motorola 12 bits at 7") << ": 7|12@0+ (1,0)" << "291" << "00 0F" << "12 3F";
        QTest::newRow("Motorola 10 bits across bytes 1 and 2")
                << ": 13|10@0+ (1,0)" << "683" << "FF FF FF" << "FF EA BF";
        QTest::newRow("signed Intel, factor and offset")
                << ": 8|8@1- (0.5,10)" << "9" << "11 22 33" << "11 FE 33";
        QTest::newRow("Motorola signed 16 at 23 keeps bytes 0 and 1")
                << ": 23|16@0- (1,0)" << "-300" << "AA AA AA AA" << "AA AA FE D4";
        QTest::newRow("rounds to the nearest raw value")
                << ": 0|8@1+ (0.1,0)" << "12.34" << "00" << "7B";
        QTest::newRow("float") << ": 0|32@1- (1,0);SIG_VALTYPE_ 1 S : 1;" << "1.5"
                               << "00 00 00 00 77" << "00 00 C0 3F 77";
        QTest::newRow("double, Motorola") << ": 7|64@0- (1,0);SIG_VALTYPE_ 1 S : 2;" << "-2"
                                          << "" << "C0 00 00 00 00 00 00 00";
        QTest::newRow("64-bit unsigned, top bit")
                << ": 0|64@1+ (1,0)" << "9223372036854775808" << "" << "00 00 00 00 00 00 00 80";
        QTest::newRow("FD: Intel in bytes 10 and 11")
                << ": 80|16@1+ (1,0)" << "48879" << "" << "00 00 00 00 00 00 00 00 00 00 EF BE";
        QTest::newRow("FD: Motorola across bytes 8 and 9")
                << ": 67|8@0+ (1,0)" << "195" << "" << "00 00 00 00 00 00 00 00 0C 30 00 00";
    }
    void encode()
    {
        QFETCH(QString, definition);
        QFETCH(QString, value);
        QFETCH(QString, before);
        QFETCH(QString, after);
        const int length = int(after.count(u' ')) + 1;
        const QStringList parts = definition.split(u';');
        const DbcDatabase db = oneSignal(parts[0] + QStringLiteral(" [0|0]"), std::max(length, 8),
                                         parts.mid(1).join(u';'));
        const DbcSignal &signal = db.messages[0].signalList[0];
        QString why;
        const auto bits = bitsForText(signal, value, &why);
        QVERIFY2(bits, qPrintable(why));
        CanFrame frame = frameOf(before.isEmpty() ? QStringLiteral("00").repeated(length) : before);
        QVERIFY(encodeSignal(signal, *bits, frame.data.data(), frame.length));
        QCOMPARE(hexOf(frame), after);
        // Nothing is written when the frame ends before the signal's last byte.
        const int lastByte = 63 - qCountLeadingZeroBits(signalBytes(signal));
        QVERIFY(!encodeSignal(signal, *bits, frame.data.data(), lastByte));
        QCOMPARE(hexOf(frame), after);
    }

    // Random values within what a signal holds come back to its resolution.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("definition"); // empty: each signal of the demo bus
        QTest::newRow("Intel 12") << ": 3|12@1+ (0.25,-40) [0|0]";
        QTest::newRow("Motorola 13 signed") << ": 10|13@0- (0.01,5) [0|0]";
        QTest::newRow("Motorola 64 signed") << ": 7|64@0- (1,0) [0|0]";
        QTest::newRow("Intel 1 bit") << ": 63|1@1+ (1,0) [0|0]";
        QTest::newRow("ranged, negative factor") << ": 16|16@1- (-0.5,100) [-50|60]";
        QTest::newRow("FD Intel 64 over 9 bytes") << ": 100|64@1+ (1,0) [0|0]";
        QTest::newRow("demo bus") << QString();
    }
    void roundTrip()
    {
        QFETCH(QString, definition);
        const DbcDatabase db = definition.isEmpty() ? demoDatabase() : oneSignal(definition, 24);
        QVERIFY(!db.messages.empty());
        QRandomGenerator random(7);
        for (const DbcMessage &message : db.messages) {
            for (const DbcSignal &signal : message.signalList) {
                const auto [low, high] = rawLimits(signal);
                double a = rawToPhysical(signal, low), b = rawToPhysical(signal, high);
                if (a > b)
                    std::swap(a, b);
                if (signal.minimum < signal.maximum) {
                    a = std::max(a, signal.minimum);
                    b = std::min(b, signal.maximum);
                }
                for (int i = 0; i < 200; ++i) {
                    // Well inside a 64-bit range: the ends are not doubles.
                    const double value = a + (random.generateDouble() * 0.998 + 0.001) * (b - a);
                    const auto bits = physicalToBits(signal, value);
                    QVERIFY2(bits, qPrintable(signal.name + u' ' + QString::number(value)));
                    const double back = decodeBits(signal, *bits).physical;
                    const double resolution = std::abs(signal.factor) / 2 * (1 + 1e-9)
                            + std::abs(value) * 1e-15;
                    QVERIFY2(std::abs(back - value) <= resolution,
                             qPrintable(QStringLiteral("%1: %2 came back as %3")
                                                .arg(signal.name, QString::number(value, 'g', 17),
                                                     QString::number(back, 'g', 17))));
                }
            }
        }
    }

    // Never wrapped: a value the bits or the range cannot hold is refused, named.
    void refused_data()
    {
        QTest::addColumn<QString>("definition");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("reason");
        QTest::newRow("above 8 bits") << ": 0|8@1+ (1,0) [0|0]" << "256" << "0 到 255";
        QTest::newRow("negative, unsigned") << ": 0|8@1+ (1,0) [0|0]" << "-1" << "0 到 255";
        QTest::newRow("below signed 4 bits") << ": 0|4@1- (1,0) [0|0]" << "-9" << "-8 到 7";
        QTest::newRow("offset moves the limits") << ": 0|8@1+ (1,-40) [0|0]" << "216"
                                                 << "-40 到 215";
        QTest::newRow("outside [minimum|maximum]") << ": 0|8@1+ (1,0) [10|20]" << "21"
                                                   << "[10|20]";
        QTest::newRow("64-bit at 2^64") << ": 0|64@1+ (1,0) [0|0]" << "18446744073709551616"
                                        << "64";
        QTest::newRow("not a number") << ": 0|8@1+ (1,0) [0|0]" << "x1" << "x1";
    }
    void refused()
    {
        QFETCH(QString, definition);
        QFETCH(QString, value);
        QFETCH(QString, reason);
        const DbcDatabase db = oneSignal(definition);
        QString why;
        QVERIFY(!bitsForText(db.messages[0].signalList[0], value, &why));
        QVERIFY2(why.contains(reason), qPrintable(why));
    }

    // Defaults from the database: cycle times, start values, counter and
    // checksum by name, a value table's text.
    void rowFromDatabase()
    {
        const TransmitRow brake = rowForMessage(brakeDb, brakeDb.messages[0]);
        QCOMPARE(brake.periodMs, 20);
        QCOMPARE(brake.counterSignal, "Brake_Counter");
        QCOMPARE(brake.checksumSignal, "Brake_CRC");
        // The default start value 3 does not fit the 1-bit pedal: raw 0 instead.
        QCOMPARE(brake.signalBits, (std::vector<quint64>{ 3, 3, 0, 1200 }));
        const TransmitRow door = rowForMessage(brakeDb, brakeDb.messages[1]);
        QCOMPARE(door.periodMs, 50); // the attribute's default
        QCOMPARE(door.counterSignal, "Door_BZ");
        QVERIFY(door.checksumSignal.isEmpty());
        QCOMPARE(door.frame.length, 2);
        // No start value of its own and the default's 3 outside [10|20]: raw 0 moved into the range.
        DbcDatabase noDefault = brakeDb;
        noDefault.hasDefaultStartValue = false;
        QCOMPARE(rowForMessage(noDefault, noDefault.messages[2]).signalBits[0], quint64(10));
        QCOMPARE(*bitsForText(brakeDb.messages[0].signalList[2], "Pressed"), quint64(1));
        // The range's ends are inside it.
        QCOMPARE(*bitsForText(brakeDb.messages[0].signalList[3], "250"), quint64(2500));
        QCOMPARE(*bitsForText(brakeDb.messages[0].signalList[3], "0"), quint64(0));
        // A checksum found by name starts as CRC-8/SAE-J1850.
        QCOMPARE(checksumAlgorithmText(brake.checksum), "crc8-sae-j1850");
    }

    // A multiplexed message: only what its multiplexor selects is written,
    // and a list read back takes only that from the bytes, the rest at its
    // start value (not read from another signal's bytes).
    void multiplexed()
    {
        const DbcDatabase demo = demoDatabase();
        const DbcMessage *battery = demo.find(0x18FF50E5, true);
        QVERIFY(battery);
        TransmitRow row = rowForMessage(demo, *battery);
        QCOMPARE(row.periodMs, 500);
        TransmitRow page0 = row;
        // Page 1 selects the current: it is written, the voltage (page 0) is not.
        row.signalBits = { 1, 5, 0xAAAA, *bitsForText(battery->signalList[3], "-1"), 9, 9 };
        QCOMPARE(hexOf(buildFrame(row, battery)), "15 EC FF 00 00 00 00 00");
        page0.signalBits[2] = 40000; // the voltage, page 0
        page0.frame = buildFrame(page0, battery);
        const TransmitListRead back = readTransmitList(transmitListText({ page0 }), demo);
        QVERIFY(back.warnings.isEmpty()); // found its message again: not kept as raw bytes
        QCOMPARE(back.rows[0].signalBits[2], quint64(40000));
        QCOMPARE(back.rows[0].signalBits[3], quint64(0)); // the current, page 1
    }

    void counter_data()
    {
        QTest::addColumn<QString>("definition");
        QTest::addColumn<int>("modulus");
        QTest::newRow("8 bits") << ": 0|8@1+ (1,0) [0|0]" << 256;
        QTest::newRow("range 0..14 of 4 bits") << ": 0|4@1+ (1,0) [0|14]" << 15;
        QTest::newRow("range wider than the bits") << ": 0|4@1+ (1,0) [0|100]" << 16;
        QTest::newRow("1 bit") << ": 0|1@1+ (1,0) [0|1]" << 2;
    }
    void counter()
    {
        QFETCH(QString, definition);
        QFETCH(int, modulus);
        const DbcDatabase db = oneSignal(definition, 8, {}, QStringLiteral("AliveCnt"));
        const DbcMessage &message = db.messages[0];
        TransmitRow row = rowForMessage(db, message);
        QCOMPARE(row.counterSignal, "AliveCnt");
        // The counter sits alone in byte 0: the byte is its value.
        for (int i = 1; i < modulus; ++i)
            advanceCounter(row, &message);
        QCOMPARE(buildFrame(row, &message).data[0], quint8(modulus - 1));
        advanceCounter(row, &message);
        QCOMPARE(buildFrame(row, &message).data[0], quint8(0));
    }

    void proposedByName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        for (const char *name : { "COUNTER", "RollingCounter", "Msg_CNT", "alive", "Motor_BZ" })
            QTest::newRow(name) << name << "counter";
        for (const char *name : { "CHECKSUM", "Crc8", "Brake_CHKSUM", "Frame_CS" })
            QTest::newRow(name) << name << "checksum";
        for (const char *name : { "Speed", "BZ_Mode", "CSV", "Discount" })
            QTest::newRow(name) << name << "none";
    }
    void proposedByName()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        const DbcDatabase db = oneSignal(QStringLiteral(": 0|8@1+ (1,0) [0|0]"), 8, {}, name);
        QCOMPARE(proposedCounter(db.messages[0]) == name, kind == "counter");
        QCOMPARE(proposedChecksum(db.messages[0]) == name, kind == "checksum");
    }

    // The checksum is computed last, over the other bytes, into its signal.
    void checksumInFrame_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("algorithm");
        QTest::addColumn<QString>("data"); // the other signals' bytes, a stale checksum
        QTest::addColumn<QString>("frame");
        QTest::newRow("crc8-sae-j1850 in the last byte")
                << " SG_ D : 0|56@1+ (1,0) [0|0] \"\" X\n SG_ CRC : 56|8@1+ (1,0) [0|0] \"\" X\n"
                << "crc8-sae-j1850" << "12 34 56 78 9A BC DE 77" << "12 34 56 78 9A BC DE B1";
        QTest::newRow("Motorola checksum in byte 3")
                << " SG_ CRC : 31|8@0+ (1,0) [0|0] \"\" X\n SG_ D : 0|24@1+ (1,0) [0|0] \"\" X\n"
                << "xor8" << "F0 0F 01 5A" << "F0 0F 01 FE";
    }
    void checksumInFrame()
    {
        QFETCH(QString, layout);
        QFETCH(QString, algorithm);
        QFETCH(QString, data);
        QFETCH(QString, frame);
        const DbcDatabase db = database("BO_ 1 M: " + QByteArray::number(frame.count(u' ') + 1)
                                        + " A\n" + layout.toUtf8());
        const DbcMessage &message = db.messages[0];
        TransmitRow row = rowForMessage(db, message);
        row.checksumSignal = QStringLiteral("CRC");
        row.checksum = *parseChecksumAlgorithm(algorithm);
        row.signalBits = signalBitsFromFrame(db, message, frameOf(data));
        QCOMPARE(hexOf(buildFrame(row, &message)), frame);
    }

    // What is received: one frame with a wrong checksum, one counter value
    // skipped, and a pause after which the counter starts afresh; a slow
    // message's gaps are no pause.
    void integrityCheck_data()
    {
        QTest::addColumn<qint64>("periodUs");
        QTest::newRow("20 ms") << qint64(20'000);
        QTest::newRow("500 ms") << qint64(500'000);
    }
    void integrityCheck()
    {
        QFETCH(qint64, periodUs);
        const DbcMessage &message = brakeDb.messages[0];
        TransmitRow row = rowForMessage(brakeDb, message);
        row.checksum = *parseChecksumAlgorithm(QStringLiteral("e2e-p01:dataid=0x1234"));
        IntegrityCheck check(&message, row.counterSignal, row.checksumSignal, row.checksum);
        qint64 timeUs = 0;
        for (int i = 0; i < 40; ++i) {
            CanFrame frame = buildFrame(row, &message);
            if (i == 5)
                frame.data[0] ^= 0x01; // wrong checksum
            if (i == 30)
                timeUs += 20 * periodUs; // a pause: starts afresh
            if (i != 12 && i != 30) // a frame lost: its counter value is skipped
                check.check(frame, timeUs);
            if (i == 30)
                advanceCounter(row, &message);
            advanceCounter(row, &message);
            timeUs += periodUs;
        }
        QCOMPARE(check.checksumErrors, quint64(1));
        QCOMPARE(check.counterErrors, quint64(1));
    }

    // Deadlines on one clock: no drift, several periods, the earliest first,
    // a deadline more than a period late skipped, frames sent once.
    void schedule()
    {
        TransmitSchedule s;
        s.start({ 10'000, 25'000, 0 }, 1'000);
        quint64 skipped = 0;
        QCOMPARE(s.takeDue(1'000, &skipped), 0);
        QCOMPARE(s.takeDue(1'000, &skipped), 1);
        QCOMPARE(s.takeDue(1'000, &skipped), -1); // row 2 never on its own
        QCOMPARE(s.nextDueUs(), 11'000);
        // Late by 3 ms: due again at 21 ms, not at 24.
        QCOMPARE(s.takeDue(14'000, &skipped), 0);
        QCOMPARE(skipped, quint64(0));
        QCOMPARE(s.nextDueUs(), 21'000);
        // 48 ms: row 0's 21 and 31 ms deadlines are over a period old; 41 goes.
        QCOMPARE(s.takeDue(48'000, &skipped), 0);
        QCOMPARE(skipped, quint64(2));
        QCOMPARE(s.takeDue(48'000, &skipped), 1); // 26 ms: 22 late, within its period
        QCOMPARE(skipped, quint64(0));
        QCOMPARE(s.nextDueUs(), 51'000);
        // Put back: due as before.
        QCOMPARE(s.takeDue(52'000, &skipped), 0);
        s.putBack(0);
        QCOMPARE(s.nextDueUs(), 51'000);
        s.addOnce(2, 49'000);
        QCOMPARE(s.takeDue(52'000, &skipped), 2);
        s.putBack(2);
        QCOMPARE(s.nextDueUs(), 49'000);
        size_t added = 0;
        while (added <= TransmitSchedule::MaxPending && s.addOnce(2, 1'000'000))
            ++added;
        QCOMPARE(added, TransmitSchedule::MaxPending - 1); // bounded, the one put back counted
        s.stop();
        QCOMPARE(s.takeDue(100'000, &skipped), -1);
        QCOMPARE(s.nextDueUs(), TransmitSchedule::Never);
    }

    // The scheduler on a test clock: what goes out, late and skipped counts,
    // stop, a lost device, a busy one, a frame the bus cannot carry.
    void scheduler()
    {
        TransmitScheduler transmit;
        qint64 now = 0;
        transmit.setClock([&now] { return now; });
        transmit.setDatabase(brakeDb);
        QList<CanFrame> sent;
        TransmitScheduler::SendResult answer = TransmitScheduler::SendResult::Sent;
        transmit.setSend([&](const CanFrame &frame) {
            if (answer == TransmitScheduler::SendResult::Sent)
                sent.append(frame);
            return answer;
        });
        transmit.addRow(rowForMessage(brakeDb, brakeDb.messages[0])); // 20 ms
        TransmitRow onReceive = rowForFrame(frameOf("01 02"));
        onReceive.trigger = TransmitRow::Trigger::OnReceive;
        onReceive.triggerId = 0x7E0;
        onReceive.delayMs = 5;
        transmit.addRow(onReceive);
        QSignalSpy failed(&transmit, &TransmitScheduler::sendFailed);
        QSignalSpy refused(&transmit, &TransmitScheduler::rowRefused);
        // The frames sent by `timeUs`, polled then.
        const auto sentBy = [&](qint64 timeUs) {
            now = timeUs;
            transmit.poll();
            return int(sent.size());
        };

        transmit.sendNow(0); // while stopped: at once
        QCOMPARE(sent.size(), 1);
        transmit.start();
        QCOMPARE(sent.size(), 2);
        for (now = 1'000; now <= 100'000; now += 1'000)
            transmit.poll();
        QCOMPARE(sent.size(), 7); // 0, 20, 40, 60, 80, 100 ms
        // The counter advanced by one per frame, wrapping after 14.
        for (int i = 0; i < sent.size(); ++i)
            QCOMPARE(sent[i].data[1] & 0x0F, (3 + i) % 15);
        QCOMPARE(transmit.rows()[0].sent, quint64(7));

        CanFrame request;
        request.identifier = 0x7E0;
        now = 100'000;
        transmit.frameReceived(request);
        QCOMPARE(sentBy(104'000), 7);
        QCOMPARE(sentBy(105'000), 8);
        QCOMPARE(hexOf(sent.last()), "01 02");

        answer = TransmitScheduler::SendResult::Busy; // counted late once, sent when it can
        for (now = 120'000; now <= 125'000; now += 1'000)
            transmit.poll();
        QCOMPARE(transmit.rows()[0].late, quint64(1));
        answer = TransmitScheduler::SendResult::Sent;
        QCOMPARE(sentBy(126'000), 9);
        QCOMPARE(sentBy(200'000), 10); // 140, 160, 180 passed over; 200 goes
        QCOMPARE(transmit.rows()[0].skipped, quint64(3));

        // A period changed while running: its deadlines from now on.
        TransmitRow slower = transmit.rows()[0];
        slower.periodMs = 50;
        now = 240'000;
        transmit.setRow(0, slower);
        QCOMPARE(sentBy(240'000), 11);
        QCOMPARE(sentBy(289'000), 11);
        QCOMPARE(sentBy(290'000), 12);

        transmit.stop();
        for (now = 200'000; now <= 300'000; now += 5'000)
            transmit.poll();
        transmit.frameReceived(request);
        QCOMPARE(sent.size(), 12); // nothing after Stop

        answer = TransmitScheduler::SendResult::Failed; // the device went away
        transmit.start();
        QVERIFY(!transmit.isRunning());
        QCOMPARE(failed.size(), 1);

        answer = TransmitScheduler::SendResult::Refused; // FD on a classic bus: row switched off
        transmit.start();
        QCOMPARE(refused.size(), 1);
        QVERIFY(!transmit.rows()[0].enabled);
        QVERIFY(transmit.isRunning());
    }

    // The list keeps each row; without its database it still loads, as raw bytes.
    void listFile()
    {
        std::vector<TransmitRow> rows = { rowForMessage(brakeDb, brakeDb.messages[0]),
                                          rowForFrame(frameOf("DE AD BE EF 00 11 22 33 44 55 66 77")) };
        rows[0].signalBits[3] = 777;
        rows[0].frame = buildFrame(rows[0], &brakeDb.messages[0]);
        rows[0].checksum = *parseChecksumAlgorithm(QStringLiteral("e2e-p01:dataid=0x1234"));
        rows[0].key = QStringLiteral("b");
        rows[1].frame.identifier = 0x18DAF110;
        rows[1].frame.extended = true;
        rows[1].frame.bitRateSwitch = true;
        rows[1].trigger = TransmitRow::Trigger::OnReceive;
        rows[1].triggerId = 0x7DF;
        rows[1].delayMs = 7;
        rows[1].enabled = false;
        rows.push_back(rowForFrame(frameOf("01"))); // by hand only
        const QByteArray text = transmitListText(rows);

        const TransmitListRead same = readTransmitList(text, brakeDb);
        QVERIFY(same.warnings.isEmpty());
        QCOMPARE(same.rows.size(), size_t(3));
        QCOMPARE(int(same.rows[2].trigger), int(TransmitRow::Trigger::OnDemand));
        const TransmitRow &brake = same.rows[0];
        QCOMPARE(brake.messageName, "Brake");
        QCOMPARE(brake.signalBits[3], quint64(777)); // from the bytes kept
        QCOMPARE(brake.periodMs, 20);
        QCOMPARE(brake.counterSignal, "Brake_Counter");
        QCOMPARE(checksumAlgorithmText(brake.checksum), checksumAlgorithmText(rows[0].checksum));
        QCOMPARE(brake.key, "b");
        const TransmitRow &raw = same.rows[1];
        QVERIFY(raw.frame == rows[1].frame);
        QVERIFY(raw.frame.fd && raw.frame.length == 12);
        QCOMPARE(int(raw.trigger), int(TransmitRow::Trigger::OnReceive));
        QCOMPARE(raw.triggerId, 0x7DFu);
        QCOMPARE(raw.delayMs, 7);
        QVERIFY(!raw.enabled);

        for (const QByteArray &changed :
             { QByteArray(), QByteArray(Brake).replace("Brake: 8", "Brake: 6"),
               QByteArray(Brake).replace("BO_ 291 Brake:", "BO_ 291 Brakes:") }) {
            const TransmitListRead without = readTransmitList(text, database(changed));
            QCOMPARE(without.rows.size(), size_t(3));
            QVERIFY(without.rows[0].signalBits.empty()); // raw bytes for now
            QCOMPARE(hexOf(without.rows[0].frame), hexOf(rows[0].frame));
            QCOMPARE(without.warnings.size(), 1);
            QVERIFY(without.warnings[0].contains("Brake"));
            // Its message, counter and checksum stay named: the database
            // loaded later finds them, the values taken from the bytes.
            TransmitScheduler later;
            later.setRows(without.rows);
            QVERIFY(!later.messageOf(0));
            later.setDatabase(brakeDb);
            QVERIFY(later.messageOf(0));
            QCOMPARE(later.rows()[0].signalBits[3], quint64(777));
            QCOMPARE(later.rows()[0].counterSignal, "Brake_Counter");
            QCOMPARE(checksumAlgorithmText(later.rows()[0].checksum), "e2e-p01:dataid=0x1234");
            QCOMPARE(transmitListText(later.rows()), text);
        }
        QVERIFY(!readTransmitList("{\"rows\": []}", brakeDb).error.isEmpty());
        QVERIFY(!readTransmitList("BO_ 1 M: 8 A", brakeDb).error.isEmpty());
    }

    void plan_data()
    {
        QTest::addColumn<QString>("words"); // kind:value, as many as the command line gives
        QTest::addColumn<QString>("result"); // error, or "rows" with their names
        QTest::newRow("a node") << "node:Body" << "Brake Door";
        QTest::newRow("node and message, each once") << "message:Door node:Body" << "Brake Door";
        QTest::newRow("unknown node") << "node:Gateway" << "no node Gateway";
        QTest::newRow("unknown message") << "message:Wheel" << "no message Wheel";
        QTest::newRow("unknown signal")
                << "node:Body set:Brake.Force=1" << "no signal Force in Brake";
        QTest::newRow("message not sent")
                << "message:Door set:Brake.Pedal=1" << "Brake is not sent";
        QTest::newRow("out of range") << "node:Body set:Door.Temp=61" << "[-40|60]";
        QTest::newRow("unknown algorithm")
                << "node:Body checksum:Brake=crc9" << "unknown checksum 'crc9'";
        QTest::newRow("no checksum signal by name")
                << "node:Body checksum:Door=xor8" << "Door has no signal";
        QTest::newRow("counter by hand needs a signal")
                << "node:Body counter:Brake" << "no signal  in Brake";
    }
    void plan()
    {
        QFETCH(QString, words);
        QFETCH(QString, result);
        SimulationRequest request;
        const QHash<QString, QStringList *> lists = {
            { "node", &request.nodes }, { "message", &request.messages }, { "set", &request.sets },
            { "counter", &request.counters }, { "checksum", &request.checksums }
        };
        for (const QString &word : words.split(u' '))
            *lists.value(word.section(u':', 0, 0)) << word.section(u':', 1);
        const SimulationPlan plan = planSimulation(brakeDb, request);
        QStringList names;
        for (const TransmitRow &row : plan.rows)
            names << row.messageName;
        QVERIFY2(plan.error.isEmpty() ? names.join(u' ') == result : plan.error.contains(result),
                 qPrintable(plan.error + u'|' + names.join(u' ')));
    }

    // What the command line sets reaches the frames.
    void planSetsValues()
    {
        SimulationRequest request;
        request.messages = QStringList{ "Brake", "Door" };
        request.sets = QStringList{ "Brake.Pressure=12.5", "Brake.Pedal=Pressed", "Door.Temp=-3.5" };
        request.counters = QStringList{ "Door.Temp" };
        request.checksums = QStringList{ "Brake=sum8" };
        const SimulationPlan plan = planSimulation(brakeDb, request);
        QVERIFY2(plan.error.isEmpty(), qPrintable(plan.error));
        QCOMPARE(hexOf(plan.rows[0].frame), "90 13 7D 00 00 00 00 00"); // 0x13 + 0x7D
        QCOMPARE(plan.rows[1].counterSignal, "Temp");
        QCOMPARE(plan.rows[1].frame.data[1], quint8(0xE5)); // (-3.5 - 10) / 0.5 = -27
        TransmitRow counted = plan.rows[1];
        counted.sent = 7;
        counted.late = 2;
        counted.skipped = 1;
        QCOMPARE(simulationSummaryLine(counted), "Door 321: sent 7, late 2, skipped 1");
        counted.frame.identifier = 0x18DAF110;
        counted.frame.extended = true;
        counted.messageName.clear();
        QVERIFY(simulationSummaryLine(counted).startsWith("- 18DAF110: "));
    }
};

QTEST_APPLESS_MAIN(tst_Transmit)
#include "tst_transmit.moc"
