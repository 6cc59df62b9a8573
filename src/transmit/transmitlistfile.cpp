#include "transmitlistfile.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QLatin1String FormatName("talvik-transmit-list");
constexpr int FormatVersion = 1;

QString triggerName(TransmitRow::Trigger trigger)
{
    switch (trigger) {
    case TransmitRow::Trigger::OnDemand:
        return QStringLiteral("on-demand");
    case TransmitRow::Trigger::OnReceive:
        return QStringLiteral("on-receive");
    case TransmitRow::Trigger::Cyclic:
        break;
    }
    return QStringLiteral("cyclic");
}

QString hexId(quint32 identifier)
{
    return QStringLiteral("0x%1").arg(identifier, 0, 16).toUpper().replace(QLatin1String("0X"),
                                                                           QLatin1String("0x"));
}

quint32 readId(const QJsonValue &value, bool *ok)
{
    const QString text = value.toString();
    const quint64 id = text.startsWith(QLatin1String("0x")) ? text.mid(2).toULongLong(ok, 16)
                                                            : text.toULongLong(ok, 10);
    if (*ok && id > 0x1FFFFFFF)
        *ok = false;
    return quint32(id);
}

} // namespace

QByteArray transmitListText(const std::vector<TransmitRow> &rows)
{
    QJsonArray array;
    for (const TransmitRow &row : rows) {
        QJsonObject object;
        object[QLatin1String("enabled")] = row.enabled;
        if (!row.messageName.isEmpty())
            object[QLatin1String("message")] = row.messageName;
        object[QLatin1String("id")] = hexId(row.frame.identifier);
        object[QLatin1String("extended")] = row.frame.extended;
        object[QLatin1String("fd")] = row.frame.fd;
        if (row.frame.bitRateSwitch)
            object[QLatin1String("brs")] = true;
        object[QLatin1String("data")] = QString::fromLatin1(
                QByteArray(reinterpret_cast<const char *>(row.frame.data.data()), row.frame.length)
                        .toHex(' ')
                        .toUpper());
        object[QLatin1String("period")] = row.periodMs;
        object[QLatin1String("trigger")] = triggerName(row.trigger);
        if (row.trigger == TransmitRow::Trigger::OnReceive) {
            object[QLatin1String("triggerId")] = hexId(row.triggerId);
            object[QLatin1String("triggerExtended")] = row.triggerExtended;
            object[QLatin1String("delay")] = row.delayMs;
        }
        if (!row.key.isEmpty())
            object[QLatin1String("key")] = row.key;
        if (!row.counterSignal.isEmpty())
            object[QLatin1String("counter")] = row.counterSignal;
        if (!row.checksumSignal.isEmpty()) {
            object[QLatin1String("checksum")] = row.checksumSignal;
            object[QLatin1String("algorithm")] = checksumAlgorithmText(row.checksum);
        }
        array.append(object);
    }
    QJsonObject document;
    document[QLatin1String("format")] = FormatName;
    document[QLatin1String("version")] = FormatVersion;
    document[QLatin1String("rows")] = array;
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

TransmitListRead readTransmitList(const QByteArray &content, const DbcDatabase &database)
{
    TransmitListRead read;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(content, &parseError);
    const QJsonObject top = document.object();
    if (document.isNull() || top.value(QLatin1String("format")).toString() != FormatName) {
        read.error = QCoreApplication::translate("TransmitList", "不是发送列表文件");
        return read;
    }
    const QJsonArray array = top.value(QLatin1String("rows")).toArray();
    int number = 0;
    for (const QJsonValue &value : array) {
        ++number;
        const QJsonObject object = value.toObject();
        TransmitRow row;
        bool ok = false;
        row.frame.identifier = readId(object.value(QLatin1String("id")), &ok);
        row.frame.extended = object.value(QLatin1String("extended")).toBool();
        if (!ok || (!row.frame.extended && row.frame.identifier > 0x7FF)) {
            read.warnings.append(QCoreApplication::translate("TransmitList", "第%1行：标识符无效，已略过").arg(number));
            continue;
        }
        row.frame.fd = object.value(QLatin1String("fd")).toBool();
        row.frame.bitRateSwitch = row.frame.fd && object.value(QLatin1String("brs")).toBool();
        const QByteArray data = QByteArray::fromHex(
                object.value(QLatin1String("data")).toString().toLatin1());
        const int count = std::min<int>(int(data.size()), row.frame.maxLength());
        std::copy(data.begin(), data.begin() + count, row.frame.data.begin());
        row.frame.length = quint8(row.frame.fd ? fdLengthFor(count) : count);
        row.enabled = object.value(QLatin1String("enabled")).toBool(true);
        row.periodMs = std::clamp(object.value(QLatin1String("period")).toInt(), 0, 3'600'000);
        const QString trigger = object.value(QLatin1String("trigger")).toString();
        row.trigger = trigger == u"on-demand"    ? TransmitRow::Trigger::OnDemand
                : trigger == u"on-receive" ? TransmitRow::Trigger::OnReceive
                                           : TransmitRow::Trigger::Cyclic;
        if (row.trigger == TransmitRow::Trigger::OnReceive) {
            row.triggerId = readId(object.value(QLatin1String("triggerId")), &ok);
            row.triggerExtended = object.value(QLatin1String("triggerExtended")).toBool();
            row.delayMs = std::clamp(object.value(QLatin1String("delay")).toInt(), 0, 3'600'000);
        }
        row.key = object.value(QLatin1String("key")).toString().left(1);
        // A row keeps its message's name, counter and checksum even while the
        // database lacks the message: a database loaded later finds them.
        row.messageName = object.value(QLatin1String("message")).toString();
        const QString &name = row.messageName;
        row.counterSignal = object.value(QLatin1String("counter")).toString();
        row.checksumSignal = object.value(QLatin1String("checksum")).toString();
        if (!row.checksumSignal.isEmpty()) {
            const auto algorithm = parseChecksumAlgorithm(object.value(QLatin1String("algorithm")).toString());
            if (algorithm) {
                row.checksum = *algorithm;
            } else {
                read.warnings.append(QCoreApplication::translate("TransmitList", "%1：校验和 %2 已取消")
                                             .arg(name, row.checksumSignal));
                row.checksumSignal.clear();
            }
        }
        const DbcMessage *message = name.isEmpty()
                ? nullptr
                : database.find(row.frame.identifier, row.frame.extended);
        if (message && (message->name != name || frameLengthFor(*message) != row.frame.length))
            message = nullptr;
        if (!name.isEmpty() && !message) {
            read.warnings.append(
                    QCoreApplication::translate("TransmitList", "%1 (%2) 与数据库不符：按原始字节发送")
                            .arg(name, hexId(row.frame.identifier)));
        } else if (message) {
            row.signalBits = signalBitsFromFrame(database, *message, row.frame);
            for (QString *signal : { &row.counterSignal, &row.checksumSignal }) {
                if (!signal->isEmpty() && signalIndex(*message, *signal) < 0) {
                    read.warnings.append(
                            QCoreApplication::translate("TransmitList", "%1：没有信号 %2")
                                    .arg(name, *signal));
                    signal->clear();
                }
            }
        }
        read.rows.push_back(row);
    }
    return read;
}
