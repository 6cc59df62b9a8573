#include "hexbytes.h"
#include "windowtest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

// The CAN configuration page and the converter commands, through the window.
class tst_CanConfigWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void calculatorPrescalerEdges();
    void calculatorModes();
    void setStartPreset_data();
    void setStartPreset();
    void setStartManual();
    void setStartRefusalsSendNothingAndDropPendingBytes();
    void cfgWrittenReloadsTheSameState_data();
    void cfgWrittenReloadsTheSameState();
    void cfgFileRules_data();
    void cfgFileRules();
    void cfgSaveFailureStillSends();
    void busStatusQueryAndReply();
    void baudRateChange();
    void receiveIdFilter_data();
    void receiveIdFilter();
    void receiveIdFilterRefusals();
    void receiveIdFile();

private:
    void click(const char *button)
    {
        QTest::mouseClick(f->get<QPushButton>(button), Qt::LeftButton);
    }
    QString rate() const { return f->get<QLineEdit>("lineEditCANBps")->text(); }
    void clickCheckBox(const char *name);

    WindowFixture *f = nullptr;
};

void tst_CanConfigWindow::init()
{
    QTest::failOnWarning(QRegularExpression("No matching signal"));
    f = new WindowFixture;
}

void tst_CanConfigWindow::cleanup()
{
    delete f;
}

void tst_CanConfigWindow::clickCheckBox(const char *name)
{
    auto *box = f->get<QCheckBox>(name);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
}

void tst_CanConfigWindow::calculatorPrescalerEdges()
{
    f->start(false);
    clickCheckBox("checkBoxManualBps");
    auto *prescale = f->get<QLineEdit>("lineEditPrescale");
    prescale->setText("1023");
    QCOMPARE(rate(), QString("2.932kbps")); // 36 MHz / 12 tq / 1023
    for (const char *outside : { "1024", "0", "-5" }) {
        prescale->setText("3");
        prescale->setText(outside);
        QCOMPARE(rate(), QString(" "));
    }
    prescale->setText("6");
    for (const char *notNumber : { "6x", "" }) {
        prescale->setText(notNumber);
        QCOMPARE(rate(), QString("500.000kbps"));
    }
    prescale->setText("1");
    f->get<QComboBox>("cbBoxBP1")->setCurrentIndex(15);
    f->get<QComboBox>("cbBoxBP2")->setCurrentIndex(7);
    QCOMPARE(rate(), QString("1440.000kbps"));
}

void tst_CanConfigWindow::calculatorModes()
{
    f->start(false);
    auto *bp1 = f->get<QComboBox>("cbBoxBP1");
    auto *presets = f->get<QComboBox>("cbBoxCANbps");
    auto *rateEdit = f->get<QLineEdit>("lineEditCANBps");
    QVERIFY(!bp1->isEnabled());
    QVERIFY(rateEdit->isHidden());
    QVERIFY(!presets->isHidden());

    presets->setCurrentText("800K");
    QCOMPARE(bp1->currentIndex(), 7);
    QCOMPARE(f->get<QComboBox>("cbBoxBP2")->currentIndex(), 5);
    QCOMPARE(f->get<QLineEdit>("lineEditPrescale")->text(), QString("3"));
    QCOMPARE(rate(), QString("800.000kbps"));

    clickCheckBox("checkBoxManualBps");
    QVERIFY(bp1->isEnabled());
    QVERIFY(!rateEdit->isHidden());
    QVERIFY(presets->isHidden());
    bp1->setCurrentIndex(0);
    f->get<QLineEdit>("lineEditPrescale")->setText("7");

    clickCheckBox("checkBoxManualBps"); // back to the preset, hand-set values replaced
    QVERIFY(!bp1->isEnabled());
    QCOMPARE(bp1->currentIndex(), 7);
    QCOMPARE(f->get<QLineEdit>("lineEditPrescale")->text(), QString("3"));
    QCOMPARE(rate(), QString("800.000kbps"));
}

