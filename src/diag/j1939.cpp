#include "j1939.h"

#include <algorithm>
#include <limits>

namespace {

constexpr quint8 RequestToSend = 0x10;
constexpr quint8 ClearToSend = 0x11;
constexpr quint8 EndOfMessageAck = 0x13;
constexpr quint8 Broadcast = 0x20;
constexpr quint8 ExtendedRequestToSend = 0x14;
constexpr quint8 ExtendedClearToSend = 0x15;
constexpr quint8 DataPacketOffset = 0x16;
constexpr quint8 ExtendedEndOfMessageAck = 0x17;
constexpr quint8 Abort = 0xFF;
constexpr int BytesPerPacket = 7;

quint16 sessionKey(quint8 source, quint8 destination)
{
    return quint16(source << 8 | destination);
}

quint32 little24(const CanFrame &frame, int at)
{
    return quint32(frame.data[at]) | quint32(frame.data[at + 1]) << 8
            | quint32(frame.data[at + 2]) << 16;
}

// A group's message as the frame that began it gives it: time, identifier,
// group and addresses, and that frame as its first.
DiagMessage groupMessage(const CaptureRecord &record, qint64 index, const J1939Id &id, quint32 pgn,
                         bool transported)
{
    DiagMessage m;
    m.protocol = DiagMessage::Protocol::J1939;
    m.firstTimestampUs = m.timestampUs = record.timestampUs;
    m.identifier = record.frame.identifier;
    m.extended = true;
    m.fd = record.frame.fd;
    m.pgn = pgn;
    m.priority = id.priority;
    m.source = id.source;
    m.destination = id.destination;
    m.transported = transported;
    m.frames.push_back(index);
    return m;
}

} // namespace

J1939Id j1939Id(quint32 identifier)
{
    J1939Id id;
    id.priority = quint8((identifier >> 26) & 7);
    id.source = quint8(identifier);
    id.pgn = j1939PgnOf(identifier);
    // PDU1 is addressed to one node; PDU2 is broadcast, its specific byte part of the group.
    const bool pdu1 = ((identifier >> 16) & 0xFF) < 240;
    id.destination = pdu1 ? quint8(identifier >> 8) : 0xFF;
    return id;
}

quint32 j1939Identifier(const J1939Id &id)
{
    const bool pdu1 = ((id.pgn >> 8) & 0xFF) < 240;
    return quint32(id.priority & 7) << 26 | (id.pgn & 0x3FFFF) << 8
            | (pdu1 ? quint32(id.destination) << 8 : 0) | id.source;
}

J1939Reassembler::J1939Reassembler(qint64 timeoutUs) : timeoutUs(timeoutUs) { }

bool J1939Reassembler::feed(const CaptureRecord &record, qint64 index,
                            std::vector<DiagMessage> &out)
{
    const CanFrame &frame = record.frame;
    if (!frame.extended || frame.error || frame.remote)
        return false;
    if (record.timestampUs >= nextExpiryUs && !sessions.empty()) {
        expire(record.timestampUs, out);
        nextExpiryUs = record.timestampUs + timeoutUs / 4;
    }
    const J1939Id id = j1939Id(frame.identifier);
    switch (id.pgn) {
    case J1939Pgn::TransportConnection:
    case J1939Pgn::ExtendedConnection:
        if (frame.length >= 8) {
            connection(record, index, id, id.pgn == J1939Pgn::ExtendedConnection, out);
            return true;
        }
        break;
    case J1939Pgn::TransportData:
    case J1939Pgn::ExtendedData:
        if (frame.length >= 1) {
            data(record, index, id, id.pgn == J1939Pgn::ExtendedData, out);
            return true;
        }
        break;
    default:
        break;
    }
    DiagMessage message = groupMessage(record, index, id, id.pgn, false);
    message.declaredLength = frame.length;
    message.payload = QByteArray(reinterpret_cast<const char *>(frame.data.data()), frame.length);
    out.push_back(std::move(message));
    return true;
}

void J1939Reassembler::end(quint16 key, DiagMessage::Problem problem, std::vector<DiagMessage> &out)
{
    const auto found = sessions.find(key);
    if (found == sessions.end())
        return;
    found->second.message.problem = problem;
    out.push_back(std::move(found->second.message));
    sessions.erase(found);
}

