#include "slcanmenu.h"

#include "canbus.h"
#include "slcanbridge.h"

#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>

SlcanMenu::SlcanMenu(QMenuBar *menuBar, CanBus *bus, QObject *parent)
    : QObject(parent), bus(bus), slcanBridge(new SlcanBridge(bus, this))
{
    QMenu *toolsMenu = menuBar->findChild<QMenu *>(QStringLiteral("menuTools"));
    if (!toolsMenu) {
        toolsMenu = menuBar->addMenu(tr("工具"));
        toolsMenu->setObjectName(QStringLiteral("menuTools"));
    }
    action = toolsMenu->addAction(tr("SLCAN 桥"));
    action->setObjectName(QStringLiteral("actionSlcanBridge"));
    action->setCheckable(true);
    connect(action, &QAction::toggled, this, &SlcanMenu::switchBridge);
    connect(slcanBridge, &SlcanBridge::frameSent, this, &SlcanMenu::frameSent);
    connect(bus, &CanBus::aboutToClose, this, [this] { action->setChecked(false); });
}

void SlcanMenu::switchBridge(bool on)
{
    if (!on) {
        if (!slcanBridge->isRunning())
            return;
        slcanBridge->stop();
        emit statusMessage(tr("SLCAN 桥已关闭"));
        return;
    }
    if (!bus->isOpen()) {
        action->setChecked(false);
        emit statusMessage(tr("请先打开端口，再启动SLCAN 桥"));
        return;
    }
    if (link.isEmpty()) {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (runtime.isEmpty()) {
            action->setChecked(false);
            emit statusMessage(tr("SLCAN 桥未能启动：没有仅属于本用户的运行目录（XDG_RUNTIME_DIR）"));
            return;
        }
        link = QDir(runtime).filePath(QLatin1String(LinkName));
    }
    QString error;
    if (!slcanBridge->start(link, &error)) {
        action->setChecked(false);
        emit statusMessage(tr("SLCAN 桥未能启动：%1").arg(error));
        return;
    }
    emit statusMessage(tr("SLCAN 桥：%1（%2）").arg(link, slcanBridge->terminalPath()));
}
