#ifndef DEMOECU_H
#define DEMOECU_H

#include "canframe.h"

#include <QByteArray>

#include <vector>

// The demo bus's engine control unit: requests on 7DF (functional) and 7E0
// answered on 7E8 over ISO-TP. UDS read data by identifier (F190 the VIN, a
// multi-frame answer sent once the tester's flow control comes, in blocks of
// its block size), read DTC information by status mask (two codes), diagnostic
// session control and tester present; OBD-II mode 01 PIDs 00, 05, 0C and 0D
// from the simulated engine, and a negative answer to anything else.
class DemoEcu
{
public:
    static constexpr quint32 FunctionalId = 0x7DF;
    static constexpr quint32 RequestId = 0x7E0;
    static constexpr quint32 AnswerId = 0x7E8;
    static constexpr const char *Vin = "TALVIKDEMO0000042";

    // The frames to send for one seen on the bus, in order. tick: the engine's
    // tick, as the demo frames count it (engine speed and coolant follow it).
    std::vector<CanFrame> receive(const CanFrame &frame, quint32 tick);
    // The UDS or OBD-II answer to a request's payload; empty for none.
    static QByteArray answer(const QByteArray &request, quint32 tick);
    // The J1939 broadcast: a 20-byte group (PGN FEEC, the VIN) by BAM from
    // address 0x00: the announcement and its three data packets.
    static std::vector<CanFrame> broadcast();

private:
    std::vector<CanFrame> nextBlock(int blockSize);

    std::vector<CanFrame> waiting; // consecutive frames for the next flow control
};

#endif // DEMOECU_H
