#include "cellwords.h"
#include "cfgfile.h"
#include "language.h"

#include <QLocale>
#include <QProcess>
#include <QTest>

// Which language the program speaks, and the words it writes into cells.
class tst_Language : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void systemLanguage_data();
    void systemLanguage();
    void languageOption_data();
    void languageOption();
    void cellWords_data();
    void cellWords();
    void cfgItemTexts();
    void badOptionExitsWithStatus2_data();
    void badOptionExitsWithStatus2();
};

Q_DECLARE_METATYPE(UiLanguage)

void tst_Language::cleanup()
{
    installUiLanguage(UiLanguage::Chinese);
}

void tst_Language::systemLanguage_data()
{
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<UiLanguage>("expected");

    const auto zh = UiLanguage::Chinese;
    const auto en = UiLanguage::English;
    QTest::newRow("zh_CN") << QStringList{ "zh-CN", "zh-Hans-CN", "zh" } << zh;
    QTest::newRow("zh_TW") << QStringList{ "zh-TW", "zh-Hant-TW" } << zh;
    QTest::newRow("zh_HK underscore") << QStringList{ "zh_HK" } << zh;
    QTest::newRow("C") << QStringList{ "C" } << zh;
    QTest::newRow("POSIX") << QStringList{ "POSIX" } << zh;
    QTest::newRow("nothing known") << QStringList() << zh;
    QTest::newRow("en_US") << QStringList{ "en-US", "en-Latn-US", "en" } << en;
    QTest::newRow("de_DE") << QStringList{ "de-DE", "de-Latn-DE", "de" } << en;
    QTest::newRow("ja_JP") << QStringList{ "ja-JP", "ja-Jpan-JP", "ja" } << en;
    QTest::newRow("zu is not zh") << QStringList{ "zu-ZA" } << en;
    QTest::newRow("zha is not zh") << QStringList{ "zha" } << en;
    QTest::newRow("LANGUAGE=de:zh")
            << QStringList{ "de", "de-Latn-DE", "de-DE", "zh", "zh-CN" } << zh;
    QTest::newRow("LANGUAGE=en:zh") << QStringList{ "en", "zh", "zh-CN" } << en;
    QTest::newRow("LANGUAGE=zh:en") << QStringList{ "zh", "en" } << zh;
}

void tst_Language::systemLanguage()
{
    QFETCH(QStringList, uiLanguages);
    QFETCH(UiLanguage, expected);
    QCOMPARE(systemUiLanguage(uiLanguages), expected);
}

void tst_Language::languageOption_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("value"); // "null" for no option
    QTest::addColumn<int>("language"); // -1 unknown, 0 Chinese, 1 English

    QTest::newRow("none") << QStringList{ "talvik" } << "null" << -1;
    QTest::newRow("en") << QStringList{ "talvik", "--lang", "en" } << "en" << 1;
    QTest::newRow("zh") << QStringList{ "talvik", "--lang", "zh" } << "zh" << 0;
    QTest::newRow("equals") << QStringList{ "talvik", "--lang=en" } << "en" << 1;
    QTest::newRow("among others") << QStringList{ "talvik", "--other", "--lang", "zh", "x" } << "zh"
                                  << 0;
    QTest::newRow("unknown") << QStringList{ "talvik", "--lang", "fr" } << "fr" << -1;
    QTest::newRow("upper case") << QStringList{ "talvik", "--lang", "EN" } << "EN" << -1;
    QTest::newRow("locale name") << QStringList{ "talvik", "--lang", "zh_CN" } << "zh_CN" << -1;
    QTest::newRow("no value") << QStringList{ "talvik", "--lang" } << "" << -1;
}

void tst_Language::languageOption()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, value);
    QFETCH(int, language);

    const std::optional<QString> found = languageOptionValue(arguments);
    QCOMPARE(found.has_value(), value != QLatin1String("null"));
    if (!found)
        return;
    QCOMPARE(*found, value);
    const std::optional<UiLanguage> chosen = uiLanguageFromCode(*found);
    QCOMPARE(chosen.has_value(), language >= 0);
    if (chosen)
        QCOMPARE(int(*chosen), language);
}

