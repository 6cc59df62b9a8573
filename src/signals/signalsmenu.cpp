#include "signalsmenu.h"

#include "dbceditor.h"
#include "signalswindow.h"

#include <QEvent>
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

// The main window's close, refused while the user goes back to the changes.
bool SignalsMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close && watched == parent()
        && !signalWindow->databaseEditor()->settleUnsavedChanges()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
