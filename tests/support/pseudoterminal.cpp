#include "pseudoterminal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        master = slave = -1;
        return;
    }
    path = QString::fromLocal8Bit(name);
    // Raw until the window applies its own settings, so nothing is echoed back.
    termios tio{};
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
    if (slave >= 0)
        ::close(slave);
}

QByteArray PseudoTerminal::read(int count, int timeoutMs)
{
    QByteArray bytes;
    QDeadlineTimer deadline(timeoutMs);
    while (master >= 0 && bytes.size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pollfd pfd{ master, POLLIN, 0 };
        if (::poll(&pfd, 1, 5) <= 0)
            continue;
        char chunk[4096];
        const ssize_t got = ::read(master, chunk, sizeof chunk);
        if (got > 0)
            bytes.append(chunk, got);
    }
    return bytes;
}

QByteArray PseudoTerminal::readAll(int quietMs)
{
    QByteArray bytes, chunk;
    while (!(chunk = read(1 << 20, quietMs)).isEmpty())
        bytes += chunk;
    return bytes;
}

bool PseudoTerminal::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    QDeadlineTimer deadline(5000);
    while (master >= 0 && done < bytes.size() && !deadline.hasExpired()) {
        const ssize_t put = ::write(master, bytes.constData() + done, bytes.size() - done);
        if (put > 0)
            done += put;
        else if (put < 0 && errno != EAGAIN)
            return false;
        else
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return done == bytes.size();
}

void PseudoTerminal::closeMaster()
{
    if (master >= 0)
        ::close(master);
    master = -1;
}

int PseudoTerminal::baudRate() const
{
    return slave >= 0 ? lineSpeed(slave) : 0;
}
