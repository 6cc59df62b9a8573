#include "listfile.h"
#include "windowtest.h"

#include <QApplication>
#include <QComboBox>
#include <QProcess>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QTest>

#include <csignal>
#include <cstring>

namespace {
// Two versions of a large list, each line telling which version it belongs to.
QByteArray listVersion(char version)
{
    QByteArray text;
    for (int row = 0; row < 40000; ++row)
        text += "0x" + QByteArray::number(row, 16).rightJustified(8, '0')
                + ",00 11 22 33 44 55 66 77," + version + "\n";
    return text;
}
} // namespace

// Start-up with every stored file broken in the ways files get broken, and a
// save killed at any moment.
class tst_BadFiles : public QObject
{
    Q_OBJECT

private slots:
    void windowStarts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("line"); // a valid line
        QTest::addColumn<QString>("shown"); // the table that shows it; none: cfg.txt
        QTest::addColumn<int>("defaultRows");
        const QList<std::tuple<const char *, QByteArray, const char *, int>> files{
            { "cfg.txt",
              "9600,环回模式,扩展帧,500K,CAN_BS1_6tq,CAN_BS2_5tq,6,500.000kbps,1,2,Manual BPS "
              "FALSE,SendAlways,Fixed,",
              "", 0 },
            { "manual.txt", "0x1,01,发送", "tableWidget_2", 10 },
            { "auto.txt", "0x1,01,100,1,发送", "tableWidget_3", 10 },
            { "reply.txt", "0x1,0x2,01", "tableWidget_4", 10 },
            { "receiveID.txt", "0x1", "tableWidget_5", 5 },
        };
        for (const auto &[name, line, table, rows] : files) {
            for (const char *kind : { "garbage", "invalid utf-8", "byte-order mark", "crlf",
                                      "10 MB line", "directory", "no read permission" })
                QTest::addRow("%s, %s", name, kind) << name << line << table << rows;
        }
    }

    void windowStarts()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, line);
        QFETCH(QString, shown);
        QFETCH(int, defaultRows);
        const QString kind = QString(QTest::currentDataTag()).section(", ", 1);
        WindowFixture f;
        QByteArray garbage(64 * 1024, Qt::Uninitialized);
        QRandomGenerator random(42);
        for (char &c : garbage)
            c = char(random.bounded(256));
        const QMap<QString, QByteArray> content{
            { "garbage", garbage },
            { "invalid utf-8", line + "\xff\xfe\xc0\x80\n" + line + "\n" },
            { "byte-order mark", "\xEF\xBB\xBF" + line + "\n" },
            { "crlf", line + "\r\n" + line + "\r\n" },
            { "10 MB line", QByteArray(10 * 1024 * 1024, 'a') + "\n" + line },
            { "no read permission", line + "\n" },
        };
        const QString path = f.dir.filePath(name);
        if (kind == "directory")
            QDir().mkdir(path);
        f.dir.write(name, content[kind]);
        if (kind == "no read permission")
            QFile::setPermissions(path, {});
        f.start(false);

        // The valid line read as written (root reads a file without permissions),
        // or the documented fallbacks; any start at all from garbage.
        const bool readsLine = kind == "byte-order mark" || kind == "crlf"
                || (kind == "no read permission" && QFileInfo(path).isReadable());
        const bool fallback = kind == "directory" || kind == "no read permission"
                || kind == "10 MB line" || kind == "garbage";
        if (shown.isEmpty() && (readsLine || fallback))
            QCOMPARE(f.get<QComboBox>("cbBoxCANbps")->currentText(), readsLine ? "500K" : "1M");
        if (shown.isEmpty())
            return;
        auto *table = f.get<QTableWidget>(qPrintable(shown));
        if (readsLine)
            QCOMPARE(rowCells(table, 0).at(0), "0x1");
        else if (kind == "10 MB line") // a list line needs its fields: it ends the list
            QCOMPARE(table->rowCount(), name == "receiveID.txt" ? 2 : 0);
        else if (fallback && kind != "garbage")
            QCOMPARE(table->rowCount(), defaultRows);
    }

    // A save killed at any moment leaves the old file or the new one, never a mix.
    void killedSaveLeavesTheOldFileOrTheNew()
    {
        WorkingDirectory dir;
        const QByteArray versions[] = { listVersion('A'), listVersion('B') };
        dir.write("manual.txt", versions[0]);
        QRandomGenerator random(99);
        for (int round = 0; round < 20; ++round) {
            QProcess saver;
            saver.start(QCoreApplication::applicationFilePath(),
                        { "--save-forever", dir.filePath("manual.txt") });
            QVERIFY(saver.waitForStarted());
            QTest::qWait(int(50 + random.bounded(200)));
            ::kill(pid_t(saver.processId()), SIGKILL);
            QVERIFY(saver.waitForFinished());
            const QByteArray left = dir.read("manual.txt");
            QVERIFY2(left == versions[0] || left == versions[1],
                     qPrintable(QString("round %1: %2 bytes").arg(round).arg(left.size())));
        }
    }
};

// With --save-forever FILE the program saves the two versions in turn until it is killed.
int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--save-forever") == 0) {
        const QString versions[] = { listVersion('A'), listVersion('B') };
        for (unsigned n = 0;; ++n)
            writeFileAtomically(QString::fromLocal8Bit(argv[2]), versions[n % 2]);
    }
    QApplication app(argc, argv);
    tst_BadFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_badfiles.moc"
