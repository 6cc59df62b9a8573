#include "cantooloptions.h"

#include "bitrate.h"
#include "canutilstext.h"
#include "checksum.h"

#include <cmath>

namespace {

const QStringList Modes = { "normal", "loopback", "silent", "loopback-silent" };
const QList<int> BaudRates = { 2000000, 1228800, 115200, 38400, 19200, 9600 };

// Options that take a value: with it in the next argument or after '='.
bool takesValue(const QString &name)
{
    static const QStringList names = { "--bitrate", "--mode",    "--framing", "--baud",
                                       "--count",   "--seconds", "--speed",   "--slcan",
                                       "--dbc",     "--node",    "--message", "--set",
                                       "--counter", "--checksum", "--list" };
    return names.contains(name);
}

bool allowedFor(CanToolCommand command, const QString &name)
{
    static const QStringList common = { "--help", "-h",     "--bitrate", "--mode",
                                        "--framing", "--baud", "--no-config" };
    if (common.contains(name))
        return true;
    switch (command) {
    case CanToolCommand::Dump:
        return QStringList{ "-L", "-l", "--log", "--count", "--seconds" }.contains(name);
    case CanToolCommand::Play:
        return QStringList{ "--speed", "--loop", "--only-received" }.contains(name);
    case CanToolCommand::Bridge:
        return name == QLatin1String("--slcan");
    case CanToolCommand::Simulate:
        return QStringList{ "--dbc",     "--node",     "--message", "--set",
                            "--counter", "--checksum", "--list",    "--seconds" }
                .contains(name);
    default:
        return false;
    }
}

CanToolCommand commandNamed(const QString &name)
{
    if (name == QLatin1String("dump"))
        return CanToolCommand::Dump;
    if (name == QLatin1String("send"))
        return CanToolCommand::Send;
    if (name == QLatin1String("play"))
        return CanToolCommand::Play;
    if (name == QLatin1String("bridge"))
        return CanToolCommand::Bridge;
    if (name == QLatin1String("simulate"))
        return CanToolCommand::Simulate;
    return CanToolCommand::None;
}

QString applyValue(CanToolOptions &o, const QString &name, const QString &value)
{
    bool ok = false;
    if (name == QLatin1String("--bitrate")) {
        const std::optional<int> preset = presetIndexForRate(value);
        if (!preset)
            return QStringLiteral("no such bit rate: %1 (1M, 800k, 500k, 400k, 250k, 200k, "
                                  "125k, 100k, 50k, 20k, 10k or 5k)")
                    .arg(value);
        o.setup.presetIndex = *preset;
    } else if (name == QLatin1String("--mode")) {
        if (!Modes.contains(value))
            return QStringLiteral("no such mode: %1 (%2)").arg(value, Modes.join(", "));
        o.setup.modeIndex = int(Modes.indexOf(value));
    } else if (name == QLatin1String("--framing")) {
        if (value != QLatin1String("fixed") && value != QLatin1String("variable"))
            return QStringLiteral("no such framing: %1 (fixed or variable)").arg(value);
        o.setup.variableFraming = value == QLatin1String("variable");
    } else if (name == QLatin1String("--baud")) {
        const int baud = value.toInt(&ok);
        if (!ok || !BaudRates.contains(baud))
            return QStringLiteral("no such baud rate: %1 (2000000, 1228800, 115200, 38400, "
                                  "19200 or 9600)")
                    .arg(value);
        o.baudRate = baud;
    } else if (name == QLatin1String("--count")) {
        o.count = value.toLongLong(&ok);
        if (!ok || o.count < 1)
            return QStringLiteral("--count needs a number of frames, not %1").arg(value);
    } else if (name == QLatin1String("--seconds")) {
        o.seconds = value.toDouble(&ok);
        if (!ok || !(o.seconds > 0) || !std::isfinite(o.seconds))
            return QStringLiteral("--seconds needs a time in seconds, not %1").arg(value);
    } else if (name == QLatin1String("--speed")) {
        o.speed = value.toDouble(&ok);
        if (!ok || !(o.speed > 0) || !std::isfinite(o.speed))
            return QStringLiteral("--speed needs a factor above 0, not %1").arg(value);
    } else if (name == QLatin1String("--slcan")) {
        o.link = value;
    } else if (name == QLatin1String("--dbc")) {
        o.dbcFile = value;
    } else if (name == QLatin1String("--list")) {
        o.listFile = value;
    } else if (name == QLatin1String("--node")) {
        o.nodes << value;
    } else if (name == QLatin1String("--message")) {
        o.messages << value;
    } else if (name == QLatin1String("--counter")) {
        if (!value.contains(QLatin1Char('.')))
            return QStringLiteral("--counter needs MESSAGE.SIGNAL, not %1").arg(value);
        o.counters << value;
    } else if (name == QLatin1String("--set") || name == QLatin1String("--checksum")) {
        if (!value.contains(QLatin1Char('=')))
            return QStringLiteral("%1 needs %2, not %3")
                    .arg(name,
                         name == QLatin1String("--set") ? QStringLiteral("MESSAGE.SIGNAL=VALUE")
                                                        : QStringLiteral("MESSAGE[.SIGNAL]=ALGORITHM"),
                         value);
        (name == QLatin1String("--set") ? o.sets : o.checksums) << value;
    }
    return QString();
}

// Names as a comma-separated list in lines of up to 78 characters, each
// indented by `indent` blanks.
QString wrappedNames(const QStringList &names, int indent)
{
    QString text;
    QString line;
    for (int i = 0; i < names.size(); ++i) {
        const QString word = names[i] + (i + 1 < names.size() ? QStringLiteral(",") : QString());
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > 78) {
            text += QString(indent, u' ') + line + u'\n';
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        text += QString(indent, u' ') + line + u'\n';
    return text;
}

} // namespace

int presetRate(int presetIndex)
{
    const BitTiming t = presetTiming(presetIndex);
    return bitRate(0, t.bs1Index, t.bs2Index, t.prescaler);
}

std::optional<int> presetIndexForRate(const QString &text)
{
    const std::optional<int> rate = bitRateFromText(text);
    if (!rate)
        return std::nullopt;
    for (int i = 0; i < PresetCount; ++i) {
        if (presetRate(i) == *rate)
            return i;
    }
    return std::nullopt;
}

CanToolOptions parseCanToolArguments(const QStringList &arguments)
{
    CanToolOptions o;
    if (arguments.isEmpty()) {
        o.error = QStringLiteral("a command is missing: dump, send, play, bridge or simulate");
        return o;
    }
    const QString first = arguments.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        o.help = true;
        return o;
    }
    if (first == QLatin1String("--version")) {
        o.version = true;
        return o;
    }
    o.command = commandNamed(first);
    if (o.command == CanToolCommand::None) {
        o.error = QStringLiteral("no such command: %1").arg(first);
        return o;
    }

