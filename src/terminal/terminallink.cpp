#include "terminallink.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>
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

// A link this kind of program leaves behind when it ends without cleaning up.
bool isStaleTerminalLink(const QByteArray &target)
{
    struct stat info{};
    return target.startsWith("/dev/pts/") && ::lstat(target.constData(), &info) != 0
            && errno == ENOENT;
}

QString refusal(const QString &linkPath, const QString &what)
{
    return QStringLiteral("%1 %2: left as it is; name a path where nothing is")
            .arg(linkPath, what);
}

} // namespace

QString terminalLinkProblem(const QString &linkPath)
{
    const QByteArray path = QFile::encodeName(linkPath);
    struct stat info{};
    if (::lstat(path.constData(), &info) != 0) {
        if (errno == ENOENT)
            return {};
        return QStringLiteral("cannot look at %1: %2").arg(linkPath, qt_error_string(errno));
    }
    if (S_ISREG(info.st_mode))
        return refusal(linkPath, QStringLiteral("is a file"));
    if (S_ISDIR(info.st_mode))
        return refusal(linkPath, QStringLiteral("is a folder"));
    if (!S_ISLNK(info.st_mode))
        return refusal(linkPath, QStringLiteral("is a device or other special file"));
    const QByteArray target = linkTarget(path);
    if (isStaleTerminalLink(target))
        return {};
    if (target.startsWith("/dev/pts/"))
        return refusal(linkPath, QStringLiteral("links to %1, a terminal in use (another bridge?)")
                                         .arg(QFile::decodeName(target)));
    return refusal(linkPath, QStringLiteral("links to %1").arg(QFile::decodeName(target)));
}

bool makeTerminalLink(const QString &terminalPath, const QString &linkPath, QString *error)
{
    *error = terminalLinkProblem(linkPath);
    if (!error->isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(linkPath);
    struct stat info{};
    if (::lstat(path.constData(), &info) == 0 && ::unlink(path.constData()) != 0 && errno != ENOENT) {
        *error = QStringLiteral("cannot remove the stale link %1: %2")
                         .arg(linkPath, qt_error_string(errno));
        return false;
    }
    // symlink() neither follows nor replaces what may have appeared since the look.
    if (::symlink(QFile::encodeName(terminalPath).constData(), path.constData()) != 0) {
        *error = QStringLiteral("cannot make the link %1: %2").arg(linkPath, qt_error_string(errno));
        return false;
    }
    return true;
}

void removeTerminalLink(const QString &linkPath, const QString &terminalPath)
{
    const QByteArray path = QFile::encodeName(linkPath);
    struct stat info{};
    if (::lstat(path.constData(), &info) == 0 && S_ISLNK(info.st_mode)
        && linkTarget(path) == QFile::encodeName(terminalPath))
        ::unlink(path.constData());
}
