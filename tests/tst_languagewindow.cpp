#include "columnfit.h"
#include "language.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QToolBox>

// The window in each language: no Chinese left under English, today's texts
// under Chinese, columns wide enough for their texts, files in source texts.
class tst_LanguageWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void noChineseUnderEnglish();
    void languageSamples_data();
    void languageSamples();
    void englishTextsFitTheForm();
    void columnsFitTheirTexts_data();
    void columnsFitTheirTexts();
    void filesKeepSourceTexts();

private:
    WindowFixture *f = nullptr;
    QStringList messages; // every status-bar message shown
};

Q_DECLARE_METATYPE(UiLanguage)

namespace {
const QRegularExpression
        Cjk(QStringLiteral("[\\x{3000}-\\x{30ff}\\x{3400}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// Every text the widgets show: labels, buttons, group-box titles, tool-box
// page titles, headers and cells, combo-box items, plain texts.
QStringList widgetTexts(const QWidget *window)
{
    QStringList texts{ window->windowTitle() };
    for (const QWidget *w : window->findChildren<QWidget *>()) {
        const QString where = w->objectName() + QLatin1String(": ");
        if (auto *label = qobject_cast<const QLabel *>(w))
            texts << where + label->text();
        else if (auto *button = qobject_cast<const QAbstractButton *>(w))
            texts << where + button->text();
        else if (auto *box = qobject_cast<const QGroupBox *>(w))
            texts << where + box->title();
        else if (auto *edit = qobject_cast<const QPlainTextEdit *>(w))
            texts << where + edit->toPlainText();
        else if (auto *menu = qobject_cast<const QMenu *>(w)) {
            texts << where + menu->title();
            for (const QAction *action : menu->actions())
                texts << where + action->text();
        } else if (auto *progress = qobject_cast<const QProgressBar *>(w))
            texts << where + progress->format();
        else if (auto *combo = qobject_cast<const QComboBox *>(w)) {
            for (int i = 0; i < combo->count(); ++i)
                texts << where + combo->itemText(i);
        } else if (auto *toolBox = qobject_cast<const QToolBox *>(w)) {
            for (int i = 0; i < toolBox->count(); ++i)
                texts << where + toolBox->itemText(i);
        } else if (auto *table = qobject_cast<const QTableWidget *>(w)) {
            for (int column = 0; column < table->columnCount(); ++column) {
                if (const QTableWidgetItem *header = table->horizontalHeaderItem(column))
                    texts << where + header->text();
                for (int row = 0; row < table->rowCount(); ++row) {
                    if (const QTableWidgetItem *item = table->item(row, column))
                        texts << where + item->text();
                }
            }
        }
    }
    return texts;
}
} // namespace

void tst_LanguageWindow::init()
{
    QTest::failOnWarning(QRegularExpression("No matching signal"));
    f = new WindowFixture;
    messages.clear();
}

void tst_LanguageWindow::cleanup()
{
    delete f;
    installUiLanguage(UiLanguage::Chinese);
}

void tst_LanguageWindow::noChineseUnderEnglish()
{
    QVERIFY(installUiLanguage(UiLanguage::English));
    f->start(false);
    connect(f->get<QStatusBar>("statusbar"), &QStatusBar::messageChanged, this,
            [this](const QString &message) { messages << message; });
    auto click = [this](const char *button) {
        f->showPageOf(button);
        QTest::mouseClick(f->get<QPushButton>(button), Qt::LeftButton);
    };

    // Messages before the port is open, while it is open, and about its going.
    click("btnSetStart");
    openPort(f->window, QStringLiteral("/dev/talvik-no-such-port"));
    openPort(f->window, f->pty.slavePath());
    click("btnCANBusStatus");
    QVERIFY(f->pty.write(hex("AA55040000000000000000000000000000000004")));
    QVERIFY(f->pty.write(hex("AA55040A0B0100000000000000000000000000"
                             "1A")));
    QVERIFY(f->pty.write(fixedFrame(0x18ff50e5, hex("1122334455667788"), true)));
    QVERIFY(f->pty.write(fixedFrame(0x321, QByteArray(), false, true)));
    QTRY_COMPARE(f->get<QTableWidget>("tableWidget")->item(1, 5) != nullptr, true);
    clickCell(f->get<QTableWidget>("tableWidget_2"), 0, 2);
    f->get<QTableWidget>("tableWidget_3")->item(0, 2)->setText(QString());
    click("btnSendSeq");
    f->get<QLineEdit>("lineEditPrescale")->setText(QStringLiteral("0"));
    f->get<QCheckBox>("checkBoxManualBps")->setChecked(true);
    click("btnSetStart");
    f->get<QLineEdit>("lineEditTotal")->setText(QStringLiteral("100001"));

    // Both message boxes of the receive-ID filter and the baud-rate confirmation.
    QList<std::shared_ptr<MessageBoxAnswer>> boxes;
    f->get<QRadioButton>("radioBtnUploadOnly")->setChecked(true);
    auto *ids = f->get<QTableWidget>("tableWidget_5");
    ids->setRowCount(0);
    boxes << answerNextMessageBox(QMessageBox::Ok);
    click("btnReceiveSet");
    ids->setRowCount(51);
    for (int row = 0; row < 51; ++row)
        ids->setItem(row, 0, new QTableWidgetItem(QStringLiteral("0x1")));
    boxes << answerNextMessageBox(QMessageBox::Ok);
    click("btnReceiveSet");
    boxes << answerNextMessageBox(QMessageBox::Cancel);
    click("btnChangeBps");

    f->pty.closeMaster();
    QTRY_VERIFY(!f->get<QPushButton>("btnSetStart")->isEnabled());
    click("btnSendSeq");
    clickCell(f->get<QTableWidget>("tableWidget_2"), 0, 2);

    QStringList texts = widgetTexts(f->window) + messages;
    for (const auto &box : std::as_const(boxes)) {
        QVERIFY(box->shown);
        texts << box->title << box->text;
    }
    QVERIFY2(messages.size() >= 10, qPrintable(messages.join('\n')));
    QStringList chinese;
    for (const QString &text : std::as_const(texts)) {
        if (text.contains(Cjk))
            chinese << text;
    }
    QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join('\n')));
}

