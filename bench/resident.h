#ifndef RESIDENT_H
#define RESIDENT_H

#include <QFile>

// The process's resident memory in MB, from /proc/self/statm.
inline double residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 / 1e6 : 0;
}

#endif // RESIDENT_H