void tst_CanConfigWindow::setStartPreset_data()
{
    QTest::addColumn<bool>("variable");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("fixed") << false
                           << hex("AA 55 02 01 01 00 00 00 00 00 00 00 00 00 01 00 00 00 00 05");
    QTest::newRow("variable") << true
                              << hex("AA 55 12 01 01 00 00 00 00 00 00 00 00 00 01 00 00 00 00 15");
}

void tst_CanConfigWindow::setStartPreset()
{
    QFETCH(bool, variable);
    QFETCH(QByteArray, command);
    f->start();
    if (variable)
        f->get<QRadioButton>("radioBtnVariable")->setChecked(true);
    click("btnSetStart");
    QCOMPARE(f->pty.read(20).toHex(' '), command.toHex(' '));
    QCOMPARE(f->dir.read("cfg.txt"),
             QByteArray("2000000,正常模式,标准帧,1M,CAN_BS1_6tq,CAN_BS2_5tq,3,1000.000kbps,"
                        "00000000,00000000,Manual BPS FALSE,SendAlways,")
                     + (variable ? "Variable," : "Fixed,"));
}

void tst_CanConfigWindow::setStartManual()
{
    f->start();
    clickCheckBox("checkBoxManualBps");
    f->get<QLineEdit>("lineEditFilter")->setText("123");
    f->get<QLineEdit>("lineEditMask")->setText("7FF");
    click("btnSetStart");
    QCOMPARE(f->pty.read(20).toHex(' '),
             hex("AA 55 03 01 01 23 01 00 00 FF 07 00 00 00 05 04 03 00 00 3B").toHex(' '));

    // Filter texts out of range go out as 0, and are stored as typed.
    f->get<QLineEdit>("lineEditFilter")->setText("FFFFFFFF");
    f->get<QLineEdit>("lineEditMask")->setText("1FFFFFFF");
    click("btnSetStart");
    const QByteArray command = f->pty.read(20);
    QCOMPARE(command.mid(5, 8), hex("00 00 00 00 FF FF FF 1F"));
    QVERIFY(f->dir.read("cfg.txt").contains(",FFFFFFFF,1FFFFFFF,Manual BPS TRUE,"));
}

void tst_CanConfigWindow::setStartRefusalsSendNothingAndDropPendingBytes()
{
    f->start();
    const QByteArray frame = fixedFrame(0x55, hex("01"));
    auto *view = f->get<QTableWidget>("tableWidget");

    // Half a frame waits in the parser; a refused set-and-start drops it.
    QVERIFY(f->pty.write(frame.left(10)));
    QTest::qWait(100);
    f->get<QLineEdit>("lineEditPrescale")->setText("1024"); // blocks even a preset
    click("btnSetStart");
    QCOMPARE(statusText(f->window), QString("预分频（十进制）值错误，不在（1~1023）范围内"));
    QVERIFY(f->pty.write(frame.mid(10)));
    QCOMPARE(f->pty.readAll(150), QByteArray());
    QVERIFY(!view->item(0, 5));
    QVERIFY(!f->dir.exists("cfg.txt"));

    // With the port closed (the button is disabled then; the slot still guards).
    f->get<QLineEdit>("lineEditPrescale")->setText("3");
    QVERIFY(f->pty.write(frame.left(10)));
    QTest::qWait(100);
    click("btnOpenClose");
    f->get<QPushButton>("btnSetStart")->setEnabled(true);
    click("btnSetStart");
    QCOMPARE(statusText(f->window), QString("COM端口已关闭，请先打开COM端口"));
    click("btnOpenClose");
    QVERIFY(f->pty.write(frame.mid(10)));
    QCOMPARE(f->pty.readAll(150), QByteArray());
    QVERIFY(!view->item(0, 5));
    QVERIFY(!f->dir.exists("cfg.txt"));
}

void tst_CanConfigWindow::cfgWrittenReloadsTheSameState_data()
{
    QTest::addColumn<bool>("manual");
    QTest::newRow("preset") << false;
    QTest::newRow("manual") << true;
}

