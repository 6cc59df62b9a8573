#include "commandline.h"
#include "language.h"
#include "portopenerror.h"
#include "windowtest.h"

#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

namespace {
PortOpenProblem failedOpen(const QString &name)
{
    QSerialPort port(name);
    if (port.open(QIODevice::ReadWrite))
        return PortOpenProblem(); // opened: Other, with no text
    return portOpenProblem(name, port.error(), port.errorString());
}
} // namespace

// The window as it starts; opening, closing and losing the converter's port, and why a port
// did not open, from real failed opens of pseudo-terminals.
class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startingWindow();
    void opensAtEveryBaudRate_data();
    void opensAtEveryBaudRate();
    void failedOpenChangesNothing_data();
    void failedOpenChangesNothing();
    void lostDeviceClosesThePortOnce();
    void cleanup();
    void missingDevice_data();
    void missingDevice();
    void portInUse();
    void texts_data();
    void texts();
};

Q_DECLARE_METATYPE(UiLanguage)

// What the port's state switches: the button's text, the two commands, the port.
static QString portControls(WindowFixture &f)
{
    return QString("%1 %2 %3 %4")
            .arg(f.get<QPushButton>("btnOpenClose")->text())
            .arg(f.get<QPushButton>("btnSetStart")->isEnabled())
            .arg(f.get<QPushButton>("btnCANBusStatus")->isEnabled())
            .arg(f.window->findChild<QSerialPort *>()->isOpen());
}

void tst_MainWindow::startingWindow()
{
    WindowFixture f;
    MainWindow *window = f.start(false);
    QCOMPARE(window->windowTitle(), QString("TALVIK V2.12"));
    // The menu bar's height is added, so the central area keeps the form's size.
    const int grown = window->menuBar()->sizeHint().height() - QMenuBar().sizeHint().height();
    QCOMPARE(window->size(), QSize(1234, 708 + grown));
    QVERIFY(!f.get<QWidget>("checkBoxOverlayDisplay")->isEnabled());
    QCOMPARE(portControls(f), QString("打开端口 0 0 0"));
    // Below the steps of the help: the version and the folder the files live in.
    const QString usage = f.get<QPlainTextEdit>("plainTextEdit_2")->toPlainText();
    QVERIFY(usage.startsWith("使用说明："));
    QVERIFY(usage.endsWith("\n\n" + ProgramInfo::text(QDir::currentPath())));
}

void tst_MainWindow::opensAtEveryBaudRate_data()
{
    QTest::addColumn<int>("baud");
    for (int baud : { 2000000, 1228800, 115200, 38400, 19200, 9600 })
        QTest::addRow("%d", baud) << baud;
}

void tst_MainWindow::opensAtEveryBaudRate()
{
    QFETCH(int, baud);
    WindowFixture f(false);
    openPort(f.window, f.pty.slavePath(), QString::number(baud));
    QCOMPARE(f.status() + " " + portControls(f), QString("端口正常打开 关闭 1 1 1"));
    QCOMPARE(f.pty.baudRate(), baud);
    f.click("btnFind"); // a scan leaves the open port alone
    QCOMPARE(portControls(f), QString("关闭 1 1 1"));
    f.click("btnOpenClose");
    QCOMPARE(f.status() + " " + portControls(f), QString("端口已关闭 打开 0 0 0"));
    f.click("btnOpenClose"); // and it opens again
    QCOMPARE(portControls(f), QString("关闭 1 1 1"));
}

void tst_MainWindow::failedOpenChangesNothing_data()
{
    QTest::addColumn<QString>("portName");
    QTest::newRow("missing device") << "/dev/talvik-no-such-port";
    QTest::newRow("empty name") << "";
}

void tst_MainWindow::failedOpenChangesNothing()
{
    QFETCH(QString, portName);
    WindowFixture f(false);
    openPort(f.window, portName);
    QVERIFY2(f.status().startsWith("COM端口可能不存在或已被占用，请检查（没有"),
             qPrintable(f.status()));
    QCOMPARE(portControls(f), QString("打开端口 0 0 0"));
    openPort(f.window, f.pty.slavePath()); // a second press tries what the boxes hold now
    QCOMPARE(portControls(f), QString("关闭 1 1 1"));
}

void tst_MainWindow::lostDeviceClosesThePortOnce()
{
    WindowFixture f(true);
    QSignalSpy errors(f.window->findChild<QSerialPort *>(), &QSerialPort::errorOccurred);
    f.pty.closeMaster();
    QTRY_COMPARE(portControls(f), QString("打开 0 0 0"));
    QCOMPARE(f.status(), QString("COM端口已断开，请检查转换器"));
    QTest::qWait(200);
    QVERIFY2(errors.size() < 5, qPrintable(QString::number(errors.size())));
    PseudoTerminal replacement; // the next press opens again, as after a close
    openPort(f.window, replacement.slavePath());
    QCOMPARE(portControls(f), QString("关闭 1 1 1"));
}

void tst_MainWindow::cleanup()
{
    installUiLanguage(UiLanguage::Chinese);
}

// Names of ports that do not exist: the device path the message names.
void tst_MainWindow::missingDevice_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("bare name") << "ttyTALVIK9"
                               << "/dev/ttyTALVIK9";
    QTest::newRow("missing folder") << "/tmp/talvik-no-dir/tty"
                                    << "/tmp/talvik-no-dir/tty";
    QTest::newRow("relative") << "./talvik-no-link"
                              << "./talvik-no-link";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_MainWindow::missingDevice()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(portDevicePath(name), path);
    const PortOpenProblem problem = failedOpen(name);
    QCOMPARE(problem.reason, PortOpenProblem::NoSuchDevice);
    QCOMPARE(problem.devicePath, path);
}

// A port another program holds open (with its lock and in exclusive mode).
void tst_MainWindow::portInUse()
{
    PseudoTerminal pty;
    QSerialPort holder(pty.slavePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    QCOMPARE(failedOpen(pty.slavePath()).reason, PortOpenProblem::InUse);
    holder.close();
    QCOMPARE(failedOpen(pty.slavePath()).reason, PortOpenProblem::Other); // opens again
}

void tst_MainWindow::texts_data()
{
    QTest::addColumn<UiLanguage>("language");
    QTest::addColumn<int>("reason");
    QTest::addColumn<QString>("expected");

    const auto zh = UiLanguage::Chinese;
    const auto en = UiLanguage::English;
    QTest::newRow("en missing") << en << int(PortOpenProblem::NoSuchDevice)
                                << "no such device: /dev/ttyUSB0";
    QTest::newRow("zh denied")
            << zh << int(PortOpenProblem::PermissionDenied)
            << "没有访问权限：/dev/ttyUSB0 属于 uucp 组，请运行“sudo usermod -aG "
               "uucp $USER”，然后注销并重新登录";
    QTest::newRow("en denied") << en << int(PortOpenProblem::PermissionDenied)
                               << "permission denied: /dev/ttyUSB0 belongs to group uucp; run "
                                  "\"sudo usermod -aG uucp $USER\", then log out and in";
    QTest::newRow("zh in use") << zh << int(PortOpenProblem::InUse)
                               << "端口正被其他程序使用：/dev/ttyUSB0";
    QTest::newRow("en other") << en << int(PortOpenProblem::Other) << "Unknown error";
}

void tst_MainWindow::texts()
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

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
