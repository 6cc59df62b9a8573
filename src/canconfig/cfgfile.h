#ifndef CFGFILE_H
#define CFGFILE_H

#include <QString>
#include <QStringList>

#include <optional>

// cfg.txt: the CAN configuration as one line of 13 fields, each followed by ",".
struct StoredCanConfig
{
    QString portBaud; // texts of the widgets, restored by item text
    QString mode;
    QString frameType;
    QString preset;
    QString bs1;
    QString bs2;
    QString prescaler;
    QString rateText;
    QString filter;
    QString mask;
    bool manualTiming = false;
    bool sendOnce = false;
    bool fixedFraming = true;
};

constexpr int CanConfigFieldCount = 13;

// The work mode and the frame type are kept as the form's untranslated item
// texts, whatever language the window shows them in.
enum class CfgItems { Mode, FrameType };
QString storedItemText(CfgItems items, int index); // empty for an index out of range
int storedItemIndex(CfgItems items, const QString &text); // -1 for an unknown text

QString canConfigText(const StoredCanConfig &config);
// One line of the file, split as list lines are; nothing for fewer than 13 fields.
std::optional<StoredCanConfig> canConfigFromFields(const QStringList &fields);

#endif // CFGFILE_H
