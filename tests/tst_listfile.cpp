#include "listfile.h"
#include "windowtest.h"

#include <QTest>

class tst_ListFile : public QObject
{
    Q_OBJECT

private slots:
    void splitLine_data();
    void splitLine();
    void readStopsAtShortLine();
    void roundTrip();
    void failedSaveKeepsOldFile();
};

void tst_ListFile::splitLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("as written") << QByteArray("0x00000000,00 11 22 33 44 55 66 77,发送\n")
                                << QStringList{ "0x00000000", "00 11 22 33 44 55 66 77", "发送" };
    QTest::newRow("white space simplified")
            << QByteArray("  a ,b  \t c,d \r\n") << QStringList{ "a ", "b c", "d" };
    QTest::newRow("empty fields kept") << QByteArray(",,") << QStringList{ "", "", "" };
    QTest::newRow("trailing comma") << QByteArray("a,b,") << QStringList{ "a", "b", "" };
    QTest::newRow("blank line") << QByteArray("   \n") << QStringList{ "" };
}

void tst_ListFile::splitLine()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, fields);
    QCOMPARE(splitListLine(line), fields);
}

void tst_ListFile::readStopsAtShortLine()
{
    WorkingDirectory dir;
    dir.write("list.txt", "a,b,c\nd,e,f,g\n\nh,i,j\n");
    const auto rows = readListFile("list.txt", 3);
    QVERIFY(rows);
    QCOMPARE(*rows, (QList<QStringList>{ { "a", "b", "c" }, { "d", "e", "f", "g" } }));

    dir.write("list.txt", "a,b,c\r\nd,e\r\nh,i,j\r\n");
    QCOMPARE(readListFile("list.txt", 3)->size(), 1);
}

void tst_ListFile::roundTrip()
{
    WorkingDirectory dir;
    const QList<QStringList> rows{ { "0x1", "00 11", "发送" }, { "", "", "" } };
    QVERIFY(writeFileAtomically("list.txt", listFileText(rows)));
    QCOMPARE(dir.read("list.txt"), QByteArray("0x1,00 11,发送\n,,\n"));
    QCOMPARE(*readListFile("list.txt", 3), rows);
}

void tst_ListFile::failedSaveKeepsOldFile()
{
    WorkingDirectory dir;
    QDir(dir.path()).mkdir("taken.txt");
    QVERIFY(!writeFileAtomically("taken.txt", "new"));
    QVERIFY(QFileInfo(dir.filePath("taken.txt")).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

QTEST_APPLESS_MAIN(tst_ListFile)
#include "tst_listfile.moc"
