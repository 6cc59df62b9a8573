#include "commands.h"
#include "convertermodel.h"
#include "hexbytes.h"

#include <QTest>

// The converter simulator's controller in each mode (the window's tests drive
// the rest of it).
class tst_Simulator : public QObject
{
    Q_OBJECT

private slots:
    void modes_data()
    {
        QTest::addColumn<int>("mode"); // -1: never started
        QTest::addColumn<QList<bool>>("expected"); // transmits, loops back, hears the bus
        QTest::newRow("stopped") << -1 << QList<bool>{ false, false, false };
        QTest::newRow("normal") << 0 << QList<bool>{ true, false, true };
        QTest::newRow("loop-back") << 1 << QList<bool>{ true, true, false };
        QTest::newRow("silent") << 2 << QList<bool>{ false, false, true };
        QTest::newRow("loop-back silent") << 3 << QList<bool>{ false, true, false };
    }

    // A frame from the host in either framing; echoes in the framing set.
    void modes()
    {
        QFETCH(int, mode);
        QFETCH(QList<bool>, expected);
        for (bool variable : { false, true }) {
            ConverterModel converter;
            int onBus = 0;
            converter.onTransmit = [&](const CanFrame &) { ++onBus; };
            CanSetup setup;
            setup.modeIndex = mode;
            setup.variableFraming = variable;
            if (mode >= 0)
                converter.receiveFromHost(setStartCommand(setup));
            const CanFrame sent = canFrame(0x123, hex("11 22 33"));
            converter.receiveFromHost(variable ? encodeFixedFrame(sent) : variableFrameBytes(sent));
            const QByteArray echo = converter.takeOutput();
            converter.frameFromBus(canFrame(0x456, hex("44")));
            QCOMPARE(
                    QList<bool>({ onBus == 1, !echo.isEmpty(), !converter.takeOutput().isEmpty() }),
                    expected);
            if (!echo.isEmpty())
                QCOMPARE(echo, variable ? variableFrameBytes(sent) : encodeFixedFrame(sent));
        }
    }
};

QTEST_APPLESS_MAIN(tst_Simulator)
#include "tst_simulator.moc"