    QStringList positional;
    for (int i = 1; i < arguments.size(); ++i) {
        QString name = arguments[i];
        QString value;
        bool hasValue = false;
        if (name.startsWith(QLatin1String("--")) && name.contains(QLatin1Char('='))) {
            value = name.mid(name.indexOf(QLatin1Char('=')) + 1);
            name = name.left(name.indexOf(QLatin1Char('=')));
            hasValue = true;
        }
        const bool isOption = name.startsWith(QLatin1Char('-')) && name.size() > 1;
        if (!isOption) {
            positional << name;
            continue;
        }
        if (!allowedFor(o.command, name)) {
            o.error = QStringLiteral("unknown option for %1: %2").arg(first, name);
            return o;
        }
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            o.help = true;
            return o;
        }
        if (name == QLatin1String("-l") || name == QLatin1String("--log")) {
            o.logFile = true;
            // The file name is optional: the next argument, once the port is known.
            if (hasValue) {
                o.logFileName = value;
            } else if (!positional.isEmpty() && i + 1 < arguments.size()
                       && !arguments[i + 1].startsWith(QLatin1Char('-'))) {
                o.logFileName = arguments[++i];
            }
            continue;
        }
        if (takesValue(name)) {
            if (!hasValue) {
                if (i + 1 >= arguments.size()) {
                    o.error = QStringLiteral("%1 needs a value").arg(name);
                    return o;
                }
                value = arguments[++i];
            }
            o.error = applyValue(o, name, value);
            if (!o.error.isEmpty())
                return o;
            continue;
        }
        if (hasValue) {
            o.error = QStringLiteral("%1 takes no value").arg(name);
            return o;
        }
        if (name == QLatin1String("--no-config"))
            o.configure = false;
        else if (name == QLatin1String("-L"))
            o.logOnStdout = true;
        else if (name == QLatin1String("--loop"))
            o.loop = true;
        else if (name == QLatin1String("--only-received"))
            o.onlyReceived = true;
    }

    if (positional.isEmpty()) {
        o.error = QStringLiteral("the port is missing");
        return o;
    }
    o.port = positional.takeFirst();
    switch (o.command) {
    case CanToolCommand::Send:
        if (positional.isEmpty())
            o.error = QStringLiteral("no frame to send");
        for (const QString &text : positional) {
            const std::optional<CanFrame> frame = parseCansendFrame(text);
            if (!frame) {
                o.error = QStringLiteral("not a frame: %1 (123#11223344, 12345678#11, 123#R, "
                                         "123#R4)")
                                  .arg(text);
                return o;
            }
            o.frames << *frame;
        }
        return o;
    case CanToolCommand::Play:
        if (positional.size() != 1)
            o.error = positional.isEmpty() ? QStringLiteral("the log file is missing")
                                           : QStringLiteral("one log file only");
        else
            o.file = positional.first();
        return o;
    case CanToolCommand::Bridge:
        if (o.link.isEmpty())
            o.error = QStringLiteral("--slcan LINK is missing");
        break;
    case CanToolCommand::Simulate:
        if (o.dbcFile.isEmpty() && o.listFile.isEmpty())
            o.error = QStringLiteral("--dbc FILE is missing");
        else if (o.nodes.isEmpty() && o.messages.isEmpty() && o.listFile.isEmpty())
            o.error = QStringLiteral("nothing to send: give --node, --message or --list");
        break;
    default:
        break;
    }
    if (!positional.isEmpty() && o.error.isEmpty())
        o.error = QStringLiteral("unexpected argument: %1").arg(positional.first());
    return o;
}

