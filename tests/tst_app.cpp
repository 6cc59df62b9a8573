#include "cellwords.h"
#include "cfgfile.h"
#include "commandline.h"
#include "filelocation.h"
#include "language.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

Q_DECLARE_METATYPE(UiLanguage)

namespace {

// The problems of a .ts file, one line a message: unfinished, empty, vanished or
// obsolete translations, and translations that lose or add a %-marker of their source.
QStringList translationProblems(const QByteArray &ts)
{
    QStringList problems;
    QXmlStreamReader xml(ts);
    QString context, source, translation, type;
    bool numerus = false;
    const auto markers = [](const QString &text) {
        QStringList found;
        for (auto it = QRegularExpression("%\\d").globalMatch(text); it.hasNext();)
            found << it.next().captured();
        found.sort();
        found.removeDuplicates();
        return found;
    };
    while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
        if (xml.isStartElement() && xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.isStartElement() && xml.name() == u"message") {
            numerus = xml.attributes().value(QLatin1String("numerus")) == u"yes";
            type.clear();
            translation.clear();
        } else if (xml.isStartElement() && xml.name() == u"source") {
            source = xml.readElementText();
        } else if (xml.isStartElement() && xml.name() == u"translation") {
            type = xml.attributes().value(QLatin1String("type")).toString();
            translation =
                    numerus ? "-" : xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.isEndElement() && xml.name() == u"message") {
            const QString where = context + ": " + source.left(40);
            if (!type.isEmpty())
                problems << type + " " + where;
            else if (translation.isEmpty())
                problems << "empty " + where;
            else if (!numerus && markers(source) != markers(translation))
                problems << "markers " + where;
        }
    }
    if (xml.hasError())
        problems << "xml " + xml.errorString();
    return problems;
}

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing " + name.toUtf8());
}

// The program run with `arguments` in `environment` changes: exit code, then its output.
QString runProgram(const QStringList &arguments, const QStringList &environment,
                   const QString &folder = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &change : environment)
        change.contains('=') ? env.insert(change.section('=', 0, 0), change.section('=', 1))
                             : env.remove(change);
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(folder);
    program.start(TALVIK_PROGRAM, arguments);
    if (!program.waitForFinished(20000))
        return "did not finish";
    return QStringLiteral("%1 ").arg(program.exitCode())
            + QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
}

} // namespace

