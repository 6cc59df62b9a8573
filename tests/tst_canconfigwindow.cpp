#include "commands.h"
#include "hexbytes.h"
#include "windowtest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

namespace {
// The timing as the page shows it: BS1 and BS2 indexes, prescaler, rate.
QString timing(const WindowFixture &f)
{
    return QString("%1 %2 %3 %4")
            .arg(f.get<QComboBox>("cbBoxBP1")->currentIndex())
            .arg(f.get<QComboBox>("cbBoxBP2")->currentIndex())
            .arg(f.get<QLineEdit>("lineEditPrescale")->text(),
                 f.get<QLineEdit>("lineEditCANBps")->text());
}

// Whether the hand-set timing is shown and editable rather than the preset list.
bool manualShown(const WindowFixture &f)
{
    return f.get<QComboBox>("cbBoxBP1")->isEnabled()
            && f.get<QLineEdit>("lineEditPrescale")->isEnabled()
            && !f.get<QLineEdit>("lineEditCANBps")->isHidden()
            && f.get<QComboBox>("cbBoxCANbps")->isHidden();
}

// Every setting of the page as text, to compare before and after a restart.
QStringList pageState(const WindowFixture &f)
{
    QStringList texts;
    for (const char *box :
         { "cbBoxBps", "comboBoxMode", "cbBoxType", "cbBoxCANbps", "cbBoxBP1", "cbBoxBP2" })
        texts << f.get<QComboBox>(box)->currentText();
    for (const char *edit :
         { "lineEditPrescale", "lineEditCANBps", "lineEditFilter", "lineEditMask" })
        texts << f.get<QLineEdit>(edit)->text();
    for (const char *check : { "checkBoxManualBps", "checkBoxSendOnce", "radioBtnVariable" })
        texts << QString::number(f.get<QAbstractButton>(check)->isChecked());
    return texts << QString::number(manualShown(f));
}
} // namespace

// The CAN configuration page and the converter commands, through the window.
class tst_CanConfigWindow : public QObject
{
    Q_OBJECT

private slots:
    // The rate follows the hand-set timing; leaving it puts the preset's timing back.
    void bitRateCalculator()
    {
        WindowFixture f(false);
        QVERIFY(!manualShown(f));
        f.click("checkBoxManualBps");
        QVERIFY(manualShown(f));
        auto *prescale = f.get<QLineEdit>("lineEditPrescale");
        for (const auto &[text, rate] : { std::pair{ "1023", "2.932kbps" },
                                          { "1024", " " },
                                          { "6", "500.000kbps" },
                                          { "6x", "500.000kbps" } }) {
            prescale->setText(text);
            QCOMPARE(f.get<QLineEdit>("lineEditCANBps")->text(), QString(rate));
        }
        prescale->setText("1");
        f.get<QComboBox>("cbBoxBP1")->setCurrentIndex(15);
        f.get<QComboBox>("cbBoxBP2")->setCurrentIndex(0);
        QCOMPARE(timing(f), QString("15 0 1 2000.000kbps"));
        f.click("checkBoxManualBps");
        QVERIFY(!manualShown(f));
        QCOMPARE(timing(f), QString("5 4 3 1000.000kbps"));
        f.get<QComboBox>("cbBoxCANbps")->setCurrentText("800K");
        QCOMPARE(timing(f), QString("7 5 3 800.000kbps"));
    }

    // Every setting away from its default: the command carries each, cfg.txt holds them
    // as typed (a filter out of range is sent as 0), the next start shows them again.
    void setStartSendsAndStoresEverySetting()
    {
        WindowFixture f(true);
        f.get<QComboBox>("comboBoxMode")->setCurrentIndex(2);
        f.get<QComboBox>("cbBoxType")->setCurrentIndex(1);
        f.get<QComboBox>("cbBoxCANbps")->setCurrentText("125K");
        f.click("checkBoxManualBps");
        f.get<QComboBox>("cbBoxBP1")->setCurrentIndex(9);
        f.get<QLineEdit>("lineEditPrescale")->setText("17");
        f.get<QLineEdit>("lineEditFilter")->setText("FFFFFFFF");
        f.get<QLineEdit>("lineEditMask")->setText("1FFFFFFF");
        f.click("checkBoxSendOnce");
        f.get<QRadioButton>("radioBtnVariable")->setChecked(true);
        f.get<QComboBox>("cbBoxBps")->setCurrentText("115200");
        f.click("btnSetStart");
        const CanSetup sent{ true, true, 6, 1, 0, 0x1FFFFFFF, 2, false, 0, 9, 4, 17 };
        QCOMPARE(f.pty.read(20).toHex(' '), setStartCommand(sent).toHex(' '));
        QCOMPARE(f.dir.read("cfg.txt"),
                 QByteArray("115200,静默模式,扩展帧,125K,CAN_BS1_10tq,CAN_BS2_5tq,17,132.352kbps,"
                            "FFFFFFFF,1FFFFFFF,Manual BPS TRUE,SendOnce,Variable,"));
        const QStringList before = pageState(f);
        f.restart();
        QCOMPARE(pageState(f), before);
        openPort(f.window, f.pty.slavePath());
        QFile::remove(f.dir.filePath("cfg.txt"));
        QDir(f.dir.path()).mkdir("cfg.txt");
        f.click("btnSetStart");
        QCOMPARE(f.pty.read(20), setStartCommand(sent));
        QCOMPARE(f.status(), QString("保存失败: cfg.txt"));
    }

