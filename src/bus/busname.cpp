#include "busname.h"

#include <QCanBus>

std::optional<BusName> parseBusName(const QString &text, const QStringList &plugins)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0 || colon == text.size() - 1)
        return std::nullopt;
    const QString plugin = text.left(colon).trimmed();
    if (!plugins.contains(plugin))
        return std::nullopt;
    return BusName{ plugin, text.mid(colon + 1).trimmed() };
}

bool listsWithoutHardware(const QString &plugin)
{
    return plugin == QLatin1String("virtualcan") || plugin == QLatin1String("tinycan");
}

QStringList availableBusNames()
{
    QStringList names;
    for (const QString &plugin : QCanBus::instance()->plugins()) {
        if (listsWithoutHardware(plugin))
            continue;
        for (const QCanBusDeviceInfo &info : QCanBus::instance()->availableDevices(plugin))
            names.append(BusName{ plugin, info.name() }.text());
    }
    return names;
}

QString linkUpCommand(const QString &interfaceName, int bitRate, int dataBitRate)
{
    QString command =
            QStringLiteral("sudo ip link set %1 down; sudo ip link set %1 up type can bitrate %2")
                    .arg(interfaceName)
                    .arg(bitRate);
    if (dataBitRate > 0)
        command += QStringLiteral(" dbitrate %1 fd on").arg(dataBitRate);
    return command;
}
