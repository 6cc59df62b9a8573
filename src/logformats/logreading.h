#ifndef LOGREADING_H
#define LOGREADING_H

// What the log readers share: lines, tokens, numbers, the skipped-line count.
#include "logformats.h"

#include <QByteArrayView>

#include <array>

namespace LogReading {

constexpr int MaxSkippedSamples = 5;
constexpr quint32 StandardIdMask = 0x7FF;
constexpr quint32 ExtendedIdMask = 0x1FFFFFFF;

// Counts a line that holds no frame; the first few are kept as "line N: reason".
void skip(LogReadResult &result, int lineNumber, const char *reason, const char *unit = "line");

// Calls `handle(lineNumber, line)` for each line, numbered from 1, with its
// surrounding blanks (and a carriage return) removed.
template<typename Handle>
void forEachLine(const QByteArray &content, Handle handle)
{
    const char *begin = content.constData();
    const char *const end = begin + content.size();
    int lineNumber = 0;
    while (begin < end) {
        const char *lineEnd = static_cast<const char *>(memchr(begin, '\n', size_t(end - begin)));
        if (!lineEnd)
            lineEnd = end;
        ++lineNumber;
        const char *first = begin;
        const char *last = lineEnd;
        while (first < last && (*first == ' ' || *first == '\t' || *first == '\r'))
            ++first;
        while (last > first && (last[-1] == ' ' || last[-1] == '\t' || last[-1] == '\r'))
            --last;
        handle(lineNumber, QByteArrayView(first, last - first));
        begin = lineEnd + 1;
    }
}

// Up to `MaxTokens` blank-separated tokens of a line; `overflow` when there are more.
struct Tokens
{
    // An ASC line of an FD frame: 64 data bytes and 18 fields more.
    static constexpr int MaxTokens = 96;
    std::array<QByteArrayView, MaxTokens> token;
    int count = 0;
    bool overflow = false;

    QByteArrayView operator[](int i) const { return i < count ? token[i] : QByteArrayView(); }
};
Tokens splitTokens(QByteArrayView line);

bool equalsIgnoringCase(QByteArrayView text, const char *word);
bool startsWithIgnoringCase(QByteArrayView text, const char *word);
bool isDigits(QByteArrayView text);

// Hexadecimal or decimal digits only (no sign, no prefix), at most `maxDigits`.
bool parseUnsigned(QByteArrayView text, int base, int maxDigits, quint32 *value);
// "seconds[.fraction]" into microseconds; more than six decimals are cut off.
bool parseSeconds(QByteArrayView text, qint64 *microseconds);

// Microseconds since the epoch of a local date and time.
qint64 localTimeUs(const QDate &date, const QTime &time);

// The frame must fit its identifier's width and carry at most 8 bytes.
bool identifierFits(quint32 identifier, bool extended);

} // namespace LogReading

#endif // LOGREADING_H
