#include "simulation.h"

namespace {

const DbcMessage *messageNamed(const DbcDatabase &database, const QString &name)
{
    for (const DbcMessage &message : database.messages) {
        if (message.name == name)
            return &message;
    }
    return nullptr;
}

// The row sending `name`, or null.
TransmitRow *rowNamed(std::vector<TransmitRow> &rows, const QString &name)
{
    for (TransmitRow &row : rows) {
        if (row.messageName == name)
            return &row;
    }
    return nullptr;
}

} // namespace

SimulationPlan planSimulation(const DbcDatabase &database, const SimulationRequest &request,
                              std::vector<TransmitRow> listRows)
{
    SimulationPlan plan;
    plan.rows = std::move(listRows);
    const auto add = [&](const DbcMessage &message) {
        if (!rowNamed(plan.rows, message.name))
            plan.rows.push_back(rowForMessage(database, message));
    };
    for (const QString &node : request.nodes) {
        bool any = false;
        for (const DbcMessage &message : database.messages) {
            if (message.sender == node) {
                add(message);
                any = true;
            }
        }
        if (!any) {
            plan.error = QStringLiteral("no node %1 sends a message in the database").arg(node);
            return plan;
        }
    }
    for (const QString &name : request.messages) {
        const DbcMessage *message = messageNamed(database, name);
        if (!message) {
            plan.error = QStringLiteral("no message %1 in the database").arg(name);
            return plan;
        }
        add(*message);
    }

    // MESSAGE.SIGNAL as the row, its message and the signal's index.
    struct Target
    {
        TransmitRow *row = nullptr;
        const DbcMessage *message = nullptr;
        int signal = -1;
    };
    const auto target = [&](const QString &path, bool needsSignal) -> Target {
        const int dot = int(path.indexOf(QLatin1Char('.')));
        const QString messageName = dot < 0 ? path : path.left(dot);
        const QString signalName = dot < 0 ? QString() : path.mid(dot + 1);
        Target t;
        t.message = messageNamed(database, messageName);
        if (!t.message) {
            plan.error = QStringLiteral("no message %1 in the database").arg(messageName);
            return t;
        }
        t.row = rowNamed(plan.rows, messageName);
        if (!t.row) {
            plan.error = QStringLiteral("%1 is not sent: add it with --message or --node")
                                 .arg(messageName);
            return t;
        }
        if (needsSignal || !signalName.isEmpty()) {
            t.signal = signalIndex(*t.message, signalName);
            if (t.signal < 0)
                plan.error = QStringLiteral("no signal %1 in %2").arg(signalName, messageName);
        }
        return t;
    };

    for (const QString &set : request.sets) {
        const int equals = int(set.indexOf(QLatin1Char('=')));
        const Target t = target(set.left(equals), true);
        if (!plan.error.isEmpty())
            return plan;
        QString why;
        const auto bits =
                bitsForText(t.message->signalList[size_t(t.signal)], set.mid(equals + 1), &why);
        if (!bits) {
            plan.error = QStringLiteral("%1: %2").arg(set, why);
            return plan;
        }
        t.row->signalBits[size_t(t.signal)] = *bits;
    }
    for (const QString &counter : request.counters) {
        const Target t = target(counter, true);
        if (!plan.error.isEmpty())
            return plan;
        t.row->counterSignal = t.message->signalList[size_t(t.signal)].name;
    }
    for (const QString &checksum : request.checksums) {
        const int equals = int(checksum.indexOf(QLatin1Char('=')));
        const Target t = target(checksum.left(equals), false);
        if (!plan.error.isEmpty())
            return plan;
        QString error;
        const auto algorithm = parseChecksumAlgorithm(checksum.mid(equals + 1), &error);
        if (!algorithm) {
            plan.error = error;
            return plan;
        }
        const QString signal = t.signal >= 0 ? t.message->signalList[size_t(t.signal)].name
                                             : proposedChecksum(*t.message);
        if (signal.isEmpty()) {
            plan.error = QStringLiteral("%1 has no signal named as a checksum: give "
                                        "MESSAGE.SIGNAL=ALGORITHM")
                                 .arg(t.message->name);
            return plan;
        }
        t.row->checksumSignal = signal;
        t.row->checksum = *algorithm;
    }
    for (TransmitRow &row : plan.rows) {
        const DbcMessage *message = row.messageName.isEmpty()
                ? nullptr
                : database.find(row.frame.identifier, row.frame.extended);
        if (message && message->name == row.messageName)
            row.frame = buildFrame(row, message);
    }
    return plan;
}

QString simulationSummaryLine(const TransmitRow &row)
{
    const QString id = QString::number(row.frame.identifier, 16)
                               .toUpper()
                               .rightJustified(row.frame.extended ? 8 : 3, u'0');
    return QStringLiteral("%1 %2: sent %3, late %4, skipped %5")
            .arg(row.messageName.isEmpty() ? QStringLiteral("-") : row.messageName, id)
            .arg(row.sent)
            .arg(row.late)
            .arg(row.skipped);
}
