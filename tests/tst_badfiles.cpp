#include "windowtest.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

// Start-up with every stored file broken in the ways files get broken.
class tst_BadFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void windowStarts_data();
    void windowStarts();

private:
    WindowFixture *f = nullptr;
};

namespace {

// A valid first line of each file, and the table and cell that show it.
struct StoredFile
{
    const char *name;
    QByteArray validLine;
    const char *table; // nullptr: cfg.txt
    int defaultRows;
};

const StoredFile Files[] = {
    { "cfg.txt",
      "9600,环回模式,扩展帧,500K,CAN_BS1_6tq,CAN_BS2_5tq,6,500.000kbps,1,2,Manual BPS "
      "FALSE,SendAlways,Fixed,",
      nullptr, 0 },
    { "manual.txt", "0x1,01,发送", "tableWidget_2", 10 },
    { "auto.txt", "0x1,01,100,1,发送", "tableWidget_3", 10 },
    { "reply.txt", "0x1,0x2,01", "tableWidget_4", 10 },
    { "receiveID.txt", "0x1", "tableWidget_5", 5 },
};

QByteArray garbage(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(42);
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

} // namespace

void tst_BadFiles::init()
{
    QTest::failOnWarning(QRegularExpression("No matching signal"));
    f = new WindowFixture;
}

void tst_BadFiles::cleanup()
{
    delete f;
}

void tst_BadFiles::windowStarts_data()
{
    QTest::addColumn<int>("file");
    QTest::addColumn<QString>("kind");
    for (int i = 0; i < int(std::size(Files)); ++i) {
        for (const char *kind : { "garbage", "invalid utf-8", "byte-order mark", "crlf",
                                  "10 MB line", "directory", "no read permission" })
            QTest::addRow("%s, %s", Files[i].name, kind) << i << QString(kind);
    }
}

void tst_BadFiles::windowStarts()
{
    QFETCH(int, file);
    QFETCH(QString, kind);
    const StoredFile &stored = Files[file];
    const QString path = f->dir.filePath(stored.name);

    if (kind == "garbage")
        f->dir.write(stored.name, garbage(64 * 1024));
    else if (kind == "invalid utf-8")
        f->dir.write(stored.name,
                     stored.validLine + "\xff\xfe\xc0\x80\n" + stored.validLine + "\n");
    else if (kind == "byte-order mark")
        f->dir.write(stored.name, "\xEF\xBB\xBF" + stored.validLine + "\n");
    else if (kind == "crlf")
        f->dir.write(stored.name, stored.validLine + "\r\n" + stored.validLine + "\r\n");
    else if (kind == "10 MB line")
        f->dir.write(stored.name, QByteArray(10 * 1024 * 1024, 'a') + "\n" + stored.validLine);
    else if (kind == "directory")
        QDir(f->dir.path()).mkdir(stored.name);
    else if (kind == "no read permission") {
        f->dir.write(stored.name, stored.validLine + "\n");
        QFile::setPermissions(path, {});
    }

    QElapsedTimer clock;
    clock.start();
    f->start(false);
    qInfo("started in %lld ms", clock.elapsed());

    // The documented fallbacks, and the valid line read as written.
    const bool unreadable =
            kind == "directory" || (kind == "no read permission" && !QFileInfo(path).isReadable());
    if (!stored.table) {
        auto *preset = f->get<QComboBox>("cbBoxCANbps");
        if (kind == "byte-order mark" || kind == "crlf" || kind == "no read permission")
            QCOMPARE(preset->currentText(), QString(unreadable ? "1M" : "500K"));
        else if (kind != "invalid utf-8")
            QCOMPARE(preset->currentText(), QString("1M"));
        return;
    }
    auto *table = f->get<QTableWidget>(stored.table);
    if (unreadable) {
        QCOMPARE(table->rowCount(), stored.defaultRows);
    } else if (kind == "byte-order mark" || kind == "crlf" || kind == "no read permission") {
        QVERIFY(table->rowCount() >= 1);
        QCOMPARE(table->item(0, 0)->text(), QString("0x1"));
    } else if (kind == "10 MB line") {
        // A list line needs its fields: the long line ends the list. The
        // receive-ID list takes it as one identifier.
        QCOMPARE(table->rowCount(), QString(stored.name) == "receiveID.txt" ? 2 : 0);
    }
}

QTEST_MAIN(tst_BadFiles)
#include "tst_badfiles.moc"
