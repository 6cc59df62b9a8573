#include "portopenerror.h"
#include "windowtest.h"

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

// What the port's state switches: the button's text, the two commands, the port.
static QString portControls(WindowFixture &f)
{
    return QString("%1 %2 %3 %4")
            .arg(f.get<QPushButton>("btnOpenClose")->text())
            .arg(f.get<QPushButton>("btnSetStart")->isEnabled())
            .arg(f.get<QPushButton>("btnCANBusStatus")->isEnabled())
            .arg(f.window->findChild<QSerialPort *>()->isOpen());
}

// Opening, closing and losing the converter's port, and why a port did not open, from real
// failed opens of pseudo-terminals.
class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void opensAtEveryBaudRate_data()
    {
        QTest::addColumn<int>("baud");
        for (int baud : { 2000000, 1228800, 115200, 38400, 19200, 9600 })
            QTest::addRow("%d", baud) << baud;
    }

    void opensAtEveryBaudRate()
    {
        QFETCH(int, baud);
        WindowFixture f(false);
        openPort(f.window, f.pty.slavePath(), QString::number(baud));
        QCOMPARE(f.status() + " " + portControls(f), QString("端口正常打开 关闭 1 1 1"));
        QCOMPARE(f.pty.baudRate(), baud);
        QVERIFY(!f.get<QWidget>("btnFind")->isEnabled()); // the open port stays named
        f.click("btnOpenClose");
        QCOMPARE(f.status() + " " + portControls(f), QString("端口已关闭 打开 0 0 0"));
        f.click("btnFind"); // a scan opens nothing
        QCOMPARE(portControls(f), QString("打开 0 0 0"));
        openPort(f.window, f.pty.slavePath(), QString::number(baud)); // and it opens again
        QCOMPARE(portControls(f), QString("关闭 1 1 1"));
    }

    void failedOpenChangesNothing_data()
    {
        QTest::addColumn<QString>("portName");
        QTest::addColumn<QString>("reason");
        const QString missing = "/dev/talvik-no-such-port";
        QTest::newRow("missing device") << missing << "没有这个设备：" + missing;
        QTest::newRow("empty name") << QString() << "没有选择端口";
    }

    void failedOpenChangesNothing()
    {
        QFETCH(QString, portName);
        QFETCH(QString, reason);
        WindowFixture f(false);
        openPort(f.window, portName);
        QCOMPARE(f.status(), "COM端口可能不存在或已被占用，请检查（" + reason + "）");
        QCOMPARE(portControls(f), QString("打开端口 0 0 0"));
        openPort(f.window, f.pty.slavePath()); // a second press tries what the boxes hold now
        QCOMPARE(portControls(f), QString("关闭 1 1 1"));
    }

    void lostDeviceClosesThePortOnce()
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

    // A port another program holds open (with its lock and in exclusive mode).
    void portInUse()
    {
        PseudoTerminal pty;
        QSerialPort holder(pty.slavePath());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        QCOMPARE(failedOpen(pty.slavePath()).reason, PortOpenProblem::InUse);
        holder.close();
        QCOMPARE(failedOpen(pty.slavePath()).reason, PortOpenProblem::Other); // opens again
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
