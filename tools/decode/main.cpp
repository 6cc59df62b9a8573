// talvik-decode: prints the signals of each frame of a candump log, decoded
// with a DBC database, or the ISO-TP and J1939 messages its frames carry, as
// text or as one JSON object a line.
//
// The output is written by hand into one buffer: a frame's line costs a few
// appends of texts prepared once per signal, and numbers formatted without
// allocating (numbertext.h). Input is read in blocks, and what a block held is
// written before the next read, so that a live candump piped in is decoded as
// it comes.
#include "dbc.h"
#include "diagmeaning.h"
#include "isotp.h"
#include "j1939.h"
#include "j1939signals.h"
#include "language.h"
#include "logformats.h"
#include "numbertext.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>
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

// The lines of a writer, buffered and written to standard output in large blocks.
class Output
{
public:
    Output() { out.reserve(FlushSize + 4096); }

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

protected:
    static constexpr size_t FlushSize = 1 << 20;
    std::string out;
};

class Writer : public Output
{
public:
    Writer(const DbcDatabase &database, bool json) : database(database), json(json)
    {
        texts.resize(database.messages.size());
        prepared.resize(database.messages.size());
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

private:
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
};

// The messages of the transport protocols, one line each in the order they ended.
class DiagWriter : public Output
{
public:
    DiagWriter(std::vector<IsoTpIdRange> isoTpIds, bool withIsoTp, bool withJ1939, bool json,
               const DbcDatabase *database)
        : isoTp(std::move(isoTpIds)),
          useIsoTp(withIsoTp),
          useJ1939(withJ1939),
          json(json),
          database(database)
    {
    }

    void frame(const CaptureRecord &record)
    {
        const bool taken = useIsoTp && isoTp.feed(record, index, ended);
        if (!taken && useJ1939)
            j1939.feed(record, index, ended);
        ++index;
        writeEnded();
    }

    void finish()
    {
        isoTp.finish(ended);
        j1939.finish(ended);
        std::stable_sort(ended.begin(), ended.end(),
                         [](const DiagMessage &a, const DiagMessage &b) {
                             return a.timestampUs < b.timestampUs;
                         });
        writeEnded();
    }

private:
    void writeEnded()
    {
        for (const DiagMessage &message : ended) {
            if (json)
                jsonLine(message);
            else
                textLine(message);
        }
        ended.clear();
    }

    static bool isJ1939(const DiagMessage &m) { return m.protocol == DiagMessage::Protocol::J1939; }

    // A J1939 group's signals where the database has it, else what it means.
    QString meaning(const DiagMessage &m) const
    {
        const QString text = database ? j1939SignalsText(*database, m) : QString();
        return text.isEmpty() ? diagMessageMeaning(m) : text;
    }

    void jsonLine(const DiagMessage &m)
    {
        out += "{\"time\": ";
        appendCandumpTime(out, m.timestampUs);
        out += isJ1939(m) ? ", \"protocol\": \"j1939\", \"id\": "
                          : ", \"protocol\": \"isotp\", \"id\": ";
        appendUnsigned(out, m.identifier);
        out += m.extended ? ", \"extended\": true" : ", \"extended\": false";
        if (m.addressExtension >= 0) {
            out += ", \"address\": ";
            appendUnsigned(out, quint64(m.addressExtension));
        }
        out += ", \"length\": ";
        appendUnsigned(out, quint64(m.payload.size()));
        out += ", \"data\": \"";
        out += m.payload.toHex().toStdString();
        out += '"';
        if (isJ1939(m)) {
            out += ", \"pgn\": ";
            appendUnsigned(out, m.pgn);
            out += ", \"source\": ";
            appendUnsigned(out, m.source);
            out += ", \"destination\": ";
            appendUnsigned(out, m.destination);
        }
        const QString text = meaning(m);
        if (m.problem != DiagMessage::Problem::None) {
            out += ", \"error\": ";
            appendJsonString(out, text);
        } else if (!text.isEmpty()) {
            out += ", \"meaning\": ";
            appendJsonString(out, text);
        }
        out += "}\n";
    }

    void textLine(const DiagMessage &m)
    {
        appendCandumpTime(out, m.timestampUs);
        out += ' ';
        appendHexIdentifier(out, m.identifier, m.extended ? 8 : 3);
        if (isJ1939(m)) {
            char addresses[48];
            std::snprintf(addresses, sizeof addresses, " j1939 pgn=%05X sa=%02X da=%02X",
                          unsigned(m.pgn), unsigned(m.source), unsigned(m.destination));
            out += addresses;
        } else {
            out += " isotp";
        }
        out += " [";
        appendUnsigned(out, quint64(m.payload.size()));
        out += "] ";
        out += m.payload.toHex(' ').toUpper().toStdString();
        const QString text = meaning(m);
        if (m.problem != DiagMessage::Problem::None)
            out += "  error: " + utf8(text);
        else if (!text.isEmpty())
            out += "  " + utf8(text);
        out += '\n';
    }

