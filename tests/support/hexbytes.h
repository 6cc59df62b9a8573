#ifndef HEXBYTES_H
#define HEXBYTES_H

#include <QByteArray>

// Bytes written as in the converter's documentation: "AA 55 01 ...".
inline QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

#endif // HEXBYTES_H
