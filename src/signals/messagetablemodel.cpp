#include "messagetablemodel.h"

#include "dbc.h"
#include "messagestatistics.h"

#include <QBrush>
#include <QColor>

MessageTableModel::MessageTableModel(const MessageStatistics *statistics, QObject *parent)
    : QAbstractTableModel(parent), statistics(statistics)
{
}

void MessageTableModel::setDatabase(const DbcDatabase *newDatabase)
{
    database = newDatabase;
    if (rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, ColumnCount - 1));
}

void MessageTableModel::refresh()
{
    if (statistics->size() > rows) {
        beginInsertRows(QModelIndex(), rows, statistics->size() - 1);
        rows = statistics->size();
        endInsertRows();
    }
    if (rows > 0)
        emit dataChanged(index(0, Count), index(rows - 1, Data));
}

void MessageTableModel::reset()
{
    beginResetModel();
    rows = statistics->size();
    endResetModel();
}

int MessageTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows;
}

int MessageTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

void MessageTableModel::setIntegrityChecks(const QHash<quint64, IntegrityCheck> *newChecks)
{
    checks = newChecks;
    if (rows > 0)
        emit dataChanged(index(0, Integrity), index(rows - 1, Integrity));
}

void MessageTableModel::setChangedBits(const QHash<quint64, int> *counts, bool nowComparing)
{
    changedBits = counts;
    if (comparing != nowComparing) {
        comparing = nowComparing;
        emit headerDataChanged(Qt::Horizontal, ChangedBits, ChangedBits);
    }
    if (rows > 0)
        emit dataChanged(index(0, ChangedBits), index(rows - 1, ChangedBits));
}

QString MessageTableModel::integrityText(const IntegrityCheck &check) const
{
    QStringList parts;
    if (check.checksCounter())
        parts.append(tr("计数器错 %1").arg(check.counterErrors));
    if (check.checksChecksum())
        parts.append(tr("校验和错 %1").arg(check.checksumErrors));
    return parts.join(QLatin1String(", "));
}

QVariant MessageTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows)
        return QVariant();
    const MessageStatistics::Entry &entry = statistics->at(index.row());
    const DbcMessage *message =
            database ? database->find(entry.identifier, entry.extended) : nullptr;
    const IntegrityCheck *check = nullptr;
    if (checks && index.column() == Integrity) {
        const auto it = checks->constFind(MessageStatistics::key(entry.identifier, entry.extended));
        check = it == checks->constEnd() ? nullptr : &*it;
    }
    const int changed = changedBits && index.column() == ChangedBits
            ? changedBits->value(MessageStatistics::key(entry.identifier, entry.extended), -1)
            : -1;
    // A frame shorter or longer than its message's definition.
    const bool lengthDiffers = message && entry.length != message->length;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Identifier:
            return messageIdText(entry.identifier, entry.extended);
        case Name:
            return message ? message->name : QString();
        case Count:
            return QString::number(entry.count);
        case Period: {
            const double period = statistics->averagePeriodMs(index.row());
            QString text = period < 0 ? QStringLiteral("-") : QString::number(period, 'f', 1);
            if (message && message->cycleTimeMs > 0)
                text += QStringLiteral(" (%1)").arg(message->cycleTimeMs);
            return text;
        }
        case Length:
            return QString::number(entry.length);
        case Integrity:
            return check ? integrityText(*check) : QString();
        case ChangedBits:
            return changed < 0 ? QString() : QString::number(changed);
        case Data: {
            QString text;
            for (int i = 0; i < entry.length; ++i)
                text += QStringLiteral("%1 ").arg(entry.data[size_t(i)], 2, 16, QLatin1Char('0'));
            return text.trimmed();
        }
        }
        break;
    case SortRole:
        switch (index.column()) {
        case Identifier:
            return MessageStatistics::key(entry.identifier, entry.extended);
        case Name:
            return message ? message->name : QString();
        case Count:
            return entry.count;
        case Period:
            return statistics->averagePeriodMs(index.row());
        case Length:
            return entry.length;
        case Integrity:
            return check ? double(check->counterErrors + check->checksumErrors) : -1.0;
        case ChangedBits:
            return changed;
        case Data:
            return index.row();
        }
        break;
    case ChangedBytesRole:
        return statistics->changedBytes(index.row());
    case Qt::BackgroundRole:
        if (index.column() == Length && lengthDiffers)
            return QBrush(QColor(255, 200, 120));
        if (check && check->counterErrors + check->checksumErrors > 0)
            return QBrush(QColor(255, 170, 150));
        if (check)
            return QBrush(QColor(190, 235, 190));
        break;
    case Qt::ToolTipRole:
        if (index.column() == Length && lengthDiffers)
            return tr("报文定义的长度为 %1").arg(message->length);
        if (index.column() == Name && message)
            return message->comment;
        if (index.column() == Period && message && message->cycleTimeMs > 0)
            return tr("括号内为报文定义的周期 (ms)");
        if (index.column() == ChangedBits)
            return comparing ? tr("在 A 和 B 之间表现不同的位数") : tr("在所选时间段内翻转过的位数");
        if (check)
            return tr("收到的帧中计数器未加一的帧数和校验和错误的帧数");
        break;
    case Qt::TextAlignmentRole:
        if (index.column() == Count || index.column() == Period || index.column() == Length
            || index.column() == ChangedBits)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        break;
    }
    return QVariant();
}

QVariant MessageTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Identifier:
        return tr("标识符");
    case Name:
        return tr("报文");
    case Count:
        return tr("计数");
    case Period:
        return tr("周期 (ms)");
    case Length:
        return tr("长度");
    case Integrity:
        return tr("计数器/校验和");
    case ChangedBits:
        return comparing ? tr("A/B 不同位") : tr("变化位");
    case Data:
        return tr("数据");
    }
    return QVariant();
}
