#include "isotp.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace {

constexpr quint64 ExtendedBit = quint64(1) << 32;
constexpr int MaxCandidates = 16;

quint64 idKeyOf(quint32 identifier, bool extended)
{
    return identifier | (extended ? ExtendedBit : 0);
}

// A transfer's key: the sender's identifier and, with extended addressing, its target byte.
quint64 transferKey(quint64 idKey, int addressExtension)
{
    return idKey | (quint64(addressExtension + 1) << 40);
}

bool isNormalFixed(quint32 identifier)
{
    const quint32 format = (identifier >> 16) & 0xFF;
    return format == 0xDA || format == 0xDB;
}

// The identifier a flow control for this sender comes from, by the usual
// pairings; 0 when there is none.
quint64 usualPartner(quint32 identifier, bool extended)
{
    if (!extended) {
        if (identifier >= 0x7E0 && identifier <= 0x7E7)
            return idKeyOf(identifier + 8, false);
        if (identifier >= 0x7E8 && identifier <= 0x7EF)
            return idKeyOf(identifier - 8, false);
        return 0;
    }
    if (((identifier >> 16) & 0xFF) != 0xDA)
        return 0;
    const quint32 swapped =
            (identifier & 0xFFFF0000u) | ((identifier & 0xFF) << 8) | ((identifier >> 8) & 0xFF);
    return idKeyOf(swapped, true);
}

bool looksLikeFirstFrame(const CanFrame &frame)
{
    return frame.length >= 8 && (frame.data[0] >> 4) == 1
            && (((frame.data[0] & 0x0F) << 8 | frame.data[1]) >= 8
                || ((frame.data[0] & 0x0F) == 0 && frame.data[1] == 0));
}

bool looksLikeFlowControl(const CanFrame &frame)
{
    return frame.length >= 3 && frame.data[0] >= 0x30 && frame.data[0] <= 0x32;
}

} // namespace

std::vector<IsoTpIdRange> defaultIsoTpIds()
{
    return { { 0x7DF, 0x7DF, false, IsoTpAddressing::Normal },
             { 0x7E0, 0x7EF, false, IsoTpAddressing::Normal },
             { 0x18DA0000, 0x18DBFFFF, true, IsoTpAddressing::NormalFixed } };
}