void tst_CanConfigWindow::cfgWrittenReloadsTheSameState()
{
    QFETCH(bool, manual);
    f->start();
    f->get<QComboBox>("comboBoxMode")->setCurrentIndex(2);
    f->get<QComboBox>("cbBoxType")->setCurrentIndex(1);
    f->get<QComboBox>("cbBoxCANbps")->setCurrentText("125K");
    if (manual) {
        clickCheckBox("checkBoxManualBps");
        f->get<QComboBox>("cbBoxBP1")->setCurrentIndex(9);
        f->get<QLineEdit>("lineEditPrescale")->setText("17");
    }
    f->get<QLineEdit>("lineEditFilter")->setText("18FF50E5");
    f->get<QLineEdit>("lineEditMask")->setText("1FFFFFFF");
    clickCheckBox("checkBoxSendOnce");
    f->get<QRadioButton>("radioBtnVariable")->setChecked(true);
    f->get<QComboBox>("cbBoxBps")->setCurrentText("115200");
    click("btnSetStart");
    QVERIFY(f->dir.exists("cfg.txt"));

    const char *boxes[] = { "cbBoxBps",    "comboBoxMode", "cbBoxType",
                            "cbBoxCANbps", "cbBoxBP1",     "cbBoxBP2" };
    const char *edits[] = { "lineEditPrescale", "lineEditCANBps", "lineEditFilter",
                            "lineEditMask" };
    QStringList before;
    for (const char *name : boxes)
        before << f->get<QComboBox>(name)->currentText();
    for (const char *name : edits)
        before << f->get<QLineEdit>(name)->text();

    delete f->window;
    f->start(false);
    QStringList after;
    for (const char *name : boxes)
        after << f->get<QComboBox>(name)->currentText();
    for (const char *name : edits)
        after << f->get<QLineEdit>(name)->text();
    QCOMPARE(after, before);
    QCOMPARE(f->get<QCheckBox>("checkBoxManualBps")->isChecked(), manual);
    QCOMPARE(f->get<QLineEdit>("lineEditCANBps")->isHidden(), !manual);
    QCOMPARE(f->get<QComboBox>("cbBoxCANbps")->isHidden(), manual);
    QCOMPARE(f->get<QComboBox>("cbBoxBP1")->isEnabled(), manual);
    QVERIFY(f->get<QCheckBox>("checkBoxSendOnce")->isChecked());
    QVERIFY(f->get<QRadioButton>("radioBtnVariable")->isChecked());
}

void tst_CanConfigWindow::cfgFileRules_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("prescaler");
    QTest::addColumn<QString>("mode");

    const QByteArray line = "9600,环回模式,扩展帧,500K,CAN_BS1_6tq,CAN_BS2_5tq,6,500.000kbps,"
                            "1,2,Manual BPS FALSE,SendAlways,Fixed,";
    QTest::newRow("one line") << line << "500K"
                              << "6"
                              << "环回模式";
    QTest::newRow("twelve fields: defaults")
            << QByteArray("9600,环回模式,扩展帧,500K,a,b,6,r,1,2,Manual BPS FALSE,SendAlways")
            << "1M"
            << "3"
            << "正常模式";
    QTest::newRow("thirteen without trailing comma") << line.chopped(1) << "500K"
                                                     << "6"
                                                     << "环回模式";
    QTest::newRow("second line wins") << line
                    + "\n2000000,静默模式,标准帧,50K,CAN_BS1_6tq,CAN_BS2_5tq,60,50.000kbps,1,2,x,y,"
                      "z,"
                                      << "50K"
                                      << "60"
                                      << "静默模式";
    // The form's own items stay: "250K", the first mode.
    QTest::newRow("unknown texts keep the box")
            << QByteArray("9600,飞行模式,扩展帧,3M,CAN_BS1_99tq,CAN_BS2_5tq,6,r,1,2,x,y,z,")
            << "250K"
            << "6"
            << "正常模式";
    QTest::newRow("empty file: defaults") << QByteArray() << "1M"
                                          << "3"
                                          << "正常模式";
    QTest::newRow("short second line: defaults over the first") << line + "\nshort"
                                                                << "1M"
                                                                << "3"
                                                                << "环回模式";
}

