#ifndef CANTOOLOPTIONS_H
#define CANTOOLOPTIONS_H

#include "canframe.h"
#include "commands.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What talvik-can was asked to do, read from its arguments.
enum class CanToolCommand { None, Dump, Send, Play, Bridge, Simulate };

struct CanToolOptions
{
    CanToolCommand command = CanToolCommand::None;
    bool help = false;
    bool version = false;
    QString port;

    // How the converter is set up and started; configure false leaves it as it is.
    bool configure = true;
    CanSetup setup = defaultSetup();
    int baudRate = 2000000;

    // dump
    bool logOnStdout = false; // -L
    bool logFile = false; // -l
    QString logFileName; // empty: named as candump names it
    qint64 count = 0; // 0: no limit
    double seconds = 0; // 0: no limit

    // send
    QList<CanFrame> frames;

    // play
    QString file;
    double speed = 1.0;
    bool loop = false;
    bool onlyReceived = false;

    // bridge
    QString link;

    // simulate: what to send, resolved against the database when it is read
    QString dbcFile;
    QStringList nodes;
    QStringList messages;
    QStringList sets; // MESSAGE.SIGNAL=VALUE
    QStringList counters; // MESSAGE.SIGNAL
    QStringList checksums; // MESSAGE[.SIGNAL]=ALGORITHM
    QString listFile;

    QString error; // a usage error: the program exits with 2

    // The window's defaults: 250K, normal mode, fixed framing, standard frames.
    static CanSetup defaultSetup()
    {
        CanSetup setup;
        setup.presetIndex = 4;
        return setup;
    }
};

// The arguments after the program's name.
CanToolOptions parseCanToolArguments(const QStringList &arguments);

// The preset a bit rate names ("500k", "1M", "125000"), of the converter's
// twelve; nothing for any other rate.
std::optional<int> presetIndexForRate(const QString &text);
// The preset's rate in bit/s.
int presetRate(int presetIndex);

// --help's text for a command (None: the program's overview).
QString canToolUsage(CanToolCommand command);

#endif // CANTOOLOPTIONS_H
