#include "listfile.h"

#include <QFile>
#include <QSaveFile>

QByteArray readFileLine(QIODevice &file)
{
    const bool atStart = file.pos() == 0;
    QByteArray line = file.readLine();
    if (atStart && line.startsWith("\xEF\xBB\xBF"))
        line.remove(0, 3);
    return line;
}

QStringList splitListLine(const QByteArray &line)
{
    return QString::fromUtf8(line).simplified().split(QLatin1Char(','), Qt::KeepEmptyParts);
}

std::optional<QList<QStringList>> readListFile(const QString &fileName, int minFields)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    return readListLines(file, minFields);
}

QList<QStringList> readListLines(QIODevice &device, int minFields)
{
    QList<QStringList> rows;
    while (!device.atEnd()) {
        const QStringList fields = splitListLine(readFileLine(device));
        if (fields.size() < minFields)
            break;
        rows.append(fields);
    }
    return rows;
}

std::optional<QStringList> readReceiveIdFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    return readReceiveIdLines(file);
}

QStringList readReceiveIdLines(QIODevice &device)
{
    QStringList identifiers;
    while (!device.atEnd()) {
        const QString line = QString::fromUtf8(readFileLine(device)).trimmed();
        if (line.isEmpty())
            break;
        identifiers.append(line);
    }
    return identifiers;
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