void tst_LanguageWindow::languageSamples_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<QStringList>("expected");

    const QStringList chinese{ "打开端口",     "基本配置", "传输方向", "环回模式", "使用说明：",
                               "端口正常打开", "接受",     "扩展帧",   "发送" };
    QTest::newRow("--lang zh, English system")
            << QStringList{ "talvik", "--lang", "zh" } << QStringList{ "en-US", "en" } << chinese;
    QTest::newRow("C locale") << QStringList{ "talvik" } << QStringList{ "C" } << chinese;
    QTest::newRow("Chinese system")
            << QStringList{ "talvik" } << QStringList{ "zh-CN", "zh" } << chinese;
    QTest::newRow("--lang en, C locale")
            << QStringList{ "talvik", "--lang=en" }
            << QStringList{ "C" } << QStringList{ "Open port", "Basic setup", "Dir",
                                                  "Loop-back", "How to use:", "Port open",
                                                  "Rx",        "Extended",    "Send" };
}

void tst_LanguageWindow::languageSamples()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, uiLanguages);
    QFETCH(QStringList, expected);

    QVERIFY(setUpUiLanguage(arguments, uiLanguages));
    f->start(false);
    const QStringList before{
        f->get<QPushButton>("btnOpenClose")->text(),
        f->get<QToolBox>("toolBox")->itemText(0),
        f->get<QTableWidget>("tableWidget")->horizontalHeaderItem(1)->text(),
        f->get<QComboBox>("comboBoxMode")->itemText(1),
        f->get<QPlainTextEdit>("plainTextEdit_2")->toPlainText().section('\n', 0, 0),
    };
    openPort(f->window, f->pty.slavePath());
    QVERIFY(f->pty.write(fixedFrame(0x18ff50e5, hex("11"), true)));
    auto *view = f->get<QTableWidget>("tableWidget");
    QTRY_VERIFY(view->item(0, 5));
    const QStringList after{ statusText(f->window), view->item(0, 1)->text(),
                             view->item(0, 4)->text(),
                             f->get<QTableWidget>("tableWidget_2")->item(0, 2)->text() };
    QCOMPARE(before + after, expected);
}

