#ifndef DIAGMENU_H
#define DIAGMENU_H

#include <QObject>

class CaptureStore;
class DiagWindow;
class QMenuBar;
class QWidget;

// "工具" → "诊断…": shows the diagnostics window, built once.
class DiagMenu : public QObject
{
    Q_OBJECT

public:
    DiagMenu(QMenuBar *menuBar, CaptureStore *capture, QWidget *window);

    DiagWindow *window() const { return diagWindow; }

private:
    DiagWindow *diagWindow;
};

#endif // DIAGMENU_H
