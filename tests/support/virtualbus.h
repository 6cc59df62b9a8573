#ifndef VIRTUALBUS_H
#define VIRTUALBUS_H

#include <QHostAddress>
#include <QString>
#include <QTcpServer>

// A bus of Qt's virtual CAN plugin on a local port that was free a moment
// ago, so that test programs running side by side never share a bus.
inline QString freeVirtualBus()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return QStringLiteral("tcp://127.0.0.1:%1/can0").arg(probe.serverPort());
}

#endif // VIRTUALBUS_H
