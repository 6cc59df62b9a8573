#ifndef PORTOPENERROR_H
#define PORTOPENERROR_H

#include <QSerialPort>
#include <QString>

// Why a serial port did not open, told from the port's error and the
// device file's status.
struct PortOpenProblem
{
    enum Reason { NoSuchDevice, PermissionDenied, InUse, Other };
    Reason reason = Other;
    QString devicePath;
    QString group; // permission denied: the group owning the device file
    QString systemText; // other: the port's own error text
};

// The device file a port name stands for: a path as it is, a bare name under /dev.
QString portDevicePath(const QString &portName);

// To be called right after open() failed, with the port's error and error text.
PortOpenProblem portOpenProblem(const QString &portName, QSerialPort::SerialPortError error,
                                const QString &errorString);

// The reason in the UI language, with the fix for a permission problem.
QString portOpenProblemText(const PortOpenProblem &problem);

#endif // PORTOPENERROR_H
