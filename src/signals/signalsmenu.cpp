#include "signalsmenu.h"

#include "signalswindow.h"

#include <QMenu>
#include <QMenuBar>

SignalsMenu::SignalsMenu(QMenuBar *menuBar, CaptureStore *capture, QWidget *window)
    : QObject(window), signalWindow(new SignalsWindow(capture, window))
{
    QMenu *toolsMenu = menuBar->addMenu(tr("工具"));
    toolsMenu->setObjectName(QStringLiteral("menuTools"));
    QAction *show = toolsMenu->addAction(tr("信号…"), this, [this] {
        signalWindow->show();
        signalWindow->raise();
        signalWindow->activateWindow();
    });
    show->setObjectName(QStringLiteral("actionSignals"));
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
}
