#ifndef LOGMENU_H
#define LOGMENU_H

#include "logformats.h"

#include <QObject>

class CaptureStore;
class QAction;
class QActionGroup;
class QMenuBar;
class QWidget;

// The "文件" menu: open a log into the capture, replay it, the auto-save
// format (kept across starts in talvik.ini beside the other files), quit.
class LogMenu : public QObject
{
    Q_OBJECT

public:
    LogMenu(QMenuBar *menuBar, CaptureStore *capture, QWidget *window);

    LogFormat autoSaveFormat() const;

signals:
    // The capture now holds the log; `summary` names it, its frames, time span
    // and skipped lines.
    void logOpened(const QString &summary);
    void statusMessage(const QString &text);
    void replayRequested();

private:
    void openLog();

    CaptureStore *capture;
    QWidget *window;
    QActionGroup *formatGroup;
};

// The settings file beside cfg.txt.
QString settingsFileName();

#endif // LOGMENU_H
