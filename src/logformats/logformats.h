#ifndef LOGFORMATS_H
#define LOGFORMATS_H

#include "capturerecord.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

// The log formats other CAN tools exchange, as pure functions over capture
// records: writers produce whole lines (or packets) so that a log can be
// appended record by record, readers never fail on a bad line.
enum class LogFormat { TextTable, Candump, VectorAsc, Pcap };

// The format a file name's extension asks for (.log, .asc, .pcap, .pcapng,
// case-insensitive); `fallback` for any other name.
LogFormat logFormatForFileName(const QString &fileName, LogFormat fallback);
// ".txt", ".log", ".asc", ".pcap"
QString logFormatExtension(LogFormat format);

// candump -l: "(1700000000.012345) can0 1ABCDEF0#0102030405060708 R\n"
QByteArray candumpLine(const CaptureRecord &record);

// Vector ASC as can-utils' log2asc writes it. The header names the absolute
// time of `baseTimeUs` (local time, English names); each line holds seconds
// since `baseTimeUs`.
QByteArray ascHeader(qint64 baseTimeUs);
QByteArray ascLine(const CaptureRecord &record, qint64 baseTimeUs);

// Classic pcap, link type 227 (SocketCAN): the file header, then one packet
// per record.
QByteArray pcapFileHeader();
QByteArray pcapPacket(const CaptureRecord &record);

// A whole file in one format, records oldest first. The text table is not
// written from records (it is the data view's own log).
QByteArray writeLog(LogFormat format, const std::vector<CaptureRecord> &records);

struct LogReadResult
{
    std::vector<CaptureRecord> records; // in file order, data never longer than 8 bytes
    int skippedLines = 0; // lines (or packets) that hold no frame this program can show
    QStringList skippedSamples; // the first few: "line N: reason"
    QString error; // non-empty when the file is not of the format at all
};

LogReadResult readCandumpLog(const QByteArray &content);
LogReadResult readAscLog(const QByteArray &content);
LogReadResult readPcap(const QByteArray &content);
// The program's own text table; its times of day are local times, the last
// row's on `date` (a log that ran past midnight started the days before).
LogReadResult readTextTable(const QByteArray &content, const QDate &date);

// Picks the reader by content (pcap magic, ASC header or lines, candump
// lines, text table), the file name's extension breaking ties.
LogReadResult readLog(const QString &fileName, const QByteArray &content, const QDate &fileDate);

#endif // LOGFORMATS_H