    void setStartRefusedDropsPendingBytes()
    {
        WindowFixture f(true);
        const QByteArray frame = fixedFrame(0x55, hex("01"));
        QVERIFY(f.pty.write(frame.left(10))); // half a frame waits in the parser
        QTest::qWait(100);
        f.get<QLineEdit>("lineEditPrescale")->setText("1024"); // blocks even a preset
        f.click("btnSetStart");
        QCOMPARE(f.status(), QString("预分频（十进制）值错误，不在（1~1023）范围内"));
        QVERIFY(f.pty.write(frame.mid(10)));
        QCOMPARE(f.pty.readAll(150), QByteArray());
        QCOMPARE(f.filledRows(), 0);
        QVERIFY(!f.dir.exists("cfg.txt"));
    }

    void receiveIdFilter_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("filledRows");
        QTest::addColumn<int>("emptyRows"); // above the filled ones
        QTest::addColumn<QByteArray>("start"); // of the command, then 4 bytes an identifier
        QTest::addColumn<QString>("refusal"); // instead of a command: a message box, or the status
        // clang-format off
        QTest::newRow("all") << "radioBtnUploadAll" << 2 << 0 << hex("AA 55 11 00") << "";
        QTest::newRow("only listed, 0 of 3 rows") << "radioBtnUploadOnly" << 0 << 3 << hex("AA 55 10 00") << "";
        QTest::newRow("51 rows, one empty") << "radioBtnNoUpload" << 50 << 1 << hex("AA 55 11 32") << "";
        QTest::newRow("no rows") << "radioBtnUploadOnly" << 0 << 0 << QByteArray() << "配置接收ID: 项目中没有ID数据，请检查";
        QTest::newRow("51 ids") << "radioBtnNoUpload" << 51 << 0 << QByteArray() << "配置接收ID: 接收ID表的数量不能超过50.";
        QTest::newRow("port closed") << "radioBtnUploadAll" << 2 << 0 << QByteArray() << "COM端口已关闭，请先打开COM端口";
        // clang-format on
    }

    void receiveIdFilter()
    {
        QFETCH(QString, mode);
        QFETCH(int, filledRows);
        QFETCH(int, emptyRows);
        QFETCH(QByteArray, start);
        QFETCH(QString, refusal);
        const bool open = !refusal.startsWith("COM");
        WindowFixture f(open);
        auto *table = f.get<QTableWidget>("tableWidget_5");
        table->setRowCount(0);
        table->setRowCount(filledRows + emptyRows);
        for (int row = 0; row < filledRows; ++row)
            table->setItem(row + emptyRows, 0,
                           new QTableWidgetItem(QString::number(0x100 + row, 16)));
        f.get<QRadioButton>(mode.toLatin1())->setChecked(true);
        auto box = refusal.isEmpty() || !open ? nullptr : answerNextMessageBox(QMessageBox::Ok);
        f.click("btnReceiveSet");
        if (box)
            QCOMPARE(box->title + ": " + box->text, refusal);
        if (!open)
            QCOMPARE(f.status(), refusal);
        const int size = start.isEmpty() ? 0 : 5 + 4 * start.at(3);
        const QByteArray command = f.pty.readAll(150);
        QCOMPARE(command.size(), size);
        QCOMPARE(command.left(4), start);
        if (size > 5)
            QCOMPARE(command.mid(4, 4), hex("00 01 00 00"));
    }

    // Saved as typed, rows without an item left out; read back trimmed up to an empty line.
    void receiveIdFile()
    {
        WindowFixture f(false);
        auto table = [&f] { return f.get<QTableWidget>("tableWidget_5"); };
        table()->item(0, 0)->setText("  123 ");
        f.click("btnREceiveInsert");
        table()->setItem(2, 0, new QTableWidgetItem("18FF50E5"));
        table()->setItem(3, 0, new QTableWidgetItem(""));
        table()->setItem(4, 0, new QTableWidgetItem("after the empty one"));
        f.click("btnReceiveSave");
        QCOMPARE(f.dir.read("receiveID.txt"),
                 QByteArray("  123 \n18FF50E5\n\nafter the empty one\n"));
        f.restart();
        QCOMPARE(table()->rowCount(), 2);
        QCOMPARE(table()->item(0, 0)->text(), QString("123"));
        table()->setCurrentCell(0, 0);
        f.click("btnReceiveRemove");
        QCOMPARE(rowCells(table(), 0), QStringList{ "18FF50E5" });
    }
};

QTEST_MAIN(tst_CanConfigWindow)
#include "tst_canconfigwindow.moc"