// Start-up: the language, the command line, where the files go, the translation.
class tst_App : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { installUiLanguage(UiLanguage::Chinese); }

    // What the program makes of the system, its arguments and its folders (actual, expected).
    void examples_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        // The first zh, en or C/POSIX entry decides; others pass; none known gives English.
        const auto system = [](const QStringList &uiLanguages) {
            return systemUiLanguage(uiLanguages) == UiLanguage::Chinese ? "zh" : "en";
        };
        QTest::newRow("system zh_CN") << system({ "zh-CN", "zh-Hans-CN", "zh" }) << "zh";
        QTest::newRow("system zh_HK underscore") << system({ "zh_HK" }) << "zh";
        QTest::newRow("system C") << system({ "C" }) << "zh";
        QTest::newRow("system nothing at all") << system({}) << "zh";
        QTest::newRow("system en_US") << system({ "en-US", "en-Latn-US", "en" }) << "en";
        QTest::newRow("system ja_JP") << system({ "ja-JP", "ja-Jpan-JP", "ja" }) << "en";
        QTest::newRow("system zu and zha are not zh") << system({ "zu-ZA", "zha" }) << "en";
        QTest::newRow("system LANGUAGE=de:zh") << system({ "de", "de-DE", "zh", "zh-CN" }) << "zh";
        QTest::newRow("system LANGUAGE=en_GB:zh") << system({ "en-GB", "zh", "zh-CN" }) << "en";
        // --lang's value, and the language it chooses.
        const auto option = [](const QStringList &arguments) {
            const std::optional<QString> value =
                    languageOptionValue(QStringList{ "talvik" } + arguments);
            const std::optional<UiLanguage> chosen = uiLanguageFromCode(value.value_or(""));
            return !value ? "none"
                          : *value + "="
                            + (!chosen                                  ? "?"
                                       : *chosen == UiLanguage::English ? "en"
                                                                        : "zh");
        };
        QTest::newRow("--lang none") << option({}) << "none";
        QTest::newRow("--lang en") << option({ "--x", "--lang", "en", "y" }) << "en=en";
        QTest::newRow("--lang=zh") << option({ "--lang=zh" }) << "zh=zh";
        QTest::newRow("--lang unknown") << option({ "--lang", "EN" }) << "EN=?";
        QTest::newRow("--lang without value") << option({ "--lang" }) << "=?";
        // The answer to the command line: the window, or the exit code, the text's first
        // line, and whether it names the file folder and points to --help.
        const auto answer = [](const QStringList &arguments, bool strict) {
            nameTheProgram();
            const CommandLineAnswer a = readCommandLine(
                    QStringList{ "/usr/bin/talvik" } + arguments, "/srv/bus", strict);
            return a.startWindow
                    ? "window"
                    : QStringLiteral("%1 %2%3%4")
                              .arg(a.exitCode)
                              .arg(a.text.section('\n', 0, 0)
                                           .replace(QCoreApplication::arguments().first(),
                                                    "talvik"))
                              .arg(a.text.contains(ProgramInfo::text("/srv/bus")) ? " [folder]"
                                                                                  : "")
                              .arg(a.text.endsWith("--help 查看可用的选项。\n") ? " [--help]" : "");
        };
        QTest::newRow("command line empty") << answer({}, true) << "window";
        QTest::newRow("command line --version")
                << answer({ "--version" }, false) << "0 talvik " TALVIK_VERSION;
        QTest::newRow("command line -h")
                << answer({ "-h" }, true) << "0 Usage: talvik [options] [folder]";
        QTest::newRow("command line Qt's option, early")
                << answer({ "-platform", "xcb" }, false) << "window";
        QTest::newRow("command line --help beside Qt's option")
                << answer({ "-platform", "xcb", "--help" }, false)
                << "0 Usage: talvik [options] [folder]";
        QTest::newRow("command line unknown option")
                << answer({ "--bogus" }, true) << "1 talvik: Unknown option 'bogus'. [--help]";
        QTest::newRow("command line unknown option, early")
                << answer({ "--bogus" }, false) << "window";
        QTest::newRow("command line a file")
                << answer({ "cfg.txt" }, true) << "1 talvik: 多余的参数：cfg.txt [--help]";
        // Where the files go: the working directory, unless started from the home folder
        // that holds none of them (as the desktop menu starts programs).
        const QString data = "/home/ann/.local/share/talvik";
        const auto folder = [&](const QString &working, const QStringList &files = {},
                                const QString &home = "/home/ann") {
            return chooseFileFolder(working, home, data, files);
        };
        QTest::newRow("folder: home, no files") << folder("/home/ann") << data;
        QTest::newRow("folder: home given with a slash")
                << folder("/home/ann", {}, "/home/ann/") << data;
        for (const QString &name : programFileNames())
            QTest::addRow("folder: home with %s", qPrintable(name))
                    << folder("/home/ann", { name }) << "/home/ann";
        QTest::newRow("folder: project") << folder("/work/bus") << "/work/bus";
        QTest::newRow("folder: inside home") << folder("/home/ann/bus") << "/home/ann/bus";
        QTest::newRow("folder: home's name is a prefix") << folder("/home/anna") << "/home/anna";
        QTest::newRow("folder: no data folder known")
                << chooseFileFolder("/home/ann", "/home/ann", {}, {}) << "/home/ann";
        QTest::newRow("cfg.txt item texts")
                << storedItemText(CfgItems::Mode, 3) + storedItemText(CfgItems::FrameType, 1) + "|"
                        + storedItemText(CfgItems::FrameType, 2)
                << "环回静默模式扩展帧|";
        QTest::newRow("cfg.txt item indexes")
                << QStringLiteral("%1 %2")
                           .arg(storedItemIndex(CfgItems::Mode, "静默模式"))
                           .arg(storedItemIndex(CfgItems::FrameType, "Extended"))
                << "2 -1";
    }

    void examples()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    // Cells show the UI language's words; files keep the source words.
    void cellWords_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("zh") << UiLanguage::Chinese
                            << QStringList{ "接受",   "发送",   "数据帧", "远程帧",
                                            "标准帧", "扩展帧", "发送" };
        QTest::newRow("en") << UiLanguage::English
                            << QStringList{ "Rx",       "Tx",       "Data", "Remote",
                                            "Standard", "Extended", "Send" };
    }

    void cellWords()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QStringList, shown);
        QVERIFY(installUiLanguage(language));
        const CellWords words;
        const QStringList sources{ "接受", "发送", "数据帧", "远程帧", "标准帧", "扩展帧", "发送" };
        for (int i = 0; i < shown.size(); ++i) {
            const auto word = CellWord(i);
            QCOMPARE(words[word] + cellWordSource(word), shown[i] + sources[i]);
            QCOMPARE(words.shown(sources[i], word) + words.shown("go", word), shown[i] + "go");
            QCOMPARE(words.source(shown[i], word) + words.source("go", word), sources[i] + "go");
        }
    }

    // The program itself: a bad --lang stops it before any window, with status 2
    // and the reason in the system's language; --version and --help need no display.
    void program_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("output");
        const QStringList noDisplay{ "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                     "XDG_DATA_HOME" };
        QTest::newRow("unknown language, English system")
                << QStringList{ "--lang", "fr" }
                << QStringList{ "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG=en_US.UTF-8" }
                << "2 talvik: unknown language \"fr\" for --lang: use zh or en";
        QTest::newRow("unknown language, C locale")
                << QStringList{ "--lang=de" }
                << QStringList{ "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG=C" }
                << "2 talvik：不认识的界面语言“de”，--lang 只接受 zh 或 en";
        QTest::newRow("version") << QStringList{ "--version" } << noDisplay
                                 << "0 talvik " TALVIK_VERSION "\n";
        QTest::newRow("help") << QStringList{ "--help" } << noDisplay << "0 Usage: talvik";
    }

    void program()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, environment);
        QFETCH(QString, output);
        QTemporaryDir home;
        const QString shown =
                runProgram(arguments, environment << "HOME=" + home.path(), home.path());
        QVERIFY2(shown.startsWith(output.left(2)) && shown.contains(output.mid(2)),
                 qPrintable(shown));
        if (arguments == QStringList{ "--help" }) // names the folder its files would live in
            QVERIFY2(shown.contains(ProgramInfo::text(home.filePath(".local/share/talvik"))),
                     qPrintable(shown));
        QVERIFY(!QFileInfo::exists(home.filePath(".local/share/talvik"))); // asking is not starting
    }

    // The rule on real folders, the home folder reached through a symbolic link
    // as it often is: the working directory never shows the link.
    void realFileFolders()
    {
        QTemporaryDir root;
        const QString realHome = root.filePath("real-home"), linkedHome = root.filePath("home");
        QVERIFY(QDir().mkpath(realHome + "/project") && QFile::link(realHome, linkedHome));
        const QString previousDir = QDir::currentPath();
        const QByteArray previousHome = qgetenv("HOME"), previousData = qgetenv("XDG_DATA_HOME");
        qputenv("HOME", linkedHome.toLocal8Bit());
        qunsetenv("XDG_DATA_HOME");
        nameTheProgram();
        QVERIFY(QDir::setCurrent(linkedHome));
        QCOMPARE(fileFolderForThisStart(), linkedHome + "/.local/share/talvik");
        QVERIFY(useFileFolder(fileFolderForThisStart()));
        QCOMPARE(QDir::currentPath(), realHome + "/.local/share/talvik");
        QCOMPARE(QDir(fileFolderForThisStart()).canonicalPath(), QDir::currentPath()); // stays
        QVERIFY(QDir::setCurrent(realHome));
        QFile(realHome + "/manual.txt").open(QIODevice::WriteOnly);
        QCOMPARE(fileFolderForThisStart(), realHome);
        QVERIFY(QDir::setCurrent(realHome + "/project"));
        QCOMPARE(fileFolderForThisStart(), realHome + "/project");
        // A data folder that cannot be made leaves the working directory as it is.
        QVERIFY(!useFileFolder(realHome + "/manual.txt/talvik"));
        QCOMPARE(QDir::currentPath(), realHome + "/project");
        QDir::setCurrent(previousDir);
        qputenv("HOME", previousHome);
        if (!previousData.isNull())
            qputenv("XDG_DATA_HOME", previousData);
    }

    // The committed file is finished, and lupdate refreshing a copy of it from the
    // sources finds no text added to the code or the form without its translation.
    void translationsComplete()
    {
        const QStringList committed = translationProblems(readFile(TALVIK_TS_FILE));
        QVERIFY2(committed.isEmpty(), qPrintable(committed.join('\n')));
        QTemporaryDir dir;
        const QString copy = dir.filePath("talvik_en.ts");
        QVERIFY(QFile::copy(TALVIK_TS_FILE, copy));
        QProcess lupdate;
        lupdate.start(
                TALVIK_LUPDATE,
                { "-no-obsolete", "-locations", "none", TALVIK_SOURCE_DIR "/src", "-ts", copy });
        QVERIFY(lupdate.waitForFinished(60000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());
        const QStringList refreshed = translationProblems(readFile(copy));
        QVERIFY2(refreshed.isEmpty(), qPrintable(refreshed.join('\n')));
    }
};

QTEST_GUILESS_MAIN(tst_App)
#include "tst_app.moc"