void tst_Language::cellWords_data()
{
    QTest::addColumn<UiLanguage>("language");
    QTest::addColumn<QStringList>("shown");

    // The English words are fixed: a log reader accepts them.
    QTest::newRow("zh") << UiLanguage::Chinese
                        << QStringList{ "接受",   "发送",   "数据帧", "远程帧",
                                        "标准帧", "扩展帧", "发送" };
    QTest::newRow("en") << UiLanguage::English << QStringList{ "Rx",     "Tx",       "Data",
                                                               "Remote", "Standard", "Extended",
                                                               "Send" };
}

void tst_Language::cellWords()
{
    QFETCH(UiLanguage, language);
    QFETCH(QStringList, shown);

    QVERIFY(installUiLanguage(language));
    const CellWords words;
    const QStringList sources{ "接受", "发送", "数据帧", "远程帧", "标准帧", "扩展帧", "发送" };
    for (int i = 0; i < shown.size(); ++i) {
        const auto word = CellWord(i);
        QCOMPARE(words[word], shown.at(i));
        QCOMPARE(cellWordSource(word), sources.at(i));
        // files hold the source word, cells the shown one; other texts pass as they are
        QCOMPARE(words.shown(sources.at(i), word), shown.at(i));
        QCOMPARE(words.source(shown.at(i), word), sources.at(i));
        QCOMPARE(words.shown(QStringLiteral("go"), word), QStringLiteral("go"));
        QCOMPARE(words.source(QStringLiteral("go"), word), QStringLiteral("go"));
    }
}

void tst_Language::cfgItemTexts()
{
    const QStringList modes{ "正常模式", "环回模式", "静默模式", "环回静默模式" };
    for (int i = 0; i < modes.size(); ++i) {
        QCOMPARE(storedItemText(CfgItems::Mode, i), modes.at(i));
        QCOMPARE(storedItemIndex(CfgItems::Mode, modes.at(i)), i);
    }
    QCOMPARE(storedItemText(CfgItems::FrameType, 1), QString("扩展帧"));
    QCOMPARE(storedItemIndex(CfgItems::FrameType, "标准帧"), 0);
    // translated texts and anything else are not item texts of the file
    QCOMPARE(storedItemIndex(CfgItems::FrameType, "Extended"), -1);
    QCOMPARE(storedItemIndex(CfgItems::Mode, ""), -1);
    QCOMPARE(storedItemText(CfgItems::Mode, -1), QString());
    QCOMPARE(storedItemText(CfgItems::FrameType, 2), QString());
}

// The program itself: a bad --lang stops it before any window, with status 2
// and the reason on stderr in the system's language.
void tst_Language::badOptionExitsWithStatus2_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("lang"); // LANG of the program
    QTest::addColumn<QString>("error");

    QTest::newRow("unknown, English system")
            << QStringList{ "--lang", "fr" } << "en_US.UTF-8"
            << "talvik: unknown language \"fr\" for --lang: use zh or en";
    QTest::newRow("unknown, C locale") << QStringList{ "--lang=de" } << "C"
                                       << "talvik：不认识的界面语言“de”，--lang 只接受 zh 或 en";
    QTest::newRow("no value") << QStringList{ "--lang" } << "en_US.UTF-8"
                              << "talvik: unknown language \"\" for --lang: use zh or en";
}

void tst_Language::badOptionExitsWithStatus2()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, lang);
    QFETCH(QString, error);

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "LANGUAGE", "LC_ALL", "LC_MESSAGES" })
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), lang);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TALVIK_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 2);
    const QString stderrText = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(stderrText.contains(error), qPrintable(stderrText));
}

QTEST_GUILESS_MAIN(tst_Language)
#include "tst_language.moc"
