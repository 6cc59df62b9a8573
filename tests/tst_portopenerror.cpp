#include "language.h"
#include "portopenerror.h"
#include "pseudoterminal.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Why a port did not open, from real failed opens of pseudo-terminals.
class tst_PortOpenError : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void missingDevice_data();
    void missingDevice();
    void portInUse();
    void permissionDenied();
    void texts_data();
    void texts();
};

Q_DECLARE_METATYPE(UiLanguage)

namespace {
PortOpenProblem failedOpen(const QString &name)
{
    QSerialPort port(name);
    if (port.open(QIODevice::ReadWrite))
        return PortOpenProblem(); // opened: Other, with no text
    return portOpenProblem(name, port.error(), port.errorString());
}

// Opens `path` as the user "nobody" in a child process: the answer of an
// ordinary user, also when the suite runs as root.
PortOpenProblem failedOpenAsNobody(const QString &path)
{
    const struct passwd *nobody = ::getpwnam("nobody");
    if (!nobody)
        return PortOpenProblem();
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return PortOpenProblem();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0
            || ::setuid(nobody->pw_uid) != 0)
            ::_exit(1);
        const PortOpenProblem problem = failedOpen(path);
        const QByteArray answer = QByteArray::number(problem.reason) + ' ' + problem.group.toUtf8();
        const bool written =
                ::write(pipeFds[1], answer.constData(), size_t(answer.size())) == answer.size();
        ::_exit(written ? 0 : 1);
    }
    ::close(pipeFds[1]);
    char buffer[256];
    const ssize_t count = ::read(pipeFds[0], buffer, sizeof buffer);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    PortOpenProblem problem;
    if (count <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return problem;
    const QString answer = QString::fromUtf8(buffer, int(count));
    problem.reason = PortOpenProblem::Reason(answer.section(' ', 0, 0).toInt());
    problem.group = answer.section(' ', 1);
    return problem;
}
} // namespace

void tst_PortOpenError::cleanup()
{
    installUiLanguage(UiLanguage::Chinese);
}

// Names of ports that do not exist: the device path the message names.
void tst_PortOpenError::missingDevice_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("bare name") << "ttyTALVIK9"
                               << "/dev/ttyTALVIK9";
    QTest::newRow("path") << "/dev/talvik-no-such-port"
                          << "/dev/talvik-no-such-port";
    QTest::newRow("missing folder") << "/tmp/talvik-no-dir/tty"
                                    << "/tmp/talvik-no-dir/tty";
    QTest::newRow("relative") << "./talvik-no-link"
                              << "./talvik-no-link";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_PortOpenError::missingDevice()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(portDevicePath(name), path);
    const PortOpenProblem problem = failedOpen(name);
    QCOMPARE(problem.reason, PortOpenProblem::NoSuchDevice);
    QCOMPARE(problem.devicePath, path);
}

// A port another program holds open (with its lock and in exclusive mode).
void tst_PortOpenError::portInUse()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    QSerialPort holder(pty.slavePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    const PortOpenProblem problem = failedOpen(pty.slavePath());
    QCOMPARE(problem.reason, PortOpenProblem::InUse);
    holder.close();
    QCOMPARE(failedOpen(pty.slavePath()).reason, PortOpenProblem::Other); // opens again
}

// A device file whose mode refuses the user: the group owning it is named.
void tst_PortOpenError::permissionDenied()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    const QByteArray path = QFile::encodeName(pty.slavePath());
    QVERIFY(::chmod(path.constData(), 0660) == 0); // owner and group only
    const QString group = QFileInfo(pty.slavePath()).group();
    QVERIFY(!group.isEmpty());

    PortOpenProblem problem;
    if (::geteuid() == 0) {
        if (!::getpwnam("nobody"))
            QSKIP("running as root and there is no user \"nobody\" to open the port as");
        problem = failedOpenAsNobody(pty.slavePath());
    } else {
        QVERIFY(::chmod(path.constData(), 0) == 0); // refuses the owner too
        problem = failedOpen(pty.slavePath());
    }
    QCOMPARE(problem.reason, PortOpenProblem::PermissionDenied);
    QCOMPARE(problem.group, group);
}

void tst_PortOpenError::texts_data()
{
    QTest::addColumn<UiLanguage>("language");
    QTest::addColumn<int>("reason");
    QTest::addColumn<QString>("expected");

    const auto zh = UiLanguage::Chinese;
    const auto en = UiLanguage::English;
    const int missing = PortOpenProblem::NoSuchDevice;
    const int denied = PortOpenProblem::PermissionDenied;
    const int inUse = PortOpenProblem::InUse;
    const int other = PortOpenProblem::Other;
    QTest::newRow("zh missing") << zh << missing << "没有这个设备：/dev/ttyUSB0";
    QTest::newRow("en missing") << en << missing << "no such device: /dev/ttyUSB0";
    QTest::newRow("zh denied")
            << zh << denied
            << "没有访问权限：/dev/ttyUSB0 属于 uucp 组，请运行“sudo usermod -aG "
               "uucp $USER”，然后注销并重新登录";
    QTest::newRow("en denied") << en << denied
                               << "permission denied: /dev/ttyUSB0 belongs to group uucp; run "
                                  "\"sudo usermod -aG uucp $USER\", then log out and in";
    QTest::newRow("en in use") << en << inUse << "in use by another program: /dev/ttyUSB0";
    QTest::newRow("zh in use") << zh << inUse << "端口正被其他程序使用：/dev/ttyUSB0";
    QTest::newRow("en other") << en << other << "Unknown error";
}

void tst_PortOpenError::texts()
{
    QFETCH(UiLanguage, language);
    QFETCH(int, reason);
    QFETCH(QString, expected);

    QVERIFY(installUiLanguage(language));
    PortOpenProblem problem;
    problem.reason = PortOpenProblem::Reason(reason);
    problem.devicePath = QStringLiteral("/dev/ttyUSB0");
    problem.group = QStringLiteral("uucp");
    problem.systemText = QStringLiteral("Unknown error");
    QCOMPARE(portOpenProblemText(problem), expected);
}

QTEST_GUILESS_MAIN(tst_PortOpenError)
#include "tst_portopenerror.moc"
