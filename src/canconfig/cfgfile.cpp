#include "cfgfile.h"

namespace {
const char *const ManualTrue = "Manual BPS TRUE";
const char *const ManualFalse = "Manual BPS FALSE";
const char *const SendOnce = "SendOnce";
const char *const SendAlways = "SendAlways";
const char *const Fixed = "Fixed";
const char *const Variable = "Variable";

// The item texts of comboBoxMode and cbBoxType in the form.
const char *const ModeItems[] = { "正常模式", "环回模式", "静默模式", "环回静默模式" };
const char *const FrameTypeItems[] = { "标准帧", "扩展帧" };

QStringList itemTexts(CfgItems items)
{
    QStringList texts;
    if (items == CfgItems::Mode) {
        for (const char *text : ModeItems)
            texts.append(QString::fromUtf8(text));
    } else {
        for (const char *text : FrameTypeItems)
            texts.append(QString::fromUtf8(text));
    }
    return texts;
}
} // namespace

QString storedItemText(CfgItems items, int index)
{
    return itemTexts(items).value(index);
}

int storedItemIndex(CfgItems items, const QString &text)
{
    return int(itemTexts(items).indexOf(text));
}

QString canConfigText(const StoredCanConfig &c)
{
    const QStringList fields{
        c.portBaud,
        c.mode,
        c.frameType,
        c.preset,
        c.bs1,
        c.bs2,
        c.prescaler,
        c.rateText,
        c.filter,
        c.mask,
        QLatin1String(c.manualTiming ? ManualTrue : ManualFalse),
        QLatin1String(c.sendOnce ? SendOnce : SendAlways),
        QLatin1String(c.fixedFraming ? Fixed : Variable),
    };
    QString text;
    for (const QString &field : fields)
        text += field + QLatin1Char(',');
    return text;
}

std::optional<StoredCanConfig> canConfigFromFields(const QStringList &f)
{
    if (f.size() < CanConfigFieldCount)
        return std::nullopt;
    StoredCanConfig c;
    c.portBaud = f.at(0);
    c.mode = f.at(1);
    c.frameType = f.at(2);
    c.preset = f.at(3);
    c.bs1 = f.at(4);
    c.bs2 = f.at(5);
    c.prescaler = f.at(6);
    c.rateText = f.at(7);
    c.filter = f.at(8);
    c.mask = f.at(9);
    c.manualTiming = f.at(10) == QLatin1String(ManualTrue);
    c.sendOnce = f.at(11) == QLatin1String(SendOnce);
    c.fixedFraming = f.at(12) == QLatin1String(Fixed);
    return c;
}
