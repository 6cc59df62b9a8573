// talvik-decode: prints the signals of each frame of a candump log, decoded
// with a DBC database, as text or as one JSON object a line.
//
// The output is written by hand into one buffer: a frame's line costs a few
// appends of texts prepared once per signal, and numbers formatted without
// allocating (numbertext.h). Input is read in blocks, and what a block held is
// written before the next read, so that a live candump piped in is decoded as
// it comes.
#include "dbc.h"
#include "logformats.h"
#include "numbertext.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>

namespace {

void appendJsonString(std::string &out, const QString &text)
{
    out += '"';
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
    out += '"';
}

std::string jsonString(const QString &text)
{
    std::string out;
    appendJsonString(out, text);
    return out;
}

std::string utf8(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

// The fixed parts of a signal's output, in both forms.
struct SignalTexts
{
    std::string textName; // " Name="
    std::string textUnit; // " unit", or empty
    std::string jsonName; // "\"Name\": {\"raw\": "
    std::string jsonUnit; // ", \"unit\": \"unit\""
    std::map<qint64, std::pair<std::string, std::string>> valueTexts; // " \"text\"", JSON
};

struct MessageTexts
{
    std::string textName; // " Name"
    std::string jsonName; // "\"Name\""
    std::vector<SignalTexts> signalTexts;
};

MessageTexts prepare(const DbcMessage &message)
{
    MessageTexts m;
    m.textName = ' ' + utf8(message.name);
    m.jsonName = jsonString(message.name);
    for (const DbcSignal &signal : message.signalList) {
        SignalTexts s;
        s.textName = ' ' + utf8(signal.name) + '=';
        if (!signal.unit.isEmpty())
            s.textUnit = ' ' + utf8(signal.unit);
        s.jsonName = jsonString(signal.name) + ": {\"raw\": ";
        s.jsonUnit = ", \"unit\": " + jsonString(signal.unit);
        for (auto it = signal.valueTexts.begin(); it != signal.valueTexts.end(); ++it)
            s.valueTexts.emplace(it.key(),
                                 std::pair{ " \"" + utf8(it.value()) + '"',
                                            ", \"text\": " + jsonString(it.value()) });
        m.signalTexts.push_back(std::move(s));
    }
    return m;
}

class Writer
{
public:
    Writer(const DbcDatabase &database, bool json) : database(database), json(json)
    {
        texts.resize(database.messages.size());
        prepared.resize(database.messages.size());
        out.reserve(FlushSize + 4096);
    }

    void frame(const CaptureRecord &record)
    {
        const CanFrame &frame = record.frame;
        const DbcMessage *message = database.find(frame.identifier, frame.extended);
        const MessageTexts *m = nullptr;
        if (message) {
            decodeMessage(*message, frame, decoded);
            const size_t index = size_t(message - database.messages.data());
            if (!prepared[index]) {
                texts[index] = prepare(*message);
                prepared[index] = true;
            }
            m = &texts[index];
        } else {
            decoded.clear();
        }
        if (json)
            jsonLine(record, message, m);
        else
            textLine(record, message, m);
    }

    // Writes what is buffered once it is large, or always.
    void flush(bool always)
    {
        if (out.size() < FlushSize && !always)
            return;
        std::fwrite(out.data(), 1, out.size(), stdout);
        if (always)
            std::fflush(stdout);
        out.clear();
    }

private:
    static constexpr size_t FlushSize = 1 << 20;

    const SignalTexts &signalTexts(const MessageTexts &m, const DbcMessage &message,
                                   const DecodedSignal &d) const
    {
        return m.signalTexts[size_t(d.signal - message.signalList.data())];
    }

    void rawText(const DecodedSignal &d)
    {
        if (d.signal->valueType != DbcSignal::ValueType::Integer)
            appendNumber(out, d.rawValue);
        else if (d.signal->isSigned)
            appendInteger(out, d.raw);
        else
            appendUnsigned(out, d.rawUnsigned);
    }

    void jsonLine(const CaptureRecord &record, const DbcMessage *message, const MessageTexts *m)
    {
        out += "{\"time\": ";
        appendCandumpTime(out, record.timestampUs);
        out += ", \"id\": ";
        appendUnsigned(out, record.frame.identifier);
        out += record.frame.extended ? ", \"extended\": true, \"message\": "
                                     : ", \"extended\": false, \"message\": ";
        out += m ? m->jsonName : std::string_view("null");
        out += ", \"signals\": {";
        bool first = true;
        for (const DecodedSignal &d : decoded) {
            if (!first)
                out += ", ";
            first = false;
            const SignalTexts &s = signalTexts(*m, *message, d);
            out += s.jsonName;
            rawText(d);
            out += ", \"value\": ";
            appendNumber(out, d.physical);
            out += s.jsonUnit;
            if (!d.text.isNull())
                out += s.valueTexts.at(d.raw).second;
            out += '}';
        }
        out += "}}\n";
    }

    void textLine(const CaptureRecord &record, const DbcMessage *message, const MessageTexts *m)
    {
        const CanFrame &frame = record.frame;
        appendCandumpTime(out, record.timestampUs);
        out += ' ';
        appendHexIdentifier(out, frame.identifier, frame.extended ? 8 : 3);
        if (m)
            out += m->textName;
        for (const DecodedSignal &d : decoded) {
            const SignalTexts &s = signalTexts(*m, *message, d);
            out += s.textName;
            appendNumber(out, d.physical);
            out += s.textUnit;
            if (!d.text.isNull())
                out += s.valueTexts.at(d.raw).first;
        }
        out += '\n';
    }

    const DbcDatabase &database;
    const bool json;
    std::vector<MessageTexts> texts; // by the message's index, prepared when first seen
    std::vector<bool> prepared;
    std::vector<DecodedSignal> decoded;
    std::string out;
};

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
    Writer writer(read.database, parser.isSet(json));
    // A block holds whole lines and the start of the next; a read returns what
    // the input has, so standard input is decoded as it comes.
    const int fd = fileno(input);
    QByteArray block;
    qsizetype filled = 0;
    const qsizetype readSize = fromStdin ? 64 * 1024 : 1024 * 1024;
    for (;;) {
        if (block.size() < filled + readSize)
            block.resize(filled + readSize);
        const ssize_t got = ::read(fd, block.data() + filled, size_t(readSize));
        if (got < 0 && errno == EINTR)
            continue;
        const bool atEnd = got <= 0;
        filled += atEnd ? 0 : got;
        const char *lastEnd =
                static_cast<const char *>(memrchr(block.constData(), '\n', size_t(filled)));
        const qsizetype whole = atEnd ? filled : lastEnd ? lastEnd - block.constData() + 1 : 0;
        if (whole > 0) {
            const LogReadResult frames =
                    readCandumpLog(QByteArray::fromRawData(block.constData(), whole));
            for (const CaptureRecord &record : frames.records) {
                writer.frame(record);
                writer.flush(false);
            }
            std::memmove(block.data(), block.constData() + whole, size_t(filled - whole));
            filled -= whole;
        }
        if (fromStdin || atEnd)
            writer.flush(true);
        if (atEnd)
            break;
    }
    if (input != stdin)
        std::fclose(input);
    return 0;
}