    IsoTpReassembler isoTp;
    J1939Reassembler j1939;
    const bool useIsoTp;
    const bool useJ1939;
    const bool json;
    const DbcDatabase *database; // J1939 groups' signals, or none
    qint64 index = 0;
    std::vector<DiagMessage> ended;
};

// Reads a candump log in blocks and hands each block's frames to sink; a read
// returns what the input has, so standard input is decoded as it comes.
template<typename Sink>
void readLog(FILE *input, bool fromStdin, Sink &sink)
{
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
                sink.frame(record);
                sink.flush(false);
            }
            std::memmove(block.data(), block.constData() + whole, size_t(filled - whole));
            filled -= whole;
        }
        if (fromStdin || atEnd)
            sink.flush(true);
        if (atEnd)
            break;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("talvik-decode"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALVIK_VERSION));
    // Meanings in the texts scripts expect, whatever the desktop's language.
    installUiLanguage(UiLanguage::English);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
            "Prints the signals of each frame of a candump log (candump -l or -L), decoded\n"
            "with a DBC database: one line a frame, or one JSON object a line.\n"
            "With --isotp or --j1939 it prints instead the ISO-TP messages and J1939\n"
            "parameter groups the frames carry, reassembled: one line a message, in the\n"
            "order they ended, and no database is given."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object a line instead of text."));
    const QCommandLineOption isoTp(QStringLiteral("isotp"),
                                   QStringLiteral("ISO-TP messages (UDS, OBD-II) on 7DF, 7E0-7EF, "
                                                  "18DA/18DB and the identifiers of --ids."));
    const QCommandLineOption j1939(QStringLiteral("j1939"),
                                   QStringLiteral("J1939 parameter groups of 29-bit frames, "
                                                  "transport protocol reassembled."));
    const QCommandLineOption ids(QStringList{ QStringLiteral("i"), QStringLiteral("ids") },
                                 QStringLiteral("More ISO-TP identifiers: 7A0, 700-70F, "
                                                "6F1:ext (extended addressing), "
                                                "18FF0000-18FFFFFF:fixed; repeatable."),
                                 QStringLiteral("IDS"));
    const QCommandLineOption dbc(QStringList{ QStringLiteral("d"), QStringLiteral("dbc") },
                                 QStringLiteral("With --j1939: decodes the groups' signals with "
                                                "this database, matched by parameter group where "
                                                "it marks them J1939."),
                                 QStringLiteral("FILE.dbc"));
    parser.addOptions({ json, isoTp, j1939, ids, dbc });
    parser.addPositionalArgument(QStringLiteral("dbc"),
                                 QStringLiteral("The DBC database (not with --isotp or --j1939)."),
                                 QStringLiteral("FILE.dbc"));
    parser.addPositionalArgument(QStringLiteral("log"),
                                 QStringLiteral("The candump log; standard input when absent "
                                                "or -."),
                                 QStringLiteral("[LOG]"));
    parser.process(app);
    const QStringList arguments = parser.positionalArguments();
    const bool transport = parser.isSet(isoTp) || parser.isSet(j1939);
    const int databaseArguments = transport ? 0 : 1;
    if (arguments.size() < databaseArguments || arguments.size() > databaseArguments + 1) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }
    std::vector<IsoTpIdRange> isoTpIds = defaultIsoTpIds();
    for (const QString &value : parser.values(ids)) {
        for (const QString &text : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const std::optional<IsoTpIdRange> range = parseIsoTpIdRange(text);
            if (!range) {
                std::fprintf(stderr, "talvik-decode: not an identifier or range: %s\n",
                             qPrintable(text));
                return 2;
            }
            isoTpIds.push_back(*range);
        }
    }
    if (!parser.values(ids).isEmpty() && !parser.isSet(isoTp)) {
        std::fputs("talvik-decode: --ids needs --isotp\n", stderr);
        return 2;
    }

    if (parser.isSet(dbc) && !parser.isSet(j1939)) {
        std::fputs("talvik-decode: --dbc needs --j1939 (without it the database is the first "
                   "argument)\n",
                   stderr);
        return 2;
    }
    DbcReadResult read;
    if (!transport || parser.isSet(dbc)) {
        const QString dbcPath = transport ? parser.value(dbc) : arguments[0];
        QFile dbcFile(dbcPath);
        if (!dbcFile.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "talvik-decode: %s: %s\n", qPrintable(dbcPath),
                         qPrintable(dbcFile.errorString()));
            return 1;
        }
        read = readDbc(dbcFile.readAll());
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
    }

    const QString logPath = arguments.size() > databaseArguments ? arguments.last() : QString();
    const bool fromStdin = logPath.isEmpty() || logPath == QLatin1String("-");
    FILE *input = stdin;
    if (!fromStdin) {
        input = std::fopen(QFile::encodeName(logPath).constData(), "rb");
        if (!input) {
            std::fprintf(stderr, "talvik-decode: %s: %s\n", qPrintable(logPath),
                         std::strerror(errno));
            return 1;
        }
    }
    if (transport) {
        DiagWriter writer(std::move(isoTpIds), parser.isSet(isoTp), parser.isSet(j1939),
                          parser.isSet(json), parser.isSet(dbc) ? &read.database : nullptr);
        readLog(input, fromStdin, writer);
        writer.finish();
        writer.flush(true);
    } else {
        Writer writer(read.database, parser.isSet(json));
        readLog(input, fromStdin, writer);
    }
    if (input != stdin)
        std::fclose(input);
    return 0;
}