// Under English no label, button, check box or radio button text needs more
// room than the form gives it, and no group-box title is cut.
void tst_LanguageWindow::englishTextsFitTheForm()
{
    QVERIFY(installUiLanguage(UiLanguage::English));
    f->start(false);
    QStringList tooWide;
    for (QWidget *w : f->window->findChildren<QWidget *>()) {
        if (w->window() != f->window)
            continue; // windows of their own are laid out, not placed by hand
        const QStyle *style = w->style();
        QString text;
        int room = 0; // what the widget keeps besides the text
        if (auto *label = qobject_cast<QLabel *>(w)) {
            text = label->text();
        } else if (auto *button = qobject_cast<QPushButton *>(w)) {
            text = button->text();
            room = 2
                    * (style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w)
                       + style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w));
        } else if (auto *check = qobject_cast<QCheckBox *>(w)) {
            text = check->text();
            room = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w)
                    + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
        } else if (auto *radio = qobject_cast<QRadioButton *>(w)) {
            text = radio->text();
            room = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w)
                    + style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w);
        } else if (auto *box = qobject_cast<QGroupBox *>(w)) {
            text = box->title();
            room = 16;
        } else {
            continue;
        }
        const QStringList lines = text.split(QLatin1Char('\n'));
        int width = 0;
        for (const QString &line : lines)
            width = std::max(width, w->fontMetrics().horizontalAdvance(line));
        const int height = int(lines.size()) * w->fontMetrics().lineSpacing();
        if (width + room > w->width() || height > std::max(w->height(), 22))
            tooWide << QStringLiteral("%1 \"%2\" needs %3x%4, has %5x%6")
                               .arg(w->objectName(), text)
                               .arg(width + room)
                               .arg(height)
                               .arg(w->width())
                               .arg(w->height());
    }
    QVERIFY2(tooWide.isEmpty(), qPrintable(tooWide.join('\n')));
}

void tst_LanguageWindow::columnsFitTheirTexts_data()
{
    QTest::addColumn<UiLanguage>("language");
    QTest::newRow("zh") << UiLanguage::Chinese;
    QTest::newRow("en") << UiLanguage::English;
}

// Each column at least as wide as the widest text of its kind (and as the
// form's width), every cell on one line.
void tst_LanguageWindow::columnsFitTheirTexts()
{
    QFETCH(UiLanguage, language);
    QVERIFY(installUiLanguage(language));
    const bool en = language == UiLanguage::English;
    f->start();
    QVERIFY(f->pty.write(fixedFrame(0x18ff50e5, hex("1122334455667788"), true)));
    QVERIFY(f->pty.write(fixedFrame(0x1, QByteArray(), false, true)));
    auto *view = f->get<QTableWidget>("tableWidget");
    QTRY_VERIFY(view->item(1, 5));

    const QString id = QStringLiteral("0x18ff50e5");
    const QString data = QStringLiteral("00 11 22 33 44 55 66 77");
    struct Column
    {
        const char *table;
        int column;
        int formWidth;
        QStringList widest;
    };
    const QList<Column> columns{
        { "tableWidget", 0, 30, { "99999" } },
        { "tableWidget", 1, 60, { en ? "Rx" : "接受", en ? "Tx" : "发送" } },
        { "tableWidget", 2, 80, { "20:03:11 059", "00:00:00 000" } },
        { "tableWidget", 3, 100, { en ? "Remote" : "远程帧" } },
        { "tableWidget", 4, 120, { en ? "Extended" : "扩展帧", en ? "Standard" : "标准帧" } },
        { "tableWidget", 5, 80, { id, "0xffffffff", "0x00000000" } },
        { "tableWidget", 6, 100, { "8" } },
        { "tableWidget", 7, 160, { data, "ff ff ff ff ff ff ff ff" } },
        { "tableWidget_2", 0, 100, { id } },
        { "tableWidget_2", 1, 200, { data } },
        { "tableWidget_3", 0, 90, { id } },
        { "tableWidget_3", 1, 170, { data } },
        { "tableWidget_3", 2, 80, { "10000" } },
        { "tableWidget_4", 0, 110, { id } },
        { "tableWidget_4", 1, 110, { id } },
        { "tableWidget_4", 2, 190, { data } },
        { "tableWidget_5", 0, 100, { id } },
    };
    for (const Column &c : columns) {
        auto *table = f->get<QTableWidget>(c.table);
        const QString where = QStringLiteral("%1 column %2").arg(c.table).arg(c.column);
        const int width = table->columnWidth(c.column);
        QVERIFY2(width >= c.formWidth, qPrintable(where));
        QVERIFY2(width >= table->horizontalHeader()->sectionSizeHint(c.column), qPrintable(where));
        const QFontMetrics metrics = table->fontMetrics();
        for (const QString &text : c.widest) {
            // the text plus the cell's margins, at least 3 pixels a side
            QVERIFY2(width >= metrics.horizontalAdvance(text) + 6,
                     qPrintable(where + QLatin1String(": ") + text));
        }
        QVERIFY(!table->wordWrap());
    }
    // the rows written keep the one-line height and show their texts in full
    for (int row = 0; row < 2; ++row) {
        QCOMPARE(view->rowHeight(row), view->verticalHeader()->defaultSectionSize());
        for (int column = 0; column < view->columnCount(); ++column)
            QVERIFY(view->columnWidth(column)
                    >= view->fontMetrics().horizontalAdvance(view->item(row, column)->text()) + 6);
    }
}