std::optional<IsoTpIdRange> parseIsoTpIdRange(const QString &text)
{
    static const QRegularExpression pattern(
            QStringLiteral("^\\s*([0-9A-Fa-f]{1,8})(?:\\s*-\\s*([0-9A-Fa-f]{1,8}))?(?::(normal|"
                           "fixed|ext))?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    IsoTpIdRange range;
    const QString firstText = match.captured(1);
    const QString lastText = match.hasCaptured(2) ? match.captured(2) : firstText;
    range.first = firstText.toUInt(nullptr, 16);
    range.last = lastText.toUInt(nullptr, 16);
    range.extended = range.last > 0x7FF || firstText.size() == 8 || lastText.size() == 8;
    if (range.first > range.last || range.last > 0x1FFFFFFF)
        return std::nullopt;
    const QString addressing = match.captured(3);
    if (addressing == QLatin1String("ext"))
        range.addressing = IsoTpAddressing::Extended;
    else if (addressing == QLatin1String("fixed"))
        range.addressing = IsoTpAddressing::NormalFixed;
    if (range.addressing == IsoTpAddressing::NormalFixed && !range.extended)
        return std::nullopt;
    return range;
}

QString isoTpIdRangeText(const IsoTpIdRange &range)
{
    const int digits = range.extended ? 8 : 3;
    QString text =
            QString::number(range.first, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
    if (range.last != range.first)
        text += QLatin1Char('-')
                + QString::number(range.last, 16)
                          .toUpper()
                          .rightJustified(digits, QLatin1Char('0'));
    if (range.addressing == IsoTpAddressing::Extended)
        text += QLatin1String(":ext");
    else if (range.addressing == IsoTpAddressing::NormalFixed)
        text += QLatin1String(":fixed");
    return text;
}

IsoTpReassembler::IsoTpReassembler(std::vector<IsoTpIdRange> ids, qint64 timeoutUs)
    : ids(std::move(ids)), timeoutUs(timeoutUs)
{
}

const IsoTpReassembler::IdInfo &IsoTpReassembler::info(quint64 idKey, quint32 identifier,
                                                       bool extended)
{
    const auto found = idInfo.find(idKey);
    if (found != idInfo.end())
        return found->second;
    IdInfo id;
    for (const IsoTpIdRange &range : ids) {
        if (range.contains(identifier, extended)) {
            id.isoTp = true;
            id.addressing = range.addressing;
            break;
        }
    }
    return idInfo.emplace(idKey, id).first->second;
}

bool IsoTpReassembler::feed(const CaptureRecord &record, qint64 index,
                            std::vector<DiagMessage> &out)
{
    const CanFrame &frame = record.frame;
    if (frame.error || frame.remote)
        return false;
    if (record.timestampUs >= nextExpiryUs && !transfers.empty()) {
        expire(record.timestampUs, out);
        nextExpiryUs = record.timestampUs + timeoutUs / 4;
    }
    const quint64 idKey = idKeyOf(frame.identifier, frame.extended);
    const IdInfo &id = info(idKey, frame.identifier, frame.extended);
    if (id.isoTp) {
        take(record, index, id, out);
        return true;
    }
    return learnPair(record, index, idKey, out);
}

// An identifier outside the ranges carries ISO-TP once a flow control answers
// a first frame sent on it: both become ISO-TP identifiers, paired.
bool IsoTpReassembler::learnPair(const CaptureRecord &record, qint64 index, quint64 idKey,
                                 std::vector<DiagMessage> &out)
{
    const CanFrame &frame = record.frame;
    if (looksLikeFirstFrame(frame)) {
        candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                        [&](const Candidate &c) {
                                            return idKeyOf(c.record.frame.identifier,
                                                           c.record.frame.extended)
                                                    == idKey;
                                        }),
                         candidates.end());
        if (int(candidates.size()) >= MaxCandidates)
            candidates.erase(candidates.begin());
        candidates.push_back({ record, index });
        return false;
    }
    if (!looksLikeFlowControl(frame) || candidates.empty())
        return false;
    const Candidate &first = candidates.back();
    const quint64 firstKey = idKeyOf(first.record.frame.identifier, first.record.frame.extended);
    if (firstKey == idKey || record.timestampUs - first.record.timestampUs > timeoutUs)
        return false;
    IdInfo learned;
    learned.isoTp = true;
    learned.learnedPartner = idKey;
    idInfo[firstKey] = learned;
    learned.learnedPartner = firstKey;
    idInfo[idKey] = learned;
    const Candidate taken = first;
    candidates.pop_back();
    take(taken.record, taken.index, idInfo[firstKey], out);
    take(record, index, idInfo[idKey], out);
    return true;
}

DiagMessage IsoTpReassembler::newMessage(const CaptureRecord &record, qint64 index,
                                         int addressExtension) const
{
    DiagMessage message;
    message.protocol = DiagMessage::Protocol::IsoTp;
    message.firstTimestampUs = message.timestampUs = record.timestampUs;
    message.identifier = record.frame.identifier;
    message.extended = record.frame.extended;
    message.fd = record.frame.fd;
    message.addressExtension = addressExtension;
    if (record.frame.extended && isNormalFixed(record.frame.identifier)) {
        message.priority = quint8((record.frame.identifier >> 26) & 7);
        message.pgn = (record.frame.identifier >> 8) & 0x3FF00;
        message.destination = quint8(record.frame.identifier >> 8);
        message.source = quint8(record.frame.identifier);
    }
    message.frames.push_back(index);
    return message;
}

void IsoTpReassembler::end(quint64 key, DiagMessage::Problem problem, std::vector<DiagMessage> &out)
{
    const auto found = transfers.find(key);
    if (found == transfers.end())
        return;
    found->second.message.problem = problem;
    out.push_back(std::move(found->second.message));
    transfers.erase(found);
}

void IsoTpReassembler::take(const CaptureRecord &record, qint64 index, const IdInfo &id,
                            std::vector<DiagMessage> &out)
{
    const CanFrame &frame = record.frame;
    const int offset = id.addressing == IsoTpAddressing::Extended ? 1 : 0;
    if (frame.length <= offset)
        return;
    const int addressExtension = offset ? frame.data[0] : -1;
    const quint64 idKey = idKeyOf(frame.identifier, frame.extended);
    const quint64 key = transferKey(idKey, addressExtension);
    const quint8 pci = frame.data[offset];
    const auto bytesFrom = [&](int at, quint32 count) {
        return QByteArray(reinterpret_cast<const char *>(frame.data.data()) + at, int(count));
    };

    switch (pci >> 4) {
    case 0: { // single frame; CAN FD: 00 and the length in the next byte
        end(key, DiagMessage::Problem::Interrupted, out);
        DiagMessage message = newMessage(record, index, addressExtension);
        int length = pci & 0x0F;
        int at = offset + 1;
        if (length == 0 && frame.length > CanFrame::ClassicMaxLength) {
            length = frame.data[offset + 1];
            at = offset + 2;
        }
        const int present = std::max(0, frame.length - at);
        message.declaredLength = quint32(length);
        message.payload = bytesFrom(at, quint32(std::min(length, present)));
        if (length == 0 || length > present)
            message.problem = DiagMessage::Problem::BadLength;
        out.push_back(std::move(message));
        return;
    }
    case 1: { // first frame; 10 00 and a 32-bit length beyond 4095 bytes
        end(key, DiagMessage::Problem::Interrupted, out);
        Transfer transfer;
        transfer.message = newMessage(record, index, addressExtension);
        if (frame.length < offset + 2) {
            transfer.message.problem = DiagMessage::Problem::BadLength;
            out.push_back(std::move(transfer.message));
            return;
        }
        quint32 length = quint32(pci & 0x0F) << 8 | frame.data[offset + 1];
        int at = offset + 2;
        if (length == 0 && frame.length >= offset + 6) {
            length = quint32(frame.data[offset + 2]) << 24 | quint32(frame.data[offset + 3]) << 16
                    | quint32(frame.data[offset + 4]) << 8 | frame.data[offset + 5];
            at = offset + 6;
        }
        const quint32 present = quint32(std::max(0, frame.length - at));
        transfer.message.declaredLength = length;
        transfer.message.payload = bytesFrom(at, std::min(length, present));
        // A first frame fills its frame, and what it announces does not fit in it.
        if (length <= present || frame.length < CanFrame::ClassicMaxLength) {
            transfer.message.problem = DiagMessage::Problem::BadLength;
            out.push_back(std::move(transfer.message));
            return;
        }
        transfer.message.payload.reserve(int(std::min<quint32>(length, 1u << 20)));
        transfer.received = present;
        transfer.consecutiveCapacity = frame.length - offset - 1;
        transfer.lastUs = record.timestampUs;
        transfers[key] = std::move(transfer);
        return;
    }
    case 2: { // consecutive frame
        const int present = std::max(0, frame.length - offset - 1);
        const auto found = transfers.find(key);
        if (found == transfers.end()) {
            DiagMessage message = newMessage(record, index, addressExtension);
            message.payload = bytesFrom(offset + 1, quint32(present));
            message.problem = DiagMessage::Problem::Unexpected;
            out.push_back(std::move(message));
            return;
        }
        Transfer &transfer = found->second;
        transfer.message.frames.push_back(index);
        transfer.message.timestampUs = transfer.lastUs = record.timestampUs;
        if ((pci & 0x0F) != transfer.nextSequence) {
            end(key, DiagMessage::Problem::OutOfSequence, out);
            return;
        }
        const quint32 needed = transfer.message.declaredLength - transfer.received;
        const quint32 taken = std::min(quint32(present), needed);
        transfer.message.payload.append(bytesFrom(offset + 1, taken));
        transfer.received += taken;
        if (transfer.received == transfer.message.declaredLength) {
            end(key, DiagMessage::Problem::None, out);
            return;
        }
        // Only the last consecutive frame may be shorter than the first frame's.
        if (present < transfer.consecutiveCapacity) {
            end(key, DiagMessage::Problem::BadLength, out);
            return;
        }
        transfer.nextSequence = (transfer.nextSequence + 1) & 0x0F;
        if (transfer.framesBeforeFlowControl > 0 && --transfer.framesBeforeFlowControl == 0)
            transfer.awaitingFlowControl = true;
        return;
    }
    case 3:
        flowControl(record, index, idKey, offset, out);
        return;
    default:
        return;
    }
}

// A flow control answers the transfer going the other way: the one from the
// usual or learned partner, else the latest that waits for one.
void IsoTpReassembler::flowControl(const CaptureRecord &record, qint64 index, quint64 idKey,
                                   int offset, std::vector<DiagMessage> &out)
{
    const CanFrame &frame = record.frame;
    quint64 partner = idInfo[idKey].learnedPartner;
    if (!partner)
        partner = usualPartner(frame.identifier, frame.extended);
    auto target = transfers.end();
    for (auto it = transfers.begin(); it != transfers.end(); ++it) {
        if (!it->second.awaitingFlowControl)
            continue;
        const quint64 senderKey = it->first & ((quint64(1) << 40) - 1);
        if (partner && senderKey == partner) {
            target = it;
            break;
        }
        if (senderKey != idKey
            && (target == transfers.end() || it->second.lastUs > target->second.lastUs))
            target = it;
    }
    if (target == transfers.end())
        return;
    Transfer &transfer = target->second;
    transfer.message.frames.push_back(index);
    transfer.lastUs = record.timestampUs;
    switch (frame.data[offset] & 0x0F) {
    case 0: // clear to send: a block of this many frames (0: all) before the next
        transfer.awaitingFlowControl = false;
        transfer.framesBeforeFlowControl =
                frame.length > offset + 1 && frame.data[offset + 1] ? frame.data[offset + 1] : -1;
        break;
    case 1: // wait
        ++transfer.message.flowControlWaits;
        break;
    case 2:
        end(target->first, DiagMessage::Problem::Overflow, out);
        break;
    default:
        break;
    }
}

void IsoTpReassembler::expire(qint64 nowUs, std::vector<DiagMessage> &out)
{
    std::vector<quint64> overdue;
    for (const auto &[key, transfer] : transfers)
        if (nowUs - transfer.lastUs > timeoutUs)
            overdue.push_back(key);
    // Ended in the order they began, whatever the hash's order.
    std::sort(overdue.begin(), overdue.end(), [&](quint64 a, quint64 b) {
        return transfers[a].message.firstTimestampUs < transfers[b].message.firstTimestampUs;
    });
    for (const quint64 key : overdue)
        end(key, DiagMessage::Problem::TimedOut, out);
}

void IsoTpReassembler::finish(std::vector<DiagMessage> &out)
{
    expire(std::numeric_limits<qint64>::max(), out);
}
