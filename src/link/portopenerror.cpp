#include "portopenerror.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

QString portDevicePath(const QString &portName)
{
    if (portName.isEmpty())
        return QString();
    if (portName.startsWith(QLatin1Char('/')) || portName.startsWith(QLatin1String("./"))
        || portName.startsWith(QLatin1String("../")))
        return portName;
    return QLatin1String("/dev/") + portName;
}

PortOpenProblem portOpenProblem(const QString &portName, QSerialPort::SerialPortError error,
                                const QString &errorString)
{
    PortOpenProblem problem;
    problem.devicePath = portDevicePath(portName);
    problem.systemText = errorString;
    const QByteArray path = QFile::encodeName(problem.devicePath);

    if (portName.isEmpty()) {
        problem.reason = PortOpenProblem::NoSuchDevice;
        return problem;
    }
    struct stat status;
    if (::stat(path.constData(), &status) != 0) {
        problem.reason =
                errno == EACCES ? PortOpenProblem::PermissionDenied : PortOpenProblem::NoSuchDevice;
        return problem;
    }
    if (::faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS) != 0 && errno == EACCES) {
        problem.reason = PortOpenProblem::PermissionDenied;
        if (const struct group *owner = ::getgrgid(status.st_gid))
            problem.group = QString::fromLocal8Bit(owner->gr_name);
        else
            problem.group = QString::number(status.st_gid);
        return problem;
    }
    // Allowed to open it, yet refused: another program holds it (its lock
    // file, or the exclusive mode a serial port is opened in).
    if (error == QSerialPort::PermissionError || error == QSerialPort::ResourceError) {
        problem.reason = PortOpenProblem::InUse;
        return problem;
    }
    problem.reason = error == QSerialPort::DeviceNotFoundError ? PortOpenProblem::NoSuchDevice
                                                               : PortOpenProblem::Other;
    return problem;
}

QString portOpenProblemText(const PortOpenProblem &problem)
{
    switch (problem.reason) {
    case PortOpenProblem::NoSuchDevice:
        if (problem.devicePath.isEmpty())
            return QCoreApplication::translate("PortOpenProblem", "没有选择端口");
        return QCoreApplication::translate("PortOpenProblem", "没有这个设备：%1")
                .arg(problem.devicePath);
    case PortOpenProblem::PermissionDenied:
        if (problem.group.isEmpty())
            return QCoreApplication::translate("PortOpenProblem", "没有访问权限：%1")
                    .arg(problem.devicePath);
        return QCoreApplication::translate(
                       "PortOpenProblem",
                       "没有访问权限：%1 属于 %2 组，请运行“sudo usermod -aG %2 $USER”，"
                       "然后注销并重新登录")
                .arg(problem.devicePath, problem.group);
    case PortOpenProblem::InUse:
        return QCoreApplication::translate("PortOpenProblem", "端口正被其他程序使用：%1")
                .arg(problem.devicePath);
    case PortOpenProblem::Other:
        break;
    }
    return problem.systemText;
}