// Under English the files the program reads back hold the source texts, and
// load the same under both languages.
void tst_LanguageWindow::filesKeepSourceTexts()
{
    QVERIFY(installUiLanguage(UiLanguage::English));
    f->start();
    f->get<QComboBox>("comboBoxMode")->setCurrentIndex(3);
    f->get<QComboBox>("cbBoxType")->setCurrentIndex(1);
    f->showPageOf("btnSetStart");
    QTest::mouseClick(f->get<QPushButton>("btnSetStart"), Qt::LeftButton);
    f->showPageOf("btnManualSave");
    QTest::mouseClick(f->get<QPushButton>("btnManualSave"), Qt::LeftButton);
    f->showPageOf("btnAutoSave");
    QTest::mouseClick(f->get<QPushButton>("btnAutoSave"), Qt::LeftButton);

    const QString cfg = QString::fromUtf8(f->dir.read("cfg.txt"));
    QVERIFY2(cfg.startsWith("2000000,环回静默模式,扩展帧,1M,"), qPrintable(cfg));
    QCOMPARE(QString::fromUtf8(f->dir.read("manual.txt")).section('\n', 0, 0),
             QString("0x00000000,00 11 22 33 44 55 66 77,发送"));
    QCOMPARE(QString::fromUtf8(f->dir.read("auto.txt")).section('\n', 0, 0),
             QString("0x00000000,00 11 22 33 44 55 66 77,1000,1,发送"));
    // a cell the user typed into is written as typed
    f->get<QTableWidget>("tableWidget_2")->item(1, 2)->setText("go");
    QTest::mouseClick(f->get<QPushButton>("btnManualSave"), Qt::LeftButton);
    QCOMPARE(QString::fromUtf8(f->dir.read("manual.txt")).section('\n', 1, 1),
             QString("0x00000001,00 11 22 33 44 55 66 77,go"));

    for (const UiLanguage language : { UiLanguage::Chinese, UiLanguage::English }) {
        delete f->window;
        f->window = nullptr;
        QVERIFY(installUiLanguage(language));
        f->start(false);
        QCOMPARE(f->get<QComboBox>("comboBoxMode")->currentIndex(), 3);
        QCOMPARE(f->get<QComboBox>("cbBoxType")->currentIndex(), 1);
        const QString send = language == UiLanguage::English ? "Send" : "发送";
        QCOMPARE(f->get<QTableWidget>("tableWidget_2")->item(0, 2)->text(), send);
        QCOMPARE(f->get<QTableWidget>("tableWidget_2")->item(1, 2)->text(), QString("go"));
        QCOMPARE(f->get<QTableWidget>("tableWidget_3")->item(0, 3)->text(), send);
    }
}

QTEST_MAIN(tst_LanguageWindow)
#include "tst_languagewindow.moc"