QString canToolUsage(CanToolCommand command)
{
    const QString setup = QStringLiteral(
            "Converter options:\n"
            "  --bitrate RATE   CAN bit rate: 1M, 800k, 500k, 400k, 250k (default), 200k,\n"
            "                   125k, 100k, 50k, 20k, 10k, 5k\n"
            "  --mode MODE      normal (default), loopback, silent, loopback-silent\n"
            "  --framing F      fixed (default) or variable\n"
            "  --baud B         serial line speed, default 2000000\n"
            "  --no-config      send no set-and-start: leave the converter as it is\n"
            "PORT is the converter's serial port (/dev/ttyUSB0) or a CAN interface of\n"
            "Qt's plugins as plugin:interface (socketcan:can0, virtualcan:can0).\n"
            "Exit status: 0 done, 1 port or bus error, 2 usage error.\n");
    switch (command) {
    case CanToolCommand::Dump:
        return QStringLiteral(
                       "Usage: talvik-can dump PORT [options]\n"
                       "Prints every frame received, as candump does.\n"
                       "  -L               candump log lines on standard output\n"
                       "  -l [FILE]        also write a candump log file (default name\n"
                       "                   candump-YYYY-MM-DD_HHMMSS.log)\n"
                       "  --count N        stop after N frames\n"
                       "  --seconds S      stop after S seconds\n")
                + setup;
    case CanToolCommand::Send:
        return QStringLiteral("Usage: talvik-can send PORT FRAME...\n"
                              "Sends frames written as cansend writes them, in order:\n"
                              "123#11223344, 12345678#11 (extended), 123#R, 123#R4 (remote).\n")
                + setup;
    case CanToolCommand::Play:
        return QStringLiteral("Usage: talvik-can play PORT FILE [options]\n"
                              "Plays a candump log or ASC file onto the bus with its timing.\n"
                              "  --speed X        X times the log's pace (default 1)\n"
                              "  --loop           repeat until interrupted\n"
                              "  --only-received  only the frames the log received\n")
                + setup;
    case CanToolCommand::Bridge:
        return QStringLiteral(
                       "Usage: talvik-can bridge PORT --slcan LINK [options]\n"
                       "Serves the SLCAN (Lawicel) protocol on a pseudo-terminal, reachable\n"
                       "as the symlink LINK, for slcand and other SLCAN programs.\n")
                + setup;
    case CanToolCommand::Simulate:
        return QStringLiteral(
                       "Usage: talvik-can simulate PORT --dbc FILE (--node NAME | --message NAME)...\n"
                       "Sends database messages, each on its cycle time (GenMsgCycleTime), with\n"
                       "counters and checksums, until interrupted; a line per message on exit.\n"
                       "  --dbc FILE                  the CAN database (.dbc)\n"
                       "  --node NAME                 every message NAME sends\n"
                       "  --message NAME              one message, by name\n"
                       "  --set MESSAGE.SIGNAL=VALUE  a signal's value in physical units, or a\n"
                       "                              text of its value table\n"
                       "  --counter MESSAGE.SIGNAL    the message's counter (by default a signal\n"
                       "                              named COUNTER, CNT, ALIVE or ..._BZ)\n"
                       "  --checksum MESSAGE[.SIGNAL]=ALGORITHM\n"
                       "                              the message's checksum (by default in a\n"
                       "                              signal named CHECKSUM, CRC ...), one of\n"
                       "%1"
                       "                              with parameters after ':' (crc8:poly=0x2f,...)\n"
                       "  --list FILE                 a transmit list saved by the window\n"
                       "  --seconds S                 stop after S seconds\n")
                       .arg(wrappedNames(checksumNames(), 30))
                + setup;
    case CanToolCommand::None:
        break;
    }
    return QStringLiteral("Usage: talvik-can COMMAND PORT [options]\n"
                          "The converter from the command line.\n"
                          "Commands:\n"
                          "  dump PORT            print the frames received, as candump does\n"
                          "  send PORT FRAME...   send frames written as cansend writes them\n"
                          "  play PORT FILE       play a candump log or ASC file with its timing\n"
                          "  bridge PORT --slcan LINK   serve SLCAN on a pseudo-terminal\n"
                          "  simulate PORT --dbc FILE --node NAME   send a node's messages\n"
                          "talvik-can COMMAND --help tells each command's options.\n");
}
