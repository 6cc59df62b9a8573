#ifndef ISOTP_H
#define ISOTP_H

#include "capturerecord.h"
#include "diagmessage.h"

#include <QString>

#include <optional>
#include <unordered_map>
#include <vector>

// ISO-TP (ISO 15765-2): messages of up to 4 GB carried in single, first,
// consecutive and flow-control frames, classic or CAN FD.

enum class IsoTpAddressing : quint8 {
    Normal, // the protocol information in the first data byte
    NormalFixed, // 29-bit 18DA<target><source> (18DB: functional)
    Extended, // the first data byte is the target address
};

// Identifiers that carry ISO-TP, and how they are addressed.
struct IsoTpIdRange
{
    quint32 first = 0;
    quint32 last = 0;
    bool extended = false;
    IsoTpAddressing addressing = IsoTpAddressing::Normal;

    bool contains(quint32 identifier, bool isExtended) const
    {
        return isExtended == extended && identifier >= first && identifier <= last;
    }
    friend bool operator==(const IsoTpIdRange &a, const IsoTpIdRange &b)
    {
        return a.first == b.first && a.last == b.last && a.extended == b.extended
                && a.addressing == b.addressing;
    }
};

// OBD-II and UDS: 7DF and 7E0-7EF, 18DA0000-18DBFFFF with normal fixed addressing.
std::vector<IsoTpIdRange> defaultIsoTpIds();

// "7E0", "700-70F", "18DA00F1", "6F1:ext" (extended addressing), "18DAF100-18DAF1FF:fixed".
// An identifier over 7FF or written with 8 digits is a 29-bit one. nullopt: not such a text.
std::optional<IsoTpIdRange> parseIsoTpIdRange(const QString &text);
QString isoTpIdRangeText(const IsoTpIdRange &range);

class IsoTpReassembler
{
public:
    // N_Cr of ISO 15765-2: a receiver waits this long for the next consecutive frame.
    static constexpr qint64 DefaultTimeoutUs = 1'000'000;

    explicit IsoTpReassembler(std::vector<IsoTpIdRange> ids = defaultIsoTpIds(),
                              qint64 timeoutUs = DefaultTimeoutUs);

    // Takes one frame of the capture (index: its place there). Returns whether it
    // carried ISO-TP; the messages it completed or ended are appended to out, in
    // the order they ended. A transfer left waiting longer than the timeout is
    // ended (TimedOut) once a frame later than that comes by.
    bool feed(const CaptureRecord &record, qint64 index, std::vector<DiagMessage> &out);
    // Ends the transfers whose next frame is overdue at nowUs (live traffic).
    void expire(qint64 nowUs, std::vector<DiagMessage> &out);
    // Ends every transfer still open (the end of a log).
    void finish(std::vector<DiagMessage> &out);

private:
    struct Transfer
    {
        DiagMessage message;
        quint32 received = 0;
        quint8 nextSequence = 1;
        int consecutiveCapacity = 7; // data bytes a full consecutive frame carries
        int framesBeforeFlowControl = -1; // -1: none expected until the next flow control
        bool awaitingFlowControl = true;
        qint64 lastUs = 0;
    };
    struct IdInfo
    {
        bool isoTp = false;
        IsoTpAddressing addressing = IsoTpAddressing::Normal;
        quint64 learnedPartner = 0; // an id key paired by a flow control, 0: none
    };
    struct Candidate
    {
        CaptureRecord record;
        qint64 index = 0;
    };

    const IdInfo &info(quint64 idKey, quint32 identifier, bool extended);
    void take(const CaptureRecord &record, qint64 index, const IdInfo &id,
              std::vector<DiagMessage> &out);
    void flowControl(const CaptureRecord &record, qint64 index, quint64 idKey, int offset,
                     std::vector<DiagMessage> &out);
    bool learnPair(const CaptureRecord &record, qint64 index, quint64 idKey,
                   std::vector<DiagMessage> &out);
    void end(quint64 key, DiagMessage::Problem problem, std::vector<DiagMessage> &out);
    DiagMessage newMessage(const CaptureRecord &record, qint64 index, int addressExtension) const;

    std::vector<IsoTpIdRange> ids;
    qint64 timeoutUs;
    qint64 nextExpiryUs = 0;
    std::unordered_map<quint64, IdInfo> idInfo; // by id key: identifier and extended bit
    std::unordered_map<quint64, Transfer> transfers; // by id key and address extension
    std::vector<Candidate> candidates; // first frames on other identifiers, not yet answered
};

#endif // ISOTP_H
