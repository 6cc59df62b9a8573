#include "terminallink.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// What a symbolic link points to, as written in it.
QByteArray linkTarget(const QByteArray &path)
{
    QByteArray target(4096, '\0');
    const ssize_t size = ::readlink(path.constData(), target.data(), size_t(target.size()));
    if (size < 0)
        return {};
    target.truncate(qsizetype(size));
    return target;
}

// The guard of a link path: held by the program whose link it is, -1 when
// another process holds it.
int takeGuard(const QString &linkPath)
{
    const QByteArray name = "talvik-terminal-link/"
            + QCryptographicHash::hash(QFile::encodeName(QFileInfo(linkPath).absoluteFilePath()),
                                       QCryptographicHash::Sha1)
                      .toHex();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.constData(), size_t(name.size())); // abstract: no file
    const auto size = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr *>(&address), size) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QString refusal(const QString &linkPath, const QString &what)
{
    return QStringLiteral("%1 %2: left as it is; name a path where nothing is")
            .arg(linkPath, what);
}

// Why the place cannot be taken; `guardFree`: no running program holds its guard.
QString placeProblem(const QString &linkPath, bool guardFree)
{
    const QByteArray path = QFile::encodeName(linkPath);
    struct stat info{};
    if (::lstat(path.constData(), &info) != 0) {
        if (errno != ENOENT)
            return QStringLiteral("cannot look at %1: %2").arg(linkPath, qt_error_string(errno));
        return guardFree ? QString() : refusal(linkPath, QStringLiteral("is the name of a bridge still running"));
    }
    if (S_ISREG(info.st_mode))
        return refusal(linkPath, QStringLiteral("is a file"));
    if (S_ISDIR(info.st_mode))
        return refusal(linkPath, QStringLiteral("is a folder"));
    if (!S_ISLNK(info.st_mode))
        return refusal(linkPath, QStringLiteral("is a device or other special file"));
    const QString target = QFile::decodeName(linkTarget(path));
    if (!target.startsWith(QLatin1String("/dev/pts/")))
        return refusal(linkPath, QStringLiteral("links to %1").arg(target));
    if (!guardFree)
        return refusal(linkPath,
                       QStringLiteral("links to %1, the terminal of a bridge still running").arg(target));
    return {}; // left behind by a program that has ended
}

} // namespace

QString terminalLinkProblem(const QString &linkPath)
{
    const int probe = takeGuard(linkPath);
    const QString problem = placeProblem(linkPath, probe >= 0);
    if (probe >= 0)
        ::close(probe);
    return problem;
}

bool TerminalLink::make(const QString &terminalPath, const QString &linkPath, QString *error)
{
    remove();
    const int held = takeGuard(linkPath);
    *error = placeProblem(linkPath, held >= 0);
    const QByteArray path = QFile::encodeName(linkPath);
    struct stat info{};
    if (error->isEmpty() && ::lstat(path.constData(), &info) == 0 && ::unlink(path.constData()) != 0)
        *error = QStringLiteral("cannot remove the stale link %1: %2")
                         .arg(linkPath, qt_error_string(errno));
    // symlink() neither follows nor replaces what may have appeared since the look.
    if (error->isEmpty()
        && ::symlink(QFile::encodeName(terminalPath).constData(), path.constData()) != 0)
        *error = QStringLiteral("cannot make the link %1: %2").arg(linkPath, qt_error_string(errno));
    if (!error->isEmpty()) {
        if (held >= 0)
            ::close(held);
        return false;
    }
    guard = held;
    link = linkPath;
    terminal = terminalPath;
    return true;
}

void TerminalLink::remove()
{
    if (guard < 0)
        return;
    const QByteArray path = QFile::encodeName(link);
    struct stat info{};
    if (::lstat(path.constData(), &info) == 0 && S_ISLNK(info.st_mode)
        && linkTarget(path) == QFile::encodeName(terminal))
        ::unlink(path.constData());
    ::close(guard);
    guard = -1;
}
