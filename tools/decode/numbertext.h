#ifndef NUMBERTEXT_H
#define NUMBERTEXT_H

#include <QtGlobal>

#include <string>

// Numbers appended as text without allocating, for output written a million
// lines a second.

// As QByteArray::number(value, 'g', 15) writes it: 15 significant digits, a
// tie rounded away from zero, trailing zeros dropped, the exponent form below
// 1e-4 and from 1e15; "0" for negative zero, "null" for infinities and NaN.
void appendNumber(std::string &out, double value);

void appendInteger(std::string &out, qint64 value);
void appendUnsigned(std::string &out, quint64 value);
// Upper-case hexadecimal, zero-padded to `width` digits.
void appendHexIdentifier(std::string &out, quint32 identifier, int width);
// "1700000000.012345": seconds and six digits of microseconds, as candump writes the time.
void appendCandumpTime(std::string &out, qint64 timestampUs);

#endif // NUMBERTEXT_H
