#include "hexbytes.h"
#include "language.h"
#include "windowtest.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QTest>

Q_DECLARE_METATYPE(UiLanguage)

// The window in each language: columns wide enough for their texts, files in
// source texts.
class tst_LanguageWindow : public QObject
{
    Q_OBJECT

    WindowFixture *f = nullptr;

private slots:
    void init() { f = new WindowFixture; }
    void cleanup()
    {
        delete f;
        installUiLanguage(UiLanguage::Chinese);
        QApplication::setFont(QFont());
    }

    void columnsFitTheirTexts_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<int>("pointSize"); // of the desktop's font; 0: the default
        QTest::newRow("zh") << UiLanguage::Chinese << 0;
        QTest::newRow("en, large font") << UiLanguage::English << 16;
    }

    // Each column as wide as its header and the widest texts of its kind (the
    // text plus at least 3 pixels a side), every row written on one line.
    void columnsFitTheirTexts()
    {
        QFETCH(UiLanguage, language);
        QFETCH(int, pointSize);
        QVERIFY(installUiLanguage(language));
        if (pointSize) {
            QFont font = QApplication::font();
            font.setPointSize(pointSize);
            QApplication::setFont(font);
        }
        f->start();
        f->pty.write(fixedFrame(0x18ff50e5, hex("1122334455667788"), true)
                     + fixedFrame(0x1, {}, false, true));
        auto *view = f->get<QTableWidget>("tableWidget");
        QTRY_VERIFY(view->item(1, 5));
        const bool en = language == UiLanguage::English;
        const QString id = "0x18ff50e5", data = "ff ff ff ff ff ff ff ff";
        const QList<QPair<const char *, QStringList>> tables{
            { "tableWidget",
              { "99999", en ? "Tx" : "发送", "20:03:11 059", "", en ? "Standard" : "标准帧", id,
                "8", data } },
            { "tableWidget_2", { id, data } },
            { "tableWidget_3", { id, data, "10000" } },
            { "tableWidget_4", { id, id, data } },
            { "tableWidget_5", { id } },
        };
        for (const auto &[name, widest] : tables) {
            auto *table = f->get<QTableWidget>(name);
            QVERIFY(!table->wordWrap());
            for (int column = 0; column < table->columnCount(); ++column) {
                QStringList texts{ table->horizontalHeaderItem(column)->text(),
                                   widest.value(column) };
                for (int row = 0; row < 2 && table == view; ++row)
                    texts << view->item(row, column)->text();
                for (const QString &text : texts)
                    QVERIFY2(table->columnWidth(column)
                                     >= table->fontMetrics().horizontalAdvance(text) + 6,
                             qPrintable(
                                     QString("%1 column %2: %3").arg(name).arg(column).arg(text)));
            }
        }
        QCOMPARE(view->rowHeight(1), view->verticalHeader()->defaultSectionSize());
    }

    // Under English the files the program reads back hold the source texts,
    // and load the same under both languages.
    void filesKeepSourceTexts()
    {
        QVERIFY(installUiLanguage(UiLanguage::English));
        f->start();
        f->get<QComboBox>("comboBoxMode")->setCurrentIndex(3);
        f->get<QComboBox>("cbBoxType")->setCurrentIndex(1);
        f->click("btnSetStart");
        f->get<QTableWidget>("tableWidget_2")->item(1, 2)->setText("go"); // written as typed
        f->click("btnManualSave");
        f->click("btnAutoSave");
        QVERIFY(f->dir.read("cfg.txt").startsWith("2000000,环回静默模式,扩展帧,1M,"));
        QCOMPARE(f->dir.read("manual.txt").split('\n').mid(0, 2),
                 QByteArrayList({ "0x00000000,00 11 22 33 44 55 66 77,发送",
                                  "0x00000001,00 11 22 33 44 55 66 77,go" }));
        QVERIFY(f->dir.read("auto.txt")
                        .startsWith("0x00000000,00 11 22 33 44 55 66 77,1000,1,发送\n"));
        for (const UiLanguage language : { UiLanguage::Chinese, UiLanguage::English }) {
            delete f->window;
            QVERIFY(installUiLanguage(language));
            f->start(false);
            const QString send = language == UiLanguage::English ? "Send" : "发送";
            QCOMPARE((QList<QVariant>{ f->get<QComboBox>("comboBoxMode")->currentIndex(),
                                       f->get<QComboBox>("cbBoxType")->currentIndex(),
                                       f->get<QTableWidget>("tableWidget_2")->item(0, 2)->text(),
                                       f->get<QTableWidget>("tableWidget_2")->item(1, 2)->text(),
                                       f->get<QTableWidget>("tableWidget_3")->item(0, 3)->text() }),
                     (QList<QVariant>{ 3, 1, send, "go", send }));
        }
    }
};

QTEST_MAIN(tst_LanguageWindow)
#include "tst_languagewindow.moc"
