#include "diagmessagemodel.h"

#include "diagmeaning.h"
#include "j1939signals.h"

#include <QDateTime>

namespace {

constexpr size_t MaxOpenRequests = 64;

QString hexId(quint32 identifier, bool extended)
{
    return QString::number(identifier, 16)
            .toUpper()
            .rightJustified(extended ? 8 : 3, QLatin1Char('0'));
}

QString hexByte(int value)
{
    return QString::number(value, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

} // namespace

DiagMessageModel::DiagMessageModel(QObject *parent) : QAbstractTableModel(parent) { }

void DiagMessageModel::append(std::vector<DiagMessage> &messages)
{
    if (messages.empty())
        return;
    const int overflow = int(rows.size() + messages.size()) - MaxRows;
    if (overflow > 0) {
        const int drop = std::min(overflow, int(rows.size()));
        beginRemoveRows(QModelIndex(), 0, drop - 1);
        rows.erase(rows.begin(), rows.begin() + drop);
        removed += drop;
        endRemoveRows();
    }
    const int first = int(rows.size());
    beginInsertRows(QModelIndex(), first, first + int(messages.size()) - 1);
    for (DiagMessage &message : messages) {
        Row row;
        row.message = std::move(message);
        row.meaning = j1939SignalsText(database, row.message);
        if (row.meaning.isEmpty())
            row.meaning = diagMessageMeaning(row.message);
        if (row.message.protocol == DiagMessage::Protocol::IsoTp && row.message.complete()) {
            row.request = isDiagRequest(row.message.payload);
            if (!row.request)
                pair(row);
        }
        rows.push_back(std::move(row));
        if (rows.back().request) {
            if (openRequests.size() == MaxOpenRequests)
                openRequests.erase(openRequests.begin());
            openRequests.push_back(removed + qint64(rows.size()) - 1);
        }
    }
    endInsertRows();
    messages.clear();
}

// The latest open request this answers; a final answer closes it.
void DiagMessageModel::pair(Row &answer)
{
    for (auto it = openRequests.rbegin(); it != openRequests.rend(); ++it) {
        const qint64 at = *it - removed;
        if (at < 0)
            break;
        const Row &request = rows[size_t(at)];
        if (!answersRequest(request.message.payload, answer.message.payload))
            continue;
        answer.answerUs = answer.message.firstTimestampUs - request.message.timestampUs;
        if (!isResponsePending(answer.message.payload))
            openRequests.erase(std::next(it).base());
        return;
    }
}

void DiagMessageModel::clear()
{
    beginResetModel();
    rows.clear();
    openRequests.clear();
    removed = 0;
    endResetModel();
}

int DiagMessageModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows.size());
}

int DiagMessageModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DiagMessageModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return QVariant();
    const Row &row = rows[size_t(index.row())];
    const DiagMessage &m = row.message;
    const bool j1939 = m.protocol == DiagMessage::Protocol::J1939;
    switch (index.column()) {
    case Time:
        return QDateTime::fromMSecsSinceEpoch(m.timestampUs / 1000)
                .toString(QStringLiteral("HH:mm:ss.zzz"));
    case Protocol:
        return j1939 ? QStringLiteral("J1939") : QStringLiteral("ISO-TP");
    case Identifier:
        return hexId(m.identifier, m.extended);
    case Addresses:
        if (j1939 || m.pgn)
            return QStringLiteral("%1 → %2").arg(hexByte(m.source), hexByte(m.destination));
        return m.addressExtension >= 0 ? hexByte(m.addressExtension) : QString();
    case Direction:
        if (j1939 || m.payload.isEmpty())
            return j1939 ? QStringLiteral("PGN %1").arg(QString::number(m.pgn, 16).toUpper())
                         : QString();
        return row.request ? tr("请求") : tr("响应");
    case Length:
        return m.payload.size();
    case Data:
        return QString::fromLatin1(m.payload.left(64).toHex(' ').toUpper())
                + (m.payload.size() > 64 ? QStringLiteral(" …") : QString());
    case Meaning:
        return row.meaning;
    case AnswerTime:
        return row.answerUs >= 0 ? QString::number(row.answerUs / 1000.0, 'f', 1) : QString();
    default:
        return QVariant();
    }
}

QVariant DiagMessageModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case Time:
        return tr("时间");
    case Protocol:
        return tr("协议");
    case Identifier:
        return tr("标识符");
    case Addresses:
        return tr("地址");
    case Direction:
        return tr("方向 / PGN");
    case Length:
        return tr("长度");
    case Data:
        return tr("数据");
    case Meaning:
        return tr("含义");
    case AnswerTime:
        return tr("应答 (ms)");
    default:
        return QVariant();
    }
}
