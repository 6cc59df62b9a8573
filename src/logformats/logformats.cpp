// The parts every log format shares: names, whole files, choosing a reader.
#include "logformats.h"
#include "logreading.h"

#include <QDateTime>
#include <QFileInfo>

namespace LogReading {

void skip(LogReadResult &result, int lineNumber, const char *reason, const char *unit)
{
    ++result.skippedLines;
    if (result.skippedSamples.size() < MaxSkippedSamples)
        result.skippedSamples << QStringLiteral("%1 %2: %3")
                                         .arg(QLatin1String(unit))
                                         .arg(lineNumber)
                                         .arg(QLatin1String(reason));
}

Tokens splitTokens(QByteArrayView line)
{
    Tokens tokens;
    const char *p = line.data();
    const char *const end = p + line.size();
    while (p < end) {
        while (p < end && (*p == ' ' || *p == '\t'))
            ++p;
        if (p == end)
            break;
        const char *start = p;
        while (p < end && *p != ' ' && *p != '\t')
            ++p;
        if (tokens.count == Tokens::MaxTokens) {
            tokens.overflow = true;
            break;
        }
        tokens.token[tokens.count++] = QByteArrayView(start, p - start);
    }
    return tokens;
}

static char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool startsWithIgnoringCase(QByteArrayView text, const char *word)
{
    const qsizetype length = qsizetype(strlen(word));
    if (text.size() < length)
        return false;
    for (qsizetype i = 0; i < length; ++i) {
        if (lowerAscii(text[i]) != lowerAscii(word[i]))
            return false;
    }
    return true;
}

bool equalsIgnoringCase(QByteArrayView text, const char *word)
{
    return text.size() == qsizetype(strlen(word)) && startsWithIgnoringCase(text, word);
}

bool isDigits(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

bool parseUnsigned(QByteArrayView text, int base, int maxDigits, quint32 *value)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return false;
    quint64 result = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        result = result * quint64(base) + quint64(digit);
    }
    if (result > 0xFFFFFFFFu)
        return false;
    *value = quint32(result);
    return true;
}

bool parseSeconds(QByteArrayView text, qint64 *microseconds)
{
    const qsizetype dot = text.indexOf('.');
    const QByteArrayView whole = dot < 0 ? text : text.first(dot);
    const QByteArrayView fraction = dot < 0 ? QByteArrayView() : text.sliced(dot + 1);
    // Twelve digits of seconds reach far beyond any clock; no overflow below that.
    if (!isDigits(whole) || whole.size() > 12 || (dot >= 0 && !isDigits(fraction)))
        return false;
    qint64 seconds = 0;
    for (char c : whole)
        seconds = seconds * 10 + (c - '0');
    qint64 micros = 0;
    for (int i = 0; i < 6; ++i)
        micros = micros * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    *microseconds = seconds * 1000000 + micros;
    return true;
}

qint64 localTimeUs(const QDate &date, const QTime &time)
{
    return QDateTime(date, time).toMSecsSinceEpoch() * 1000;
}

bool identifierFits(quint32 identifier, bool extended)
{
    return identifier <= (extended ? ExtendedIdMask : StandardIdMask);
}

} // namespace LogReading

using namespace LogReading;

LogFormat logFormatForFileName(const QString &fileName, LogFormat fallback)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("log"))
        return LogFormat::Candump;
    if (suffix == QLatin1String("asc"))
        return LogFormat::VectorAsc;
    if (suffix == QLatin1String("pcap") || suffix == QLatin1String("pcapng"))
        return LogFormat::Pcap;
    return fallback;
}

QString logFormatExtension(LogFormat format)
{
    switch (format) {
    case LogFormat::Candump:
        return QStringLiteral(".log");
    case LogFormat::VectorAsc:
        return QStringLiteral(".asc");
    case LogFormat::Pcap:
        return QStringLiteral(".pcap");
    case LogFormat::TextTable:
        break;
    }
    return QStringLiteral(".txt");
}

QByteArray writeLog(LogFormat format, const std::vector<CaptureRecord> &records)
{
    QByteArray content;
    switch (format) {
    case LogFormat::Candump:
        content.reserve(qsizetype(records.size()) * 48);
        for (const CaptureRecord &record : records)
            content += candumpLine(record);
        break;
    case LogFormat::VectorAsc: {
        const qint64 base = records.empty() ? QDateTime::currentMSecsSinceEpoch() * 1000
                                            : records.front().timestampUs;
        content.reserve(qsizetype(records.size()) * 64 + 100);
        content += ascHeader(base);
        for (const CaptureRecord &record : records)
            content += ascLine(record, base);
        break;
    }
    case LogFormat::Pcap:
        content.reserve(qsizetype(records.size()) * 32 + 24);
        content += pcapFileHeader();
        for (const CaptureRecord &record : records)
            content += pcapPacket(record);
        break;
    case LogFormat::TextTable:
        break;
    }
    return content;
}

namespace {

bool looksLikePcap(const QByteArray &content)
{
    if (content.size() < 4)
        return false;
    const QByteArray magic = content.left(4);
    return magic == QByteArray::fromHex("a1b2c3d4") || magic == QByteArray::fromHex("d4c3b2a1")
            || magic == QByteArray::fromHex("a1b23c4d") || magic == QByteArray::fromHex("4d3cb2a1");
}

bool isTableDirection(QByteArrayView token)
{
    return token == QByteArrayView("接受") || token == QByteArrayView("发送") || token == "Rx"
            || token == "Tx";
}

// Which format the first lines of a file are written in; nothing when no
// line tells.
std::optional<LogFormat> formatOfLines(const QByteArray &content)
{
    int candump = 0;
    int asc = 0;
    int table = 0;
    int looked = 0;
    forEachLine(content, [&](int, QByteArrayView line) {
        if (line.isEmpty() || looked >= 200)
            return;
        ++looked;
        const Tokens tokens = splitTokens(line);
        if (line.startsWith('(') && tokens.count >= 3 && tokens[2].contains('#'))
            ++candump;
        else if (startsWithIgnoringCase(line, "date ") || startsWithIgnoringCase(line, "base ")
                 || startsWithIgnoringCase(line, "begin triggerblock")
                 || startsWithIgnoringCase(line, "// version"))
            asc += 10;
        else if (isDigits(tokens[0]) && isTableDirection(tokens[1]))
            ++table;
        else if (tokens.count >= 3 && tokens[0].contains('.') && isDigits(tokens[1]))
            ++asc;
    });
    if (candump == 0 && asc == 0 && table == 0)
        return std::nullopt;
    if (candump > asc && candump > table)
        return LogFormat::Candump;
    if (asc > candump && asc > table)
        return LogFormat::VectorAsc;
    if (table > candump && table > asc)
        return LogFormat::TextTable;
    return std::nullopt;
}

} // namespace

LogReadResult readLog(const QString &fileName, const QByteArray &content, const QDate &fileDate)
{
    if (looksLikePcap(content))
        return readPcap(content);
    if (content.startsWith(QByteArray::fromHex("0a0d0d0a"))) {
        LogReadResult result;
        result.error =
                QStringLiteral("pcapng files are not read; save the capture as classic pcap");
        return result;
    }
    const LogFormat byName = logFormatForFileName(fileName, LogFormat::TextTable);
    const LogFormat format = formatOfLines(content).value_or(byName);
    switch (format) {
    case LogFormat::Candump:
        return readCandumpLog(content);
    case LogFormat::VectorAsc:
        return readAscLog(content);
    case LogFormat::Pcap:
        return readPcap(content);
    case LogFormat::TextTable:
        break;
    }
    return readTextTable(content, fileDate);
}
