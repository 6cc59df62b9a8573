#include "logline.h"

QString logLine(const QStringList &texts, const QStringList &padBlanks)
{
    QString line;
    line.reserve(texts.size() * 20 + 1);
    for (const QString &text : texts) {
        line += text;
        if (text.size() < padBlanks.size())
            line += padBlanks.at(text.size());
    }
    line += QLatin1Char('\n');
    return line;
}

QString autoSaveFileNameAt(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyyMMdd_hhmmss_zzz")) + QStringLiteral(".txt");
}
