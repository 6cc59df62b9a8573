#include "commandline.h"
#include "mainwindow.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolBox>

// The window as it stands after construction, in an empty working directory.
class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowFrame();
    void widgets_data();
    void widgets();
    void toolBoxPages();
    void comboBoxItems_data();
    void comboBoxItems();
    void initialStates();
    void tables_data();
    void tables();
    void helpTexts();
    void resourcesAndIcon();
    void resizingMovesNothing();

private:
    WorkingDirectory *dir = nullptr;
    MainWindow *window = nullptr;
};

void tst_MainWindow::init()
{
    QTest::failOnWarning(QRegularExpression("No matching signal"));
    dir = new WorkingDirectory;
    window = new MainWindow;
}

void tst_MainWindow::cleanup()
{
    delete window;
    delete dir;
}

void tst_MainWindow::windowFrame()
{
    QCOMPARE(window->objectName(), QString("MainWindow"));
    QCOMPARE(window->windowTitle(), QString("TALVIK V2.12"));
    // The menus make the menu bar taller; the window grows by as much, so the
    // central area keeps the form's size.
    const QMenuBar emptyMenuBar;
    const int grown = window->menuBar()->sizeHint().height() - emptyMenuBar.sizeHint().height();
    QVERIFY(grown >= 0);
    QCOMPARE(window->size(), QSize(1234, 708 + grown));
    QVERIFY(window->findChild<QStatusBar *>("statusbar"));
    QCOMPARE(window->menuBar()->objectName(), QString("menubar"));
    const QStringList menus = { "menuFile" };
    for (const QString &name : menus)
        QVERIFY2(window->findChild<QMenu *>(name), qPrintable(name));
}

// A sample of every page: class, parent, geometry and text.
void tst_MainWindow::widgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    auto row = [](const char *name, const char *cls, const char *parent, QRect g, QString t) {
        QTest::newRow(name) << QString(name) << QString(cls) << QString(parent) << g << t;
    };
    row("tableWidget", "QTableWidget", "centralwidget", { 10, 50, 741, 611 }, {});
    row("toolBox", "QToolBox", "centralwidget", { 760, 10, 461, 651 }, {});
    row("lineEditTotal", "QLineEdit", "centralwidget", { 60, 20, 51, 23 }, "1000");
    row("checkBoxOverlayDisplay", "QCheckBox", "centralwidget", { 260, 20, 111, 22 }, "统计模式");
    row("checkBoxAutoSave", "QCheckBox", "centralwidget", { 660, 20, 82, 22 }, "自动保存");

    row("groupBox", "QGroupBox", "page", { 30, 0, 421, 91 }, "端口配置");
    row("cbBoxPort", "QComboBox", "groupBox", { 98, 30, 81, 24 }, {});
    row("btnOpenClose", "QPushButton", "groupBox", { 280, 30, 131, 51 }, "打开端口");
    row("groupBox_2", "QGroupBox", "page", { 30, 90, 421, 361 }, "CAN通讯配置");
    row("label_11", "QLabel", "groupBox_2", { 10, 310, 111, 16 }, "滤波ID(16进制)  0x:");
    row("label_12", "QLabel", "groupBox_2", { 10, 340, 111, 16 }, "屏蔽ID(16进制)  0x:");
    row("cbBoxSYNC", "QComboBox", "groupBox_2", { 100, 120, 171, 24 }, {});
    row("btnSetStart", "QPushButton", "groupBox_2", { 280, 110, 131, 241 }, "设置并启动");
    // Without cfg.txt the default configuration ("1M") fills the rate.
    row("lineEditCANBps", "QLineEdit", "groupBox_2", { 170, 250, 101, 23 }, "1000.000kbps");
    row("btnCANBusStatus", "QPushButton", "groupBox_2", { 210, 300, 61, 51 }, "CAN\n总线\n状态");
    row("groupBox_7", "QGroupBox", "groupBox_2", { 280, 20, 131, 80 }, "内部协议选择");
    row("radioBtnVariable", "QRadioButton", "groupBox_7", { 10, 40, 111, 22 }, "可变长度协议");

    row("tableWidget_2", "QTableWidget", "page_2", { 20, 30, 421, 451 }, {});
    row("btnManualINsert", "QPushButton", "page_2", { 130, 0, 80, 24 }, "插入");

    row("btnAutoSave", "QPushButton", "page_3", { 90, 10, 71, 51 }, "保存\n自动发送\n配置");
    row("checkBoxAutoCycle", "QCheckBox", "page_3", { 180, 30, 51, 22 }, "循环");

    row("tableWidget_4", "QTableWidget", "page_4", { 0, 50, 441, 421 }, {});
    row("checkBoxReplyAuto", "QCheckBox", "page_4", { 341, 10, 101, 22 }, "启动自动回复");

    row("groupBox_3", "QGroupBox", "page_5", { 0, 20, 461, 61 }, "更改转换器内部的端口波特率");
    row("cbBoxChangeBps", "QComboBox", "groupBox_3", { 200, 30, 91, 24 }, {});
    row("label_14", "QLabel", "groupBox_3", { 10, 30, 191, 16 }, "将转换器内部端口波特率更改为:");
    row("tableWidget_5", "QTableWidget", "groupBox_4", { 10, 30, 131, 301 }, {});
    row("btnREceiveInsert", "QPushButton", "groupBox_4", { 150, 60, 101, 24 }, "增加");
    row("radioBtnUploadAll", "QRadioButton", "groupBox_4", { 150, 240, 97, 22 }, "正常接受");
    row("plainTextEdit", "QPlainTextEdit", "groupBox_4", { 260, 20, 191, 311 }, {});

    row("groupBox_5", "QGroupBox", "page_6", { 10, 0, 451, 231 }, "如何使用");
    row("groupBox_6", "QGroupBox", "page_6", { 10, 230, 451, 231 }, "常见问题及解决办法");
}

