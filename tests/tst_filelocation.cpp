#include "commandline.h"
#include "filelocation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_FileLocation : public QObject
{
    Q_OBJECT

private slots:
    void choose_data();
    void choose();
    void realFolders();
};

void tst_FileLocation::choose_data()
{
    QTest::addColumn<QString>("workingDir");
    QTest::addColumn<QString>("homeDir");
    QTest::addColumn<QString>("dataDir");
    QTest::addColumn<QStringList>("existingFiles");
    QTest::addColumn<QString>("chosen");

    const QString home = "/home/ann";
    const QString data = "/home/ann/.local/share/talvik";
    // From the desktop menu: the home folder, none of the files there.
    QTest::newRow("home, no files") << home << home << data << QStringList() << data;
    QTest::newRow("home given with a slash") << home << home + "/" << data << QStringList() << data;
    // Files stored there before (by a start from a terminal in the home folder) keep being used.
    for (const QString &name : programFileNames())
        QTest::addRow("home with %s", qPrintable(name))
                << home << home << data << QStringList{ name } << home;
    // From a terminal in a project folder: that folder, with or without files yet.
    QTest::newRow("project, no files")
            << "/work/bus" << home << data << QStringList() << "/work/bus";
    QTest::newRow("project with cfg.txt")
            << "/work/bus" << home << data << QStringList{ "cfg.txt" } << "/work/bus";
    QTest::newRow("folder inside home")
            << home + "/bus" << home << data << QStringList() << home + "/bus";
    QTest::newRow("home's name is a prefix")
            << "/home/anna" << home << data << QStringList() << "/home/anna";
    QTest::newRow("no data folder known") << home << home << QString() << QStringList() << home;
}

void tst_FileLocation::choose()
{
    QFETCH(QString, workingDir);
    QFETCH(QString, homeDir);
    QFETCH(QString, dataDir);
    QFETCH(QStringList, existingFiles);
    QFETCH(QString, chosen);

    QCOMPARE(chooseFileFolder(workingDir, homeDir, dataDir, existingFiles), chosen);
}

// The rule on real folders, with the home folder reached through a symbolic
// link as it often is: the working directory never shows the link.
void tst_FileLocation::realFolders()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString realHome = root.filePath("real-home");
    const QString linkedHome = root.filePath("home");
    QVERIFY(QDir().mkpath(realHome + "/project"));
    QVERIFY(QFile::link(realHome, linkedHome));
    const QString previousDir = QDir::currentPath();
    const QByteArray previousHome = qgetenv("HOME");
    const QByteArray previousData = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", linkedHome.toLocal8Bit());
    qunsetenv("XDG_DATA_HOME");
    nameTheProgram();

    QVERIFY(QDir::setCurrent(linkedHome));
    const QString dataDir = QDir(linkedHome).filePath(".local/share/talvik");
    QCOMPARE(fileFolderForThisStart(), dataDir);
    QVERIFY(useFileFolder(fileFolderForThisStart()));
    QCOMPARE(QDir::currentPath(), QDir(realHome).filePath(".local/share/talvik"));
    // Started from the data folder itself, it stays there.
    QCOMPARE(QDir(fileFolderForThisStart()).canonicalPath(), QDir::currentPath());

    QVERIFY(QDir::setCurrent(realHome));
    QFile cfg(QDir(realHome).filePath("manual.txt"));
    QVERIFY(cfg.open(QIODevice::WriteOnly));
    cfg.close();
    QCOMPARE(fileFolderForThisStart(), realHome);

    QVERIFY(QDir::setCurrent(realHome + "/project"));
    QCOMPARE(fileFolderForThisStart(), realHome + "/project");

    // A data folder that cannot be made leaves the working directory as it is.
    QVERIFY(!useFileFolder(QDir(realHome).filePath("manual.txt/talvik")));
    QCOMPARE(QDir::currentPath(), realHome + "/project");

    QDir::setCurrent(previousDir);
    qputenv("HOME", previousHome);
    if (!previousData.isNull())
        qputenv("XDG_DATA_HOME", previousData);
}

QTEST_APPLESS_MAIN(tst_FileLocation)
#include "tst_filelocation.moc"
