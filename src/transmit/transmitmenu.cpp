#include "transmitmenu.h"

#include "transmitwindow.h"

#include <QMenu>
#include <QMenuBar>

TransmitMenu::TransmitMenu(QMenuBar *menuBar, QWidget *window)
    : QObject(window), transmitWindow(new TransmitWindow(window))
{
    QMenu *toolsMenu = menuBar->findChild<QMenu *>(QStringLiteral("menuTools"));
    if (!toolsMenu) {
        toolsMenu = menuBar->addMenu(tr("工具"));
        toolsMenu->setObjectName(QStringLiteral("menuTools"));
    }
    QAction *show = toolsMenu->addAction(tr("发送报文…"), this, [this] {
        transmitWindow->show();
        transmitWindow->raise();
        transmitWindow->activateWindow();
    });
    show->setObjectName(QStringLiteral("actionTransmit"));
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
}
