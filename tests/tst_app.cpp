#include "cellwords.h"
#include "commandline.h"
#include "filelocation.h"
#include "language.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The first message of a .ts file that is unfinished, vanished, obsolete or empty.
QString translationProblem(const QString &file)
{
    QFile ts(file);
    if (!ts.open(QIODevice::ReadOnly))
        return "missing " + file;
    const QString text = QString::fromUtf8(ts.readAll());
    const int at = text.indexOf(QRegularExpression("<translation( type=|></translation>)"));
    const int from = text.lastIndexOf("<source>", at);
    return at < 0 ? QString() : text.mid(from, at - from);
}

// The program run with `arguments` in the C locale, with `home` as its home and working
// folder, and without the variables `unset`: exit code, then its output.
QString runProgram(const QStringList &arguments, const QString &home, const QStringList &unset = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : QStringList{ "LANGUAGE", "LC_ALL", "LC_MESSAGES" } + unset)
        env.remove(name);
    env.insert("LANG", "C");
    env.insert("HOME", home);
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(home);
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
        QTest::newRow("system zh_HK underscore") << system({ "zh_HK" }) << "zh";
        QTest::newRow("system C") << system({ "C" }) << "zh";
        QTest::newRow("system zu and zha are not zh") << system({ "zu-ZA", "zha" }) << "en";
        QTest::newRow("system LANGUAGE=de:zh") << system({ "de", "de-DE", "zh", "zh-CN" }) << "zh";
        QTest::newRow("system LANGUAGE=en_GB:zh") << system({ "en-GB", "zh", "zh-CN" }) << "en";
        // The answer to the command line: the window, or the exit code, the text's first
        // line, and whether it names the file folder and points to --help.
        const auto answer = [](const QStringList &arguments, bool strict) {
            nameTheProgram();
            const CommandLineAnswer a = readCommandLine(
                    QStringList{ "/usr/bin/talvik" } + arguments, "/srv/bus", strict);
            if (a.startWindow)
                return a.port.isEmpty() ? QStringLiteral("window") : "window on " + a.port;
            QString shown = QString::number(a.exitCode) + ' ' + a.text.section('\n', 0, 0);
            shown.replace(QCoreApplication::arguments().first(), "talvik");
            if (a.text.contains(ProgramInfo::text("/srv/bus")))
                shown += " [folder]";
            if (a.text.endsWith("--help 查看可用的选项。\n"))
                shown += " [--help]";
            return shown;
        };
        QTest::newRow("command line empty") << answer({}, true) << "window";
        QTest::newRow("command line --port")
                << answer({ "--port", "socketcan:can0" }, true) << "window on socketcan:can0";
        QTest::newRow("command line --version")
                << answer({ "--version" }, false) << "0 talvik " TALVIK_VERSION;
        QTest::newRow("command line --help beside Qt's option")
                << answer({ "-platform", "xcb", "--help" }, false)
                << "0 Usage: talvik [options] [folder]";
        QTest::newRow("command line unknown option")
                << answer({ "--bogus" }, true) << "1 talvik: Unknown option 'bogus'. [--help]";
        QTest::newRow("command line a file")
                << answer({ "cfg.txt" }, true) << "1 talvik: 多余的参数：cfg.txt [--help]";
        // Where the files go: the working directory, unless started from the home folder
        // that holds none of them (as the desktop menu starts programs).
        const QString data = "/home/ann/.local/share/talvik";
        const auto folder = [&](const QString &working, const QStringList &files = {}) {
            return chooseFileFolder(working, "/home/ann", data, files);
        };
        QTest::newRow("folder: home, no files") << folder("/home/ann") << data;
        for (const QString &name : programFileNames())
            QTest::addRow("folder: home with %s", qPrintable(name))
                    << folder("/home/ann", { name }) << "/home/ann";
        QTest::newRow("folder: project") << folder("/work/bus") << "/work/bus";
        QTest::newRow("folder: home's name is a prefix") << folder("/home/anna") << "/home/anna";
        QTest::newRow("folder: no data folder known")
                << chooseFileFolder("/home/ann", "/home/ann", {}, {}) << "/home/ann";
    }

    void examples()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    // Cells show the UI language's words; files keep the source words.
    void cellWords()
    {
        QVERIFY(installUiLanguage(UiLanguage::English));
        const QStringList shown{ "Rx", "Tx", "Data", "Remote", "Standard", "Extended", "Send" };
        const CellWords words;
        const QStringList sources{ "接受", "发送", "数据帧", "远程帧", "标准帧", "扩展帧", "发送" };
        for (int i = 0; i < shown.size(); ++i) {
            const auto word = CellWord(i);
            QCOMPARE(words[word] + cellWordSource(word), shown[i] + sources[i]);
            QCOMPARE(words.shown(sources[i], word) + words.shown("go", word), shown[i] + "go");
            QCOMPARE(words.source(shown[i], word) + words.source("go", word), sources[i] + "go");
        }
    }

    // The program itself: a bad --lang stops it before any window, with status 2 and the
    // reason in the system's language; --help needs no display and names the file folder.
    void program()
    {
        QTemporaryDir home;
        const QString refused = runProgram({ "--lang=de" }, home.path());
        QVERIFY2(refused.startsWith("2 ")
                         && refused.contains("talvik：不认识的界面语言“de”，--lang 只接受 zh 或 en"),
                 qPrintable(refused));
        const QString data = home.filePath(".local/share/talvik");
        const QString help = runProgram({ "--help" }, home.path(),
                                        { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                          "XDG_DATA_HOME" });
        QVERIFY2(help.startsWith("0 ") && help.contains("Usage: talvik")
                         && help.contains(ProgramInfo::text(data)),
                 qPrintable(help));
        QVERIFY(!QFileInfo::exists(data)); // asking is not starting
    }

    // The committed file is finished, and lupdate refreshing a copy of it from the
    // sources finds no text added to the code or the form without its translation.
    void translationsComplete()
    {
        QCOMPARE(translationProblem(TALVIK_TS_FILE), QString());
        QTemporaryDir dir;
        const QString copy = dir.filePath("talvik_en.ts");
        QVERIFY(QFile::copy(TALVIK_TS_FILE, copy));
        QProcess lupdate;
        lupdate.start(
                TALVIK_LUPDATE,
                { "-no-obsolete", "-locations", "none", TALVIK_SOURCE_DIR "/src", "-ts", copy });
        QVERIFY(lupdate.waitForFinished(60000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());
        QCOMPARE(translationProblem(copy), QString());
    }
};

QTEST_GUILESS_MAIN(tst_App)
#include "tst_app.moc"
