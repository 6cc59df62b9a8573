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
// The signals window is shown first: the question is about what it shows,
// and a save that fails says why on it.
bool SignalsMenu::eventFilter(QObject *watched, QEvent *event)
{
    DbcEditor *editor = signalWindow->databaseEditor();
    if (event->type() != QEvent::Close || watched != parent() || !editor->document().isModified())
        return QObject::eventFilter(watched, event);
    signalWindow->show();
    signalWindow->raise();
    if (editor->settleUnsavedChanges())
        return QObject::eventFilter(watched, event);
    event->ignore();
    return true;
}