void tst_CanConfigWindow::cfgFileRules()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, preset);
    QFETCH(QString, prescaler);
    QFETCH(QString, mode);
    f->dir.write("cfg.txt", file);
    f->start(false);
    QCOMPARE(f->get<QComboBox>("cbBoxCANbps")->currentText(), preset);
    QCOMPARE(f->get<QLineEdit>("lineEditPrescale")->text(), prescaler);
    QCOMPARE(f->get<QComboBox>("comboBoxMode")->currentText(), mode);
}

void tst_CanConfigWindow::cfgSaveFailureStillSends()
{
    QDir(f->dir.path()).mkdir("cfg.txt");
    f->start();
    click("btnSetStart");
    QCOMPARE(f->pty.read(20).size(), 20);
    QCOMPARE(statusText(f->window), QString("保存失败: cfg.txt"));
}

void tst_CanConfigWindow::busStatusQueryAndReply()
{
    f->start();
    click("btnCANBusStatus");
    QCOMPARE(f->pty.read(20), hex("AA 55 04 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 04"));
    QCOMPARE(statusText(f->window),
             QString("无法读取Can总线状态。请检查转换器的波特率和端口，或者在恢复默认值后重试."));
    QByteArray reply = hex("AA 55 04 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 04");
    QVERIFY(f->pty.write(reply));
    QTRY_COMPARE(statusText(f->window),
                 QString("总线状态:正常, 正常状态发送错误计数器  = 0, 接受错误计数器 = 0"));
}

void tst_CanConfigWindow::baudRateChange()
{
    f->start();
    f->showPageOf("btnChangeBps");
    f->get<QComboBox>("cbBoxChangeBps")->setCurrentIndex(5);

    auto cancelled = answerNextMessageBox(QMessageBox::Cancel);
    click("btnChangeBps");
    QVERIFY(cancelled->shown);
    QCOMPARE(cancelled->title, QString("Change the baud rate of the adapter"));
    QVERIFY(cancelled->text.startsWith("After clicking OK, the baud rate of the adapter will be "
                                       "changed to your newly set baud rate."));
    QCOMPARE(f->pty.readAll(150), QByteArray());

    auto accepted = answerNextMessageBox(QMessageBox::Ok);
    click("btnChangeBps");
    QVERIFY(accepted->shown);
    QCOMPARE(f->pty.read(20), hex("AA 55 06 05 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0B"));
    QCOMPARE(statusText(f->window),
             QString("无法读取Can总线状态。请检查转换器的波特率和端口，或者在恢复默认值后重试."));
    QCOMPARE(f->get<QComboBox>("cbBoxBps")->currentText(), QString("2000000"));
    QCOMPARE(f->pty.baudRate(), 2000000);

    // The question comes first; the port is looked at after OK.
    click("btnOpenClose");
    auto closed = answerNextMessageBox(QMessageBox::Ok);
    click("btnChangeBps");
    QVERIFY(closed->shown);
    QCOMPARE(statusText(f->window), QString("COM端口已关闭，请先打开COM端口"));
}

void tst_CanConfigWindow::receiveIdFilter_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("filledRows");
    QTest::addColumn<int>("emptyRows");
    QTest::addColumn<int>("expectedCount"); // -1: nothing sent

    QTest::newRow("all") << "radioBtnUploadAll" << 2 << 0 << 0;
    QTest::newRow("not listed, 2") << "radioBtnNoUpload" << 2 << 1 << 2;
    QTest::newRow("only listed, 0 of 3 rows") << "radioBtnUploadOnly" << 0 << 3 << 0;
    QTest::newRow("only listed, 50") << "radioBtnUploadOnly" << 50 << 0 << 50;
    QTest::newRow("51 rows, one empty") << "radioBtnNoUpload" << 50 << 1 << 50;
}