void tst_MainWindow::widgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);

    auto *widget = window->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->metaObject()->className(), className);
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    QCOMPARE(widget->geometry(), geometry);
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        QCOMPARE(button->text(), text);
    else if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), text);
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
        QCOMPARE(edit->text(), text);
    else if (auto *group = qobject_cast<QGroupBox *>(widget))
        QCOMPARE(group->title(), text);
}

void tst_MainWindow::toolBoxPages()
{
    auto *toolBox = child<QToolBox>(window, "toolBox");
    const QStringList titles{ "基本配置", "手动发送", "自动发送", "自动回复", "其他功能", "帮助" };
    QCOMPARE(toolBox->count(), titles.size());
    for (int i = 0; i < titles.size(); ++i) {
        QCOMPARE(toolBox->itemText(i), titles.at(i));
        QCOMPARE(toolBox->widget(i)->objectName(),
                 i == 0 ? QString("page") : QString("page_%1").arg(i + 1));
    }
    QCOMPARE(toolBox->currentIndex(), 0);
}

void tst_MainWindow::comboBoxItems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("current");

    const QStringList bauds{ "2000000", "1228800", "115200", "38400", "19200", "9600" };
    QStringList bs1, bs2;
    for (int n = 1; n <= 16; ++n)
        bs1 << QString("CAN_BS1_%1tq").arg(n);
    for (int n = 1; n <= 8; ++n)
        bs2 << QString("CAN_BS2_%1tq").arg(n);

    QTest::newRow("cbBoxBps") << "cbBoxBps" << bauds << 0;
    QTest::newRow("cbBoxChangeBps") << "cbBoxChangeBps" << bauds << 2;
    QTest::newRow("comboBoxMode") << "comboBoxMode"
                                  << QStringList{ "正常模式", "环回模式", "静默模式",
                                                  "环回静默模式" }
                                  << 0;
    QTest::newRow("cbBoxType") << "cbBoxType" << QStringList{ "标准帧", "扩展帧" } << 0;
    QTest::newRow("cbBoxSYNC") << "cbBoxSYNC"
                               << QStringList{ "CAN_SJW_1tq", "CAN_SJW_2tq", "CAN_SJW_3tq",
                                               "CAN_SJW_4tq" }
                               << 0;
    QTest::newRow("cbBoxBP1") << "cbBoxBP1" << bs1 << 5;
    QTest::newRow("cbBoxBP2") << "cbBoxBP2" << bs2 << 4;
    QTest::newRow("cbBoxCANbps") << "cbBoxCANbps"
                                 << QStringList{ "1M",   "800K", "500K", "400K", "250K", "200K",
                                                 "125K", "100K", "50K",  "20K",  "10K",  "5K" }
                                 << 0;
}