void J1939Reassembler::connection(const CaptureRecord &record, qint64 index, const J1939Id &id,
                                  bool etp, std::vector<DiagMessage> &out)
{
    const CanFrame &frame = record.frame;
    const quint8 control = frame.data[0];
    const quint32 pgn = little24(frame, 5);
    // Answers go from the receiver to the originator: the session is the other way round.
    const quint16 originatorKey = sessionKey(id.source, id.destination);
    const quint16 answerKey = sessionKey(id.destination, id.source);
    const auto note = [&](quint16 key) {
        const auto found = sessions.find(key);
        if (found == sessions.end())
            return false;
        found->second.message.frames.push_back(index);
        found->second.lastUs = record.timestampUs;
        return true;
    };

    if ((!etp && (control == RequestToSend || control == Broadcast))
        || (etp && control == ExtendedRequestToSend)) {
        end(originatorKey, DiagMessage::Problem::Interrupted, out);
        Session session;
        session.message = groupMessage(record, index, id, pgn, true);
        DiagMessage &m = session.message;
        m.declaredLength = etp ? quint32(frame.data[1]) | quint32(frame.data[2]) << 8
                        | quint32(frame.data[3]) << 16 | quint32(frame.data[4]) << 24
                               : quint32(frame.data[1]) | quint32(frame.data[2]) << 8;
        m.payload.reserve(int(std::min<quint32>(m.declaredLength, 1u << 20)));
        session.extendedTransport = etp;
        session.lastUs = record.timestampUs;
        sessions[originatorKey] = std::move(session);
        return;
    }
    switch (control) {
    case ClearToSend:
    case EndOfMessageAck:
    case ExtendedClearToSend:
    case ExtendedEndOfMessageAck:
        note(answerKey);
        return;
    case DataPacketOffset:
        if (note(originatorKey)) {
            Session &session = sessions[originatorKey];
            session.packetOffset = little24(frame, 2);
            session.nextSequence = 1;
        }
        return;
    case Abort: {
        const quint16 key = sessions.count(originatorKey) ? originatorKey : answerKey;
        if (note(key)) {
            sessions[key].message.abortReason = frame.data[1];
            end(key, DiagMessage::Problem::Aborted, out);
            return;
        }
        // An abort of a session not seen: shown all the same.
        DiagMessage m = groupMessage(record, index, id, pgn, true);
        m.abortReason = frame.data[1];
        m.problem = DiagMessage::Problem::Aborted;
        out.push_back(std::move(m));
        return;
    }
    default:
        return;
    }
}

void J1939Reassembler::data(const CaptureRecord &record, qint64 index, const J1939Id &id, bool etp,
                            std::vector<DiagMessage> &out)
{
    const CanFrame &frame = record.frame;
    const quint16 key = sessionKey(id.source, id.destination);
    const auto found = sessions.find(key);
    const int present = std::min(frame.length - 1, BytesPerPacket);
    if (found == sessions.end() || found->second.extendedTransport != etp) {
        DiagMessage m = groupMessage(record, index, id, 0, true);
        m.payload = QByteArray(reinterpret_cast<const char *>(frame.data.data()) + 1, present);
        m.problem = DiagMessage::Problem::Unexpected;
        out.push_back(std::move(m));
        return;
    }
    Session &session = found->second;
    DiagMessage &m = session.message;
    m.frames.push_back(index);
    m.identifier = frame.identifier;
    m.timestampUs = session.lastUs = record.timestampUs;
    if (frame.data[0] != session.nextSequence) {
        end(key, DiagMessage::Problem::OutOfSequence, out);
        return;
    }
    const quint64 at = (quint64(session.packetOffset) + frame.data[0] - 1) * BytesPerPacket;
    if (at != quint64(m.payload.size())) { // a data packet offset that skips or repeats
        end(key, DiagMessage::Problem::OutOfSequence, out);
        return;
    }
    const quint32 taken = std::min(quint32(present), m.declaredLength - quint32(m.payload.size()));
    m.payload.append(reinterpret_cast<const char *>(frame.data.data()) + 1, int(taken));
    ++session.nextSequence;
    if (quint32(m.payload.size()) >= m.declaredLength)
        end(key, DiagMessage::Problem::None, out);
}

void J1939Reassembler::expire(qint64 nowUs, std::vector<DiagMessage> &out)
{
    std::vector<quint16> overdue;
    for (const auto &[key, session] : sessions)
        if (nowUs - session.lastUs > timeoutUs)
            overdue.push_back(key);
    std::sort(overdue.begin(), overdue.end(), [&](quint16 a, quint16 b) {
        return sessions[a].message.firstTimestampUs < sessions[b].message.firstTimestampUs;
    });
    for (const quint16 key : overdue)
        end(key, DiagMessage::Problem::TimedOut, out);
}

void J1939Reassembler::finish(std::vector<DiagMessage> &out)
{
    expire(std::numeric_limits<qint64>::max(), out);
}
