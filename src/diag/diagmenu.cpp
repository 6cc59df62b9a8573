#include "diagmenu.h"

#include "diagwindow.h"

#include <QMenu>
#include <QMenuBar>

DiagMenu::DiagMenu(QMenuBar *menuBar, CaptureStore *capture, QWidget *window)
    : QObject(window), diagWindow(new DiagWindow(capture, window))
{
    QMenu *toolsMenu = menuBar->findChild<QMenu *>(QStringLiteral("menuTools"));
    if (!toolsMenu) {
        toolsMenu = menuBar->addMenu(tr("工具"));
        toolsMenu->setObjectName(QStringLiteral("menuTools"));
    }
    QAction *show = toolsMenu->addAction(tr("诊断…"), this, [this] {
        diagWindow->show();
        diagWindow->raise();
        diagWindow->activateWindow();
    });
    show->setObjectName(QStringLiteral("actionDiagnostics"));
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
}