void tst_MainWindow::comboBoxItems()
{
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    QFETCH(int, current);

    auto *box = window->findChild<QComboBox *>(name);
    QVERIFY(box);
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    QCOMPARE(texts, items);
    if (current >= 0)
        QCOMPARE(box->currentIndex(), current);
}

void tst_MainWindow::initialStates()
{
    QVERIFY(!child<QWidget>(window, "btnSetStart")->isEnabled());
    QVERIFY(!child<QWidget>(window, "btnCANBusStatus")->isEnabled());
    QVERIFY(!child<QWidget>(window, "cbBoxSYNC")->isEnabled());
    auto *overlay = child<QCheckBox>(window, "checkBoxOverlayDisplay");
    QVERIFY(!overlay->isChecked());
    QVERIFY(!overlay->isEnabled());
    for (const char *name :
         { "checkBoxPause", "checkBoxOnlyRev", "checkBoxAutoSave", "checkBoxManualBps",
           "checkBoxSendOnce", "checkBoxAutoCycle", "checkBoxReplyAuto" })
        QVERIFY2(!child<QCheckBox>(window, name)->isChecked(), name);
    QVERIFY(child<QRadioButton>(window, "radioBtnFixed")->isChecked());
    QVERIFY(!child<QRadioButton>(window, "radioBtnVariable")->isChecked());
    QVERIFY(child<QRadioButton>(window, "radioBtnUploadAll")->isChecked());
    QVERIFY(!child<QRadioButton>(window, "radioBtnNoUpload")->isChecked());
    QVERIFY(!child<QRadioButton>(window, "radioBtnUploadOnly")->isChecked());
    QVERIFY(child<QLineEdit>(window, "lineEditCANBps")->isReadOnly());
    QVERIFY(child<QComboBox>(window, "cbBoxPort")->isEditable());
    for (QTimer *timer : window->findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly))
        QVERIFY(!timer->isActive());
    QVERIFY(statusText(window).isEmpty());
}

void tst_MainWindow::tables_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QList<int>>("widths");

    QTest::newRow("data view") << "tableWidget" << 1000
                               << QStringList{ "序号",   "传输方向", "时间标识", "帧格式",
                                               "帧类型", "帧ID",     "数据长度", "数据(16进制)" }
                               << QList<int>{ 30, 60, 80, 100, 120, 80, 100, 160 };
    QTest::newRow("auto send") << "tableWidget_3" << -1
                               << QStringList{ "Id(16进制)", "数据(16进制)", "间隔时间(ms)",
                                               "使能" }
                               << QList<int>{ 90, 170, 80, 90 };
    QTest::newRow("auto reply") << "tableWidget_4" << -1
                                << QStringList{ "接受Id(16进制)", "回复Id(16进制)",
                                                "回复数据(16进制)" }
                                << QList<int>{ 110, 110, 190 };
    QTest::newRow("manual") << "tableWidget_2" << -1
                            << QStringList{ "Id(16进制)", "数据(16进制)", "手动发送" }
                            << QList<int>();
    QTest::newRow("receive ids") << "tableWidget_5" << 5 << QStringList{ "接受Id(16进制)" }
                                 << QList<int>();
}

