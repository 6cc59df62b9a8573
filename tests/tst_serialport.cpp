#include "mainwindow.h"
#include "pseudoterminal.h"
#include "windowtest.h"

#include <QComboBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

// Opening, closing and losing the converter's port, on a real pseudo-terminal.
class tst_SerialPort : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensAtEveryBaudRate_data();
    void opensAtEveryBaudRate();
    void closeAfterOpen();
    void failedOpenChangesNothing_data();
    void failedOpenChangesNothing();
    void scanLeavesOpenPortAlone();
    void lostDeviceClosesThePortOnce();

private:
    void verifyPortControls(bool open, const QString &buttonText);

    WorkingDirectory *dir = nullptr;
    MainWindow *window = nullptr;
};

void tst_SerialPort::init()
{
    QTest::failOnWarning(QRegularExpression("No matching signal"));
    dir = new WorkingDirectory;
    window = new MainWindow;
}

void tst_SerialPort::cleanup()
{
    delete window;
    delete dir;
}

void tst_SerialPort::verifyPortControls(bool open, const QString &buttonText)
{
    QCOMPARE(child<QPushButton>(window, "btnOpenClose")->text(), buttonText);
    QCOMPARE(child<QPushButton>(window, "btnSetStart")->isEnabled(), open);
    QCOMPARE(child<QPushButton>(window, "btnCANBusStatus")->isEnabled(), open);
    QCOMPARE(window->findChild<QSerialPort *>()->isOpen(), open);
}

void tst_SerialPort::opensAtEveryBaudRate_data()
{
    QTest::addColumn<int>("baud");
    for (int baud : { 2000000, 1228800, 115200, 38400, 19200, 9600 })
        QTest::addRow("%d", baud) << baud;
}

void tst_SerialPort::opensAtEveryBaudRate()
{
    QFETCH(int, baud);
    PseudoTerminal pty;
    QVERIFY(pty.isValid());

    openPort(window, pty.slavePath(), QString::number(baud));
    QCOMPARE(statusText(window), QString("端口正常打开"));
    verifyPortControls(true, "关闭");
    QCOMPARE(pty.baudRate(), baud);
}

void tst_SerialPort::closeAfterOpen()
{
    PseudoTerminal pty;
    openPort(window, pty.slavePath());
    QTest::mouseClick(child<QPushButton>(window, "btnOpenClose"), Qt::LeftButton);
    QCOMPARE(statusText(window), QString("端口已关闭"));
    verifyPortControls(false, "打开");

    // and it opens again
    QTest::mouseClick(child<QPushButton>(window, "btnOpenClose"), Qt::LeftButton);
    verifyPortControls(true, "关闭");
}

void tst_SerialPort::failedOpenChangesNothing_data()
{
    QTest::addColumn<QString>("portName");
    QTest::newRow("missing device") << "/dev/talvik-no-such-port";
    QTest::newRow("empty name") << "";
}

void tst_SerialPort::failedOpenChangesNothing()
{
    QFETCH(QString, portName);

    openPort(window, portName);
    QVERIFY2(statusText(window).startsWith(QString("COM端口可能不存在或已被占用，请检查（没有")),
             qPrintable(statusText(window)));
    verifyPortControls(false, "打开端口");

    // A second press tries again with what the boxes hold now.
    PseudoTerminal pty;
    openPort(window, pty.slavePath());
    verifyPortControls(true, "关闭");
}

void tst_SerialPort::scanLeavesOpenPortAlone()
{
    PseudoTerminal pty;
    openPort(window, pty.slavePath());
    QTest::mouseClick(child<QPushButton>(window, "btnFind"), Qt::LeftButton);
    verifyPortControls(true, "关闭");
    QCOMPARE(statusText(window), QString("端口正常打开"));
}

void tst_SerialPort::lostDeviceClosesThePortOnce()
{
    PseudoTerminal pty;
    openPort(window, pty.slavePath());
    auto *port = window->findChild<QSerialPort *>();
    QSignalSpy errors(port, &QSerialPort::errorOccurred);

    pty.closeMaster();
    QTRY_COMPARE(child<QPushButton>(window, "btnOpenClose")->text(), QString("打开"));
    verifyPortControls(false, "打开");
    QCOMPARE(statusText(window), QString("COM端口已断开，请检查转换器"));
    QTest::qWait(200);
    QVERIFY2(errors.size() < 5, qPrintable(QString::number(errors.size())));

    // The next press opens again, as after a close.
    PseudoTerminal replacement;
    openPort(window, replacement.slavePath());
    verifyPortControls(true, "关闭");
}

QTEST_MAIN(tst_SerialPort)
#include "tst_serialport.moc"
