#include "listfile.h"

#include <QFile>
#include <QSaveFile>

QStringList splitListLine(const QByteArray &line)
{
    return QString::fromUtf8(line).simplified().split(QLatin1Char(','), Qt::KeepEmptyParts);
}

std::optional<QList<QStringList>> readListFile(const QString &fileName, int minFields)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QList<QStringList> rows;
    while (!file.atEnd()) {
        const QStringList fields = splitListLine(file.readLine());
        if (fields.size() < minFields)
            break;
        rows.append(fields);
    }
    return rows;
}

QString listFileText(const QList<QStringList> &rows)
{
    QString text;
    for (const QStringList &fields : rows) {
        text += fields.join(QLatin1Char(','));
        text += QLatin1Char('\n');
    }
    return text;
}

bool writeFileAtomically(const QString &fileName, const QString &content)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QByteArray bytes = content.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
