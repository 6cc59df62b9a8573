#include "logline.h"

#include <QFileInfo>

QString logLine(const QStringList &texts, const QStringList &padBlanks)
{
    QString line;
    line.reserve(texts.size() * 20 + 1);
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString &text = texts.at(i);
        line += text;
        if (text.size() < padBlanks.size())
            line += padBlanks.at(text.size());
        else if (i + 1 < texts.size())
            line += QLatin1Char(' '); // a long cell (an error's words) stays apart from the next
    }
    line += QLatin1Char('\n');
    return line;
}

QString autoSaveFileNameAt(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyyMMdd_hhmmss_zzz")) + QStringLiteral(".txt");
}

bool autoSaveNameTaken(const QString &name)
{
    const QFileInfo info(name);
    return info.exists() || info.isSymLink();
}
