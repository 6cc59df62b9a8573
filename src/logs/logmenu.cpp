#include "logmenu.h"

#include "capturestore.h"
#include "logfiles.h"

#include <QActionGroup>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QWidget>

namespace {
const char *const FormatKey = "autoSave/format";

struct FormatChoice
{
    LogFormat format;
    const char *key; // as stored in the settings file
    const char *objectName;
    const char *text;
};

const FormatChoice FormatChoices[] = {
    { LogFormat::TextTable, "text", "actionAutoSaveText",
      QT_TRANSLATE_NOOP("LogMenu", "文本表格") },
    { LogFormat::Candump, "candump", "actionAutoSaveCandump",
      QT_TRANSLATE_NOOP("LogMenu", "candump 日志") },
    { LogFormat::VectorAsc, "asc", "actionAutoSaveAsc",
      QT_TRANSLATE_NOOP("LogMenu", "Vector ASC") },
};
} // namespace

QString settingsFileName()
{
    return QStringLiteral("talvik.ini");
}

LogMenu::LogMenu(QMenuBar *menuBar, CaptureStore *capture, QWidget *window)
    : QObject(window), capture(capture), window(window), formatGroup(new QActionGroup(this))
{
    QMenu *fileMenu = menuBar->addMenu(tr("文件"));
    fileMenu->setObjectName(QStringLiteral("menuFile"));

    QAction *open = fileMenu->addAction(tr("打开日志…"), this, &LogMenu::openLog);
    open->setObjectName(QStringLiteral("actionOpenLog"));
    open->setShortcut(QKeySequence::Open);
    QAction *replay = fileMenu->addAction(tr("回放…"), this, &LogMenu::replayRequested);
    replay->setObjectName(QStringLiteral("actionReplay"));
    replay->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));

    QMenu *formatMenu = fileMenu->addMenu(tr("自动保存格式"));
    formatMenu->setObjectName(QStringLiteral("menuAutoSaveFormat"));
    formatGroup->setExclusive(true);
    const QString stored = QSettings(settingsFileName(), QSettings::IniFormat)
                                   .value(QLatin1String(FormatKey))
                                   .toString();
    for (const FormatChoice &choice : FormatChoices) {
        QAction *action = formatMenu->addAction(tr(choice.text));
        action->setObjectName(QLatin1String(choice.objectName));
        action->setCheckable(true);
        action->setData(QLatin1String(choice.key));
        action->setChecked(stored == QLatin1String(choice.key));
        formatGroup->addAction(action);
    }
    if (!formatGroup->checkedAction())
        formatGroup->actions().constFirst()->setChecked(true);
    connect(formatGroup, &QActionGroup::triggered, this, [](QAction *action) {
        QSettings(settingsFileName(), QSettings::IniFormat)
                .setValue(QLatin1String(FormatKey), action->data());
    });

    fileMenu->addSeparator();
    QAction *quit = fileMenu->addAction(tr("退出"), window, &QWidget::close);
    quit->setObjectName(QStringLiteral("actionQuit"));
    quit->setShortcut(QKeySequence::Quit);
}

LogFormat LogMenu::autoSaveFormat() const
{
    const QString key = formatGroup->checkedAction()->data().toString();
    for (const FormatChoice &choice : FormatChoices) {
        if (key == QLatin1String(choice.key))
            return choice.format;
    }
    return LogFormat::TextTable;
}

void LogMenu::openLog()
{
    const QString fileName =
            QFileDialog::getOpenFileName(window, tr("打开日志"), QDir::currentPath(),
                                         tr("CAN 日志 (*.log *.asc *.pcap *.txt);;所有文件 (*)"));
    if (fileName.isEmpty())
        return;
    LogReadResult log = readLogFile(fileName);
    if (!log.error.isEmpty()) {
        emit statusMessage(tr("无法打开日志 %1: %2").arg(fileName, log.error));
        return;
    }
    if (!capture->isEmpty()
        && QMessageBox::question(window, tr("打开日志"),
                                 tr("打开日志会替换当前捕获的 %1 帧, 继续吗?").arg(capture->size()))
                != QMessageBox::Yes)
        return;
    QString summary = logSummaryText(fileName, log);
    capture->replace(std::move(log.records));
    if (capture->droppedCount() > 0)
        summary += tr(", 最早的 %1 帧超出捕获容量, 未载入").arg(capture->droppedCount());
    emit logOpened(summary);
}
