#ifndef DBC_H
#define DBC_H

#include "canframe.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

// A CAN database (.dbc): the messages of a network and the signals packed
// into them, as plain values. Reading and decoding are pure functions.

struct DbcSignal
{
    enum class ValueType { Integer, Float32, Float64 }; // SIG_VALTYPE_ 1 and 2
    enum class Multiplex { None, Multiplexor, Multiplexed }; // "M", "mN" (and "mNM")

    QString name;
    int startBit = 0; // as written: Intel the lowest bit, Motorola the most significant
    int length = 1; // 1 to 64
    bool littleEndian = true; // @1 Intel, @0 Motorola
    bool isSigned = false;
    ValueType valueType = ValueType::Integer;
    double factor = 1.0;
    double offset = 0.0;
    double minimum = 0.0; // [0|0]: no range; never clamped
    double maximum = 0.0;
    QString unit;
    QStringList receivers;
    Multiplex multiplex = Multiplex::None;
    qint64 multiplexValue = 0; // Multiplexed: shown when the multiplexor has this value
    bool alsoMultiplexor = false; // "mNM": extended multiplexing
    // SG_MUL_VAL_: the multiplexor by name and the value ranges that select the
    // signal. Without it a multiplexed signal follows the message's "M" signal
    // (for "mNM": the multiplexor it is itself selected by) at multiplexValue.
    QString multiplexorName;
    std::vector<std::pair<qint64, qint64>> multiplexRanges;
    int multiplexorIndex = -1; // in the message's signalList, resolved by readDbc; -1: none
    QString comment; // CM_ SG_
    QMap<qint64, QString> valueTexts; // VAL_
    bool hasStartValue = false; // BA_ "GenSigStartValue": the raw value to send first
    double startValue = 0.0;
};

struct DbcMessage
{
    quint32 identifier = 0; // without the extended bit
    bool extended = false; // bit 31 of the identifier as written
    QString name;
    int length = 0; // 0 to 64 as declared; more than 8 is a CAN FD message
    bool fd = false; // BA_ "VFrameFormat" says CAN FD
    // BA_ "VFrameFormat" J1939PG, or the network's "ProtocolType" J1939: a frame
    // matches it by parameter group, whatever its priority and addresses.
    bool j1939 = false;
    QString sender;
    QString comment; // CM_ BO_
    int cycleTimeMs = -1; // BA_ "GenMsgCycleTime", -1 when not given
    std::vector<DbcSignal> signalList;
};

struct DbcDatabase
{
    std::vector<DbcMessage> messages;
    // BA_DEF_DEF_ defaults of the attributes a sender uses; -1 / none when not given.
    int defaultCycleTimeMs = -1;
    bool hasDefaultStartValue = false;
    double defaultStartValue = 0.0;

    // The message for a frame's identifier and type, or null. A 29-bit frame
    // no message has exactly matches a J1939 message of its parameter group.
    const DbcMessage *find(quint32 identifier, bool extended) const;
    // Rebuilds the lookup after `messages` changed.
    void index();

private:
    QHash<quint64, int> byKey;
    QHash<quint32, int> byParameterGroup; // J1939 messages
};

// Where a statement of the file was read from, so that a writer can change
// just the lines of one definition. Lines count from 0.
struct DbcStatement
{
    QString keyword;
    int firstLine = 0;
    int lastLine = 0;
    qint64 messageId = -1; // the message it defines or refers to, as written (bit 31 extended)
    QString signalName; // the signal it defines or refers to, if any
};

struct DbcReadResult
{
    DbcDatabase database;
    std::vector<DbcStatement> statements; // every statement, in file order
    int skippedLines = 0; // lines (or messages) left out; the rest loaded
    QStringList skipped; // the first few: "line N: reason"
    QString error; // non-empty: the file is refused ("line N: expected ...")
};

// Reads a .dbc file's bytes: UTF-8 when valid, else Windows code page 1252.
DbcReadResult readDbc(const QByteArray &content);
// The text of a .dbc file's bytes as readDbc() reads it (without a byte order mark).
QString dbcText(const QByteArray &content, bool *codePage1252 = nullptr);
// The text in code page 1252; nothing when a character is not in it.
std::optional<QByteArray> dbcCodePage1252(const QString &text);

struct DecodedSignal
{
    const DbcSignal *signal = nullptr;
    bool present = false; // false: beyond the frame's data, or multiplexed elsewhere
    qint64 raw = 0; // the integer the bits give (signed when the signal is signed)
    quint64 rawUnsigned = 0; // for 64-bit unsigned signals
    double rawValue = 0.0; // raw as a number; float and double: the value the bits hold
    double physical = 0.0; // rawValue * factor + offset
    QString text; // the value table's text for raw, if any
};

// One signal's raw and physical value from a frame's data bytes (`length` of
// them); present is false when the signal does not lie wholly within them.
DecodedSignal decodeSignal(const DbcSignal &signal, const quint8 *data, int length);

// The physical value of a raw value: raw * factor + offset.
inline double rawToPhysical(const DbcSignal &signal, double raw)
{
    return raw * signal.factor + signal.offset;
}

// Every signal of `message` that the frame carries, multiplexed signals only
// when their multiplexor has their value; in the message's signal order.
std::vector<DecodedSignal> decodeMessage(const DbcMessage &message, const CanFrame &frame);
// The same into `decoded`, whose storage is reused from frame to frame.
void decodeMessage(const DbcMessage &message, const CanFrame &frame,
                   std::vector<DecodedSignal> &decoded);

// Encoding, the inverse of decoding: physical value -> raw -> the signal's bits.

// The lowest and highest raw value the signal's bits hold (floats: their range).
std::pair<double, double> rawLimits(const DbcSignal &signal);
enum class EncodeProblem { None, NotANumber, NoFactor, BelowRange, AboveRange };
// The bits that carry `physical`, rounded to the nearest raw value; nothing,
// with the reason in `problem`, when the bits cannot hold it.
std::optional<quint64> physicalToBits(const DbcSignal &signal, double physical,
                                      EncodeProblem *problem = nullptr);
// The bits of an integer raw value (two's complement for signed signals);
// nothing when the signal's length cannot hold it.
std::optional<quint64> rawToBits(const DbcSignal &signal, qint64 raw);
// Writes the signal's `bits` into `data` (`length` bytes) and touches no other
// bit; false, writing nothing, when the signal does not lie within them.
bool encodeSignal(const DbcSignal &signal, quint64 bits, quint8 *data, int length);
// Writes every signal of `message` from `bits` (one per signal, in the
// message's order); a multiplexed signal only when its multiplexor, as
// written, selects it.
void encodeMessage(const DbcMessage &message, const std::vector<quint64> &bits, CanFrame &frame);
// The raw value a sender starts with: GenSigStartValue (the signal's, else
// the database's default), else raw 0 moved into the signal's [minimum|maximum].
quint64 startBits(const DbcDatabase &database, const DbcSignal &signal);
// The cycle time to send a message at: its GenMsgCycleTime, else the default; -1: none.
int cycleTimeOf(const DbcDatabase &database, const DbcMessage &message);
// The nodes that send at least one message, sorted.
QStringList sendingNodes(const DbcDatabase &database);

#endif // DBC_H
