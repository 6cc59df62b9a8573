#include "windowtest.h"

#include <QComboBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

void openPort(QWidget *window, const QString &path, const QString &baud)
{
    auto *port = child<QComboBox>(window, "cbBoxPort");
    port->setEditText(path);
    child<QComboBox>(window, "cbBoxBps")->setCurrentText(baud);
    QTest::mouseClick(child<QPushButton>(window, "btnOpenClose"), Qt::LeftButton);
}

QString statusText(QWidget *window)
{
    return child<QStatusBar>(window, "statusbar")->currentMessage();
}
