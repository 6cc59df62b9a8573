// talvik-decode: prints the signals of each frame of a candump log, decoded
// with a DBC database, as text or as one JSON object a line.
#include "dbc.h"
#include "logformats.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// "1700000000.012345", as candump writes the time.
QByteArray timeText(qint64 timestampUs)
{
    qint64 seconds = timestampUs / 1000000;
    qint64 micros = timestampUs % 1000000;
    if (micros < 0) {
        micros += 1000000;
        seconds -= 1;
    }
    return QByteArray::number(seconds) + '.' + QByteArray::number(micros).rightJustified(6, '0');
}

QByteArray numberText(double value)
{
    return std::isfinite(value) ? QByteArray::number(value, 'g', 15) : QByteArray("null");
}

QByteArray jsonString(const QString &text)
{
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (quint8(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(quint8(c)));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + '"';
}

QByteArray rawText(const DecodedSignal &decoded)
{
    const DbcSignal &signal = *decoded.signal;
    if (signal.valueType != DbcSignal::ValueType::Integer)
        return numberText(decoded.rawValue);
    return signal.isSigned ? QByteArray::number(decoded.raw)
                           : QByteArray::number(decoded.rawUnsigned);
}

QByteArray jsonLine(const CaptureRecord &record, const DbcMessage *message,
                    const std::vector<DecodedSignal> &decoded)
{
    QByteArray line = "{\"time\": " + timeText(record.timestampUs)
            + ", \"id\": " + QByteArray::number(record.frame.identifier)
            + ", \"extended\": " + (record.frame.extended ? "true" : "false") + ", \"message\": "
            + (message ? jsonString(message->name) : QByteArray("null")) + ", \"signals\": {";
    bool first = true;
    for (const DecodedSignal &d : decoded) {
        if (!first)
            line += ", ";
        first = false;
        line += jsonString(d.signal->name) + ": {\"raw\": " + rawText(d) + ", \"value\": "
                + numberText(d.physical) + ", \"unit\": " + jsonString(d.signal->unit);
        if (!d.text.isNull())
            line += ", \"text\": " + jsonString(d.text);
        line += '}';
    }
    return line + "}}\n";
}

QByteArray textLine(const CaptureRecord &record, const DbcMessage *message,
                    const std::vector<DecodedSignal> &decoded)
{
    const CanFrame &frame = record.frame;
    QByteArray line = timeText(record.timestampUs) + ' '
            + QByteArray::number(frame.identifier, 16)
                      .toUpper()
                      .rightJustified(frame.extended ? 8 : 3, '0');
    if (message)
        line += ' ' + message->name.toUtf8();
    for (const DecodedSignal &d : decoded) {
        line += ' ' + d.signal->name.toUtf8() + '=' + numberText(d.physical);
        if (!d.signal->unit.isEmpty())
            line += ' ' + d.signal->unit.toUtf8();
        if (!d.text.isNull())
            line += " \"" + d.text.toUtf8() + '"';
    }
    return line + '\n';
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("talvik-decode"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALVIK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
            "Prints the signals of each frame of a candump log (candump -l or -L), decoded\n"
            "with a DBC database: one line a frame, or one JSON object a line."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object a line instead of text."));
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("dbc"), QStringLiteral("The DBC database."),
                                 QStringLiteral("FILE.dbc"));
    parser.addPositionalArgument(QStringLiteral("log"),
                                 QStringLiteral("The candump log; standard input when absent "
                                                "or -."),
                                 QStringLiteral("[LOG]"));
    parser.process(app);
    const QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty() || arguments.size() > 2) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }

    const QString dbcPath = arguments[0];
    QFile dbcFile(dbcPath);
    if (!dbcFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "talvik-decode: %s: %s\n", qPrintable(dbcPath),
                     qPrintable(dbcFile.errorString()));
        return 1;
    }
    const DbcReadResult read = readDbc(dbcFile.readAll());
    if (!read.error.isEmpty()) {
        std::fprintf(stderr, "talvik-decode: %s: %s\n", qPrintable(dbcPath),
                     qPrintable(read.error));
        return 1;
    }
    if (read.skippedLines > 0) {
        std::fprintf(stderr, "talvik-decode: %s: %d lines skipped\n", qPrintable(dbcPath),
                     read.skippedLines);
        for (const QString &sample : read.skipped)
            std::fprintf(stderr, "  %s\n", qPrintable(sample));
    }

    const bool fromStdin = arguments.size() < 2 || arguments[1] == QLatin1String("-");
    FILE *input = stdin;
    if (!fromStdin) {
        input = std::fopen(QFile::encodeName(arguments[1]).constData(), "rb");
        if (!input) {
            std::fprintf(stderr, "talvik-decode: %s: %s\n", qPrintable(arguments[1]),
                         std::strerror(errno));
            return 1;
        }
    }
    const bool asJson = parser.isSet(json);
    char *buffer = nullptr;
    size_t capacity = 0;
    ssize_t size;
    // A line at a time, so that a live candump piped in is decoded as it comes.
    while ((size = ::getline(&buffer, &capacity, input)) > 0) {
        const LogReadResult frames = readCandumpLog(QByteArray::fromRawData(buffer, size));
        for (const CaptureRecord &record : frames.records) {
            const DbcMessage *message =
                    read.database.find(record.frame.identifier, record.frame.extended);
            const std::vector<DecodedSignal> decoded =
                    message ? decodeMessage(*message, record.frame) : std::vector<DecodedSignal>();
            const QByteArray line = asJson ? jsonLine(record, message, decoded)
                                           : textLine(record, message, decoded);
            std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        }
        if (fromStdin)
            std::fflush(stdout);
    }
    std::free(buffer);
    if (input != stdin)
        std::fclose(input);
    return 0;
}
