#include "commandline.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void read_data();
    void read();
    void versionAndHelpNeedNoDisplay();
};

void tst_CommandLine::initTestCase()
{
    nameTheProgram();
}

void tst_CommandLine::read_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("strict");
    QTest::addColumn<bool>("startWindow");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("textStart");

    const QString version = QStringLiteral("talvik " TALVIK_VERSION "\n");
    QTest::newRow("nothing") << QStringList() << true << true << 0 << QString();
    QTest::newRow("--version") << QStringList{ "--version" } << false << false << 0 << version;
    QTest::newRow("-v") << QStringList{ "-v" } << true << false << 0 << version;
    QTest::newRow("--help") << QStringList{ "--help" } << false << false << 0 << "Usage: talvik";
    QTest::newRow("-h") << QStringList{ "-h" } << true << false << 0 << "Usage: talvik";
    // Before Qt has taken its own options out, they are not errors yet.
    QTest::newRow("Qt's option, early")
            << QStringList{ "-platform", "xcb" } << false << true << 0 << QString();
    QTest::newRow("help beside Qt's option") << QStringList{ "-platform", "xcb", "--help" } << false
                                             << false << 0 << "Usage: talvik";
    QTest::newRow("unknown option") << QStringList{ "--bogus" } << true << false << 1
                                    << "talvik: Unknown option 'bogus'.\n";
    // The language is checked where the translation is installed.
    QTest::newRow("language") << QStringList{ "--lang", "en" } << true << true << 0 << QString();
    QTest::newRow("unknown option, early")
            << QStringList{ "--bogus" } << false << true << 0 << QString();
    QTest::newRow("a file") << QStringList{ "cfg.txt" } << true << false << 1 << "talvik: ";
}

void tst_CommandLine::read()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, strict);
    QFETCH(bool, startWindow);
    QFETCH(int, exitCode);
    QFETCH(QString, textStart);

    const CommandLineAnswer answer =
            readCommandLine(QStringList{ "/usr/bin/talvik" } + arguments, "/srv/bus", strict);
    QCOMPARE(answer.startWindow, startWindow);
    QCOMPARE(answer.exitCode, exitCode);
    QVERIFY2(answer.text.startsWith(textStart), qPrintable(answer.text));
    if (arguments.contains("--help")) {
        QVERIFY(answer.text.contains(ProgramInfo::text("/srv/bus")));
        QVERIFY(answer.text.contains("--version"));
    }
    if (exitCode != 0)
        QVERIFY(answer.text.endsWith("--help 查看可用的选项。\n"));
}

// The installed program answers --version and --help from any folder, with
// no display to open; --help names the folder its files would live in.
void tst_CommandLine::versionAndHelpNeedNoDisplay()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    environment.remove("XDG_DATA_HOME");
    environment.insert("HOME", home.path());

    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(home.path());
    program.start(TALVIK_BINARY, { "--version" });
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(program.readAllStandardOutput(), QByteArray("talvik " TALVIK_VERSION "\n"));

    program.start(TALVIK_BINARY, { "--help" });
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    const QString help = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(help.contains(ProgramInfo::text(home.filePath(".local/share/talvik"))),
             qPrintable(help));
    // Asking is not starting: nothing is created.
    QVERIFY(!QFileInfo::exists(home.filePath(".local/share/talvik")));
}

QTEST_APPLESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
