#include "numbertext.h"

#include <QByteArray>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Decimal digits of `value` at the end of `buffer`; returns where they start.
char *unsignedDigits(char *end, quint64 value)
{
    char *p = end;
    do {
        *--p = char('0' + value % 10);
        value /= 10;
    } while (value);
    return p;
}

// `digits` (no trailing zeros, at most 15) times 10 to the `exponent` of the
// first digit, laid out as printf's %.15g lays it out.
void appendLaidOut(std::string &out, bool negative, const char *digits, int count, int exponent)
{
    if (negative)
        out += '-';
    if (exponent < -4 || exponent >= 15) {
        out += digits[0];
        if (count > 1) {
            out += '.';
            out.append(digits + 1, size_t(count - 1));
        }
        out += 'e';
        out += exponent < 0 ? '-' : '+';
        const int magnitude = std::abs(exponent);
        if (magnitude < 10)
            out += '0';
        char buffer[8];
        char *end = buffer + sizeof buffer;
        out.append(unsignedDigits(end, quint64(magnitude)), end);
    } else if (exponent < 0) {
        out += "0.";
        out.append(size_t(-exponent - 1), '0');
        out.append(digits, size_t(count));
    } else if (count <= exponent + 1) {
        out.append(digits, size_t(count));
        out.append(size_t(exponent + 1 - count), '0');
    } else {
        out.append(digits, size_t(exponent + 1));
        out += '.';
        out.append(digits + exponent + 1, size_t(count - exponent - 1));
    }
}

// Splits to_chars' scientific text "d.ddde+XX" (sign dropped) into its
// digits, without trailing zeros, and the exponent.
int splitScientific(const char *text, const char *end, char *digits, int *exponent)
{
    int count = 0;
    const char *p = text;
    for (; p < end && *p != 'e'; ++p) {
        if (*p != '.')
            digits[count++] = *p;
    }
    int e = 0;
    std::from_chars(p + 1 + (p[1] == '+'), end, e);
    *exponent = e;
    while (count > 1 && digits[count - 1] == '0')
        --count;
    return count;
}

} // namespace

void appendNumber(std::string &out, double value)
{
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    if (value == 0.0) {
        out += '0';
        return;
    }
    const bool negative = value < 0;
    const double magnitude = std::abs(value);
    if (magnitude < 1e15 && magnitude == std::floor(magnitude)) {
        if (negative)
            out += '-';
        char buffer[24];
        char *end = buffer + sizeof buffer;
        out.append(unsignedDigits(end, quint64(magnitude)), end);
        return;
    }
    // A value that is a decimal of up to four places, as a factor such as 0.1
    // or 0.25 gives them: when n / 10^k reads back as the value, n's digits are
    // the value's to 15 places (n has fewer than 16 digits).
    static const double Scales[] = { 1e1, 1e2, 1e3, 1e4 };
    static const quint64 Divisors[] = { 10, 100, 1000, 10000 };
    for (int k = 0; k < 4; ++k) {
        const double scaled = magnitude * Scales[k];
        if (scaled >= 1e15)
            break;
        const auto n = quint64(scaled + 0.5);
        if (double(n) / Scales[k] != magnitude)
            continue;
        char buffer[32];
        char *end = buffer + sizeof buffer;
        char *begin = unsignedDigits(end, n % Divisors[k] + Divisors[k]); // "1" and k digits
        *begin = '.';
        begin = unsignedDigits(begin, n / Divisors[k]);
        if (negative)
            *--begin = '-';
        out.append(begin, end);
        return;
    }
    if (magnitude < std::numeric_limits<double>::min()) { // subnormal: fewer digits are exact
        const QByteArray qt = QByteArray::number(value, 'g', 15);
        out.append(qt.constData(), size_t(qt.size()));
        return;
    }
    char text[48];
    char digits[24];
    int exponent = 0;
    // The shortest text that reads back as the value: when it has 15 digits or
    // fewer it is also the value rounded to 15 digits.
    auto result = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific);
    int count = splitScientific(text, result.ptr, digits, &exponent);
    if (count > 15) {
        // 16 or 17 digits: rounded at the 15th they give the value rounded
        // there, unless they are a tie themselves (a 5 and nothing after it),
        // where the value itself may lie on either side: that rare case goes to Qt.
        if (count == 16 && digits[15] == '5') {
            const QByteArray qt = QByteArray::number(value, 'g', 15);
            out.append(qt.constData(), size_t(qt.size()));
            return;
        }
        const bool up = digits[15] >= '5';
        count = 15;
        if (up) {
            int i = count - 1;
            while (i >= 0 && digits[i] == '9')
                digits[i--] = '0';
            if (i >= 0) {
                ++digits[i];
            } else { // 999... became 1000...
                digits[0] = '1';
                ++exponent;
            }
        }
        while (count > 1 && digits[count - 1] == '0')
            --count;
    }
    appendLaidOut(out, negative, digits, count, exponent);
}

void appendInteger(std::string &out, qint64 value)
{
    char buffer[24];
    char *end = buffer + sizeof buffer;
    char *begin = unsignedDigits(end, value < 0 ? 0 - quint64(value) : quint64(value));
    if (value < 0)
        *--begin = '-';
    out.append(begin, end);
}

void appendUnsigned(std::string &out, quint64 value)
{
    char buffer[24];
    char *end = buffer + sizeof buffer;
    out.append(unsignedDigits(end, value), end);
}

void appendHexIdentifier(std::string &out, quint32 identifier, int width)
{
    static const char hex[] = "0123456789ABCDEF";
    char buffer[8];
    int count = 0;
    do {
        buffer[7 - count++] = hex[identifier & 0xF];
        identifier >>= 4;
    } while (identifier);
    if (count < width)
        out.append(size_t(width - count), '0');
    out.append(buffer + 8 - count, size_t(count));
}

void appendCandumpTime(std::string &out, qint64 timestampUs)
{
    qint64 seconds = timestampUs / 1000000;
    qint64 micros = timestampUs % 1000000;
    if (micros < 0) {
        micros += 1000000;
        seconds -= 1;
    }
    appendInteger(out, seconds);
    char fraction[7];
    fraction[0] = '.';
    for (int i = 6; i >= 1; --i) {
        fraction[i] = char('0' + micros % 10);
        micros /= 10;
    }
    out.append(fraction, sizeof fraction);
}
