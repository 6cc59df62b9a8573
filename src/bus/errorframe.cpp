#include "errorframe.h"

#include <QCoreApplication>
#include <QStringList>

namespace {
const char *const Context = "ErrorFrame";

QString translated(const char *text)
{
    return QCoreApplication::translate(Context, text);
}

// The controller's state changes that SocketCAN reports in the second data byte.
void addControllerTexts(const CanFrame &frame, QStringList &texts)
{
    const quint8 state = frame.length > 1 ? frame.data[1] : 0;
    const int before = int(texts.size());
    if (state & 0x30)
        texts.append(translated(QT_TRANSLATE_NOOP("ErrorFrame", "错误被动")));
    else if (state & 0x0C)
        texts.append(translated(QT_TRANSLATE_NOOP("ErrorFrame", "错误警告")));
    if (state & 0x01)
        texts.append(translated(QT_TRANSLATE_NOOP("ErrorFrame", "接收溢出")));
    if (state & 0x02)
        texts.append(translated(QT_TRANSLATE_NOOP("ErrorFrame", "发送溢出")));
    if (state & 0x40)
        texts.append(translated(QT_TRANSLATE_NOOP("ErrorFrame", "恢复主动错误")));
    if (texts.size() == before)
        texts.append(translated(QT_TRANSLATE_NOOP("ErrorFrame", "控制器错误")));
}
} // namespace

QString errorFrameText(const CanFrame &frame)
{
    struct ClassText
    {
        quint32 bit;
        const char *text;
    };
    static const ClassText classTexts[] = {
        { ErrorClass::BusOff, QT_TRANSLATE_NOOP("ErrorFrame", "总线关闭") },
        { ErrorClass::NoAck, QT_TRANSLATE_NOOP("ErrorFrame", "无应答") },
        { ErrorClass::LostArbitration, QT_TRANSLATE_NOOP("ErrorFrame", "仲裁失败") },
        { ErrorClass::Protocol, QT_TRANSLATE_NOOP("ErrorFrame", "协议错误") },
        { ErrorClass::Transceiver, QT_TRANSLATE_NOOP("ErrorFrame", "收发器错误") },
        { ErrorClass::TxTimeout, QT_TRANSLATE_NOOP("ErrorFrame", "发送超时") },
        { ErrorClass::BusError, QT_TRANSLATE_NOOP("ErrorFrame", "总线错误") },
        { ErrorClass::Restarted, QT_TRANSLATE_NOOP("ErrorFrame", "控制器已重启") },
    };
    QStringList texts;
    if (frame.identifier & ErrorClass::Controller)
        addControllerTexts(frame, texts);
    for (const ClassText &entry : classTexts) {
        if (frame.identifier & entry.bit)
            texts.append(translated(entry.text));
    }
    if (texts.isEmpty())
        return translated(QT_TRANSLATE_NOOP("ErrorFrame", "错误帧"));
    return texts.join(QLatin1String(", "));
}