void tst_CanConfigWindow::receiveIdFilter()
{
    QFETCH(QString, mode);
    QFETCH(int, filledRows);
    QFETCH(int, emptyRows);
    QFETCH(int, expectedCount);

    f->start();
    auto *table = f->get<QTableWidget>("tableWidget_5");
    table->setRowCount(0);
    table->setRowCount(filledRows + emptyRows);
    for (int row = 0; row < filledRows; ++row)
        table->setItem(row + emptyRows, 0, new QTableWidgetItem(QString::number(0x100 + row, 16)));
    f->get<QRadioButton>(mode.toLatin1())->setChecked(true);
    click("btnReceiveSet");

    const int size = 5 + 4 * expectedCount;
    const QByteArray command = f->pty.read(size);
    QCOMPARE(command.size(), size);
    QCOMPARE(int(quint8(command.at(2))), mode == "radioBtnUploadOnly" ? 0x10 : 0x11);
    QCOMPARE(int(command.at(3)), expectedCount);
    if (expectedCount > 0)
        QCOMPARE(command.mid(4, 4), hex("00 01 00 00"));
    QCOMPARE(f->pty.readAll(100), QByteArray());
}

void tst_CanConfigWindow::receiveIdFilterRefusals()
{
    f->start();
    auto *table = f->get<QTableWidget>("tableWidget_5");
    f->get<QRadioButton>("radioBtnUploadOnly")->setChecked(true);

    table->setRowCount(0);
    auto noRows = answerNextMessageBox(QMessageBox::Ok);
    click("btnReceiveSet");
    QVERIFY(noRows->shown);
    QCOMPARE(noRows->title, QString("配置接收ID"));
    QCOMPARE(noRows->text, QString("项目中没有ID数据，请检查"));

    table->setRowCount(51);
    for (int row = 0; row < 51; ++row)
        table->setItem(row, 0, new QTableWidgetItem("7"));
    auto tooMany = answerNextMessageBox(QMessageBox::Ok);
    click("btnReceiveSet");
    QVERIFY(tooMany->shown);
    QCOMPARE(tooMany->text, QString("接收ID表的数量不能超过50."));
    QCOMPARE(f->pty.readAll(150), QByteArray());

    // "正常接受" never looks at the table.
    f->get<QRadioButton>("radioBtnUploadAll")->setChecked(true);
    click("btnReceiveSet");
    QCOMPARE(f->pty.read(5), hex("AA 55 11 00 11"));
}

void tst_CanConfigWindow::receiveIdFile()
{
    f->start(false);
    auto *table = f->get<QTableWidget>("tableWidget_5");
    QCOMPARE(table->rowCount(), 5); // no file: the form's rows
    table->item(0, 0)->setText("  123 ");
    click("btnREceiveInsert"); // a row without an item is not saved
    table->setItem(2, 0, new QTableWidgetItem("18FF50E5"));
    table->setItem(3, 0, new QTableWidgetItem(""));
    table->setItem(4, 0, new QTableWidgetItem("after the empty one"));
    click("btnReceiveSave");
    QCOMPARE(f->dir.read("receiveID.txt"), QByteArray("  123 \n18FF50E5\n\nafter the empty one\n"));

    delete f->window;
    f->start(false);
    table = f->get<QTableWidget>("tableWidget_5");
    QCOMPARE(table->rowCount(), 2); // the empty line ends the list
    QCOMPARE(table->item(0, 0)->text(), QString("123"));

    table->setCurrentCell(0, 0);
    click("btnReceiveRemove");
    QCOMPARE(table->rowCount(), 1);

    delete f->window;
    f->dir.write("receiveID.txt", "");
    f->start(false);
    QCOMPARE(f->get<QTableWidget>("tableWidget_5")->rowCount(), 0);
}

QTEST_MAIN(tst_CanConfigWindow)
#include "tst_canconfigwindow.moc"