void tst_MainWindow::tables()
{
    QFETCH(QString, name);
    QFETCH(int, rows);
    QFETCH(QStringList, headers);
    QFETCH(QList<int>, widths);

    auto *table = window->findChild<QTableWidget *>(name);
    QVERIFY(table);
    if (rows >= 0)
        QCOMPARE(table->rowCount(), rows);
    QCOMPARE(table->columnCount(), headers.size());
    for (int column = 0; column < headers.size(); ++column) {
        QVERIFY(table->horizontalHeaderItem(column));
        QCOMPARE(table->horizontalHeaderItem(column)->text(), headers.at(column));
        if (!widths.isEmpty()) // wider where the font needs it
            QCOMPARE_GE(table->columnWidth(column), widths.at(column));
    }
}

void tst_MainWindow::helpTexts()
{
    auto *receiveIds = child<QTableWidget>(window, "tableWidget_5");
    QVERIFY(receiveIds->item(0, 0));
    QCOMPARE(receiveIds->item(0, 0)->text(), QString("0x00000000"));
    QVERIFY(!receiveIds->item(1, 0));
    QVERIFY(child<QTableWidget>(window, "tableWidget")->verticalHeader()->isHidden());

    auto *modes = child<QPlainTextEdit>(window, "plainTextEdit");
    QVERIFY(modes->isReadOnly());
    QCOMPARE(modes->toPlainText().split("\n\n").size(), 4);
    for (const char *mode : { "不上传", "仅上传", "正常接受" })
        QVERIFY(modes->toPlainText().contains(QString::fromUtf8(mode)));

    auto *usage = child<QPlainTextEdit>(window, "plainTextEdit_2");
    QVERIFY(usage->isReadOnly());
    QVERIFY(usage->toPlainText().startsWith("使用说明："));
    QVERIFY(usage->toPlainText().contains("如何知道转换器内部端口波特率："));
    const QStringList bauds{ "2000000", "1228800", "115200", "38400", "19200", "9600" };
    for (int flashes = 1; flashes <= 6; ++flashes)
        QVERIFY(usage->toPlainText().contains(
                QString("闪烁%1次：%2").arg(flashes).arg(bauds.at(flashes - 1))));
    QCOMPARE(usage->parentWidget()->objectName(), QString("groupBox_5"));
    // Below the steps: the version and the folder the files live in.
    QVERIFY(usage->toPlainText().endsWith("\n\n" + ProgramInfo::text(QDir::currentPath())));
    QVERIFY(usage->toPlainText().contains("TALVIK 版本 " + ProgramInfo::version()));

    auto *faq = child<QPlainTextEdit>(window, "plainTextEdit_3");
    QVERIFY(faq->isReadOnly());
    QVERIFY(faq->toPlainText().startsWith("1. "));
    QVERIFY(faq->toPlainText().contains("\n3. "));
    QCOMPARE(faq->parentWidget()->objectName(), QString("groupBox_6"));
}

void tst_MainWindow::resourcesAndIcon()
{
    // The program's icon, as the desktop entry shows it.
    QCOMPARE(QImage(":/icons/32x32/org.talvik.Talvik.png").size(), QSize(32, 32));
    QVERIFY(!window->windowIcon().isNull());
    QCOMPARE(window->windowIcon().availableSizes(), QList<QSize>{ QSize(32, 32) });
}

void tst_MainWindow::resizingMovesNothing()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto *help = child<QWidget>(window, "groupBox_5");
    auto *table = child<QWidget>(window, "tableWidget");
    window->resize(1600, 900);
    QCoreApplication::processEvents();
    QCOMPARE(table->geometry(), QRect(10, 50, 741, 611));
    QCOMPARE(help->geometry(), QRect(10, 0, 451, 231));
}


QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
