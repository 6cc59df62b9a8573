#include "texttableautosave.h"
#include "logline.h"

#include <QDateTime>
#include <QFile>
#include <QTimer>

namespace {
constexpr int AppendIntervalMs = 1000;
}

TextTableAutoSave::TextTableAutoSave(HeaderLine header, RowLines lines, QObject *parent)
    : QObject(parent),
      headerLine(std::move(header)),
      rowLines(std::move(lines)),
      timer(new QTimer(this))
{
    timer->setObjectName(QStringLiteral("autoSaveTimer")); // tests flush through it
    connect(timer, &QTimer::timeout, this, &TextTableAutoSave::appendPendingRows);
}

// Starts a new dated file holding the header line. Two files started within
// one millisecond would share a name; the later one takes the next free one.
bool TextTableAutoSave::startFile()
{
    QDateTime time = QDateTime::currentDateTime();
    QString name = autoSaveFileNameAt(time);
    while (name == currentFile || autoSaveNameTaken(name)) {
        time = time.addMSecs(1);
        name = autoSaveFileNameAt(time);
    }
    currentFile = name;
    QFile file(currentFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Text)) // never through a link
        return false;
    return file.write(headerLine().toUtf8()) >= 0;
}

bool TextTableAutoSave::start(int cursorRow, int rowLimit)
{
    if (!startFile())
        return false;
    QFile file(currentFile);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        file.write(rowLines(0, cursorRow).toUtf8());
    rows.start(cursorRow, rowLimit);
    timer->start(AppendIntervalMs);
    return true;
}

void TextTableAutoSave::stop()
{
    if (!rows.isOn())
        return;
    timer->stop();
    appendPendingRows(); // rows written while it was on are not left out
    rows.stop();
}

// A whole table of rows is pending: append them before the cursor's row is overwritten.
void TextTableAutoSave::rowAboutToBeOverwritten(int cursorRow)
{
    if (!rows.wholeTablePending())
        return;
    appendPendingRows();
    if (rows.wholeTablePending())
        rows.giveUp(cursorRow); // the failure is on the status bar
}

void TextTableAutoSave::viewAboutToClear()
{
    if (!rows.isOn())
        return;
    appendPendingRows();
    rows.viewCleared();
}

// Appends the rows written since the last append, in the order they were
// written: the end of a pass over the table to the current file, the rest to
// a new one.
void TextTableAutoSave::appendPendingRows()
{
    for (;;) {
        if (rows.newFileDue()) {
            if (!startFile()) {
                emit statusMessage(tr("无法创建自动保存文件") + currentFile);
                return;
            }
            rows.newFileStarted();
        }
        if (rows.pendingRows() == 0)
            return;
        const AutoSaveRows::Span span = rows.nextSpan();
        QFile file(currentFile);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)
            || file.write(rowLines(span.firstRow, span.count).toUtf8()) < 0) {
            emit statusMessage(tr("保存失败: ") + currentFile); // tried again next time
            return;
        }
        rows.appended(span);
    }
}
