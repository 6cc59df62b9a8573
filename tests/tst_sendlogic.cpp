#include "autosaverows.h"
#include "autosendsequence.h"
#include "replymatch.h"

#include <QTest>

using Flags = QVector<bool>;

// The logic of auto send, auto reply and text-table auto-save, without a window.
class tst_SendLogic : public QObject
{
    Q_OBJECT

private slots:
    void autoSendOrder_data()
    {
        QTest::addColumn<Flags>("enabled");
        QTest::addColumn<bool>("cycle");
        QTest::addColumn<QList<int>>("rows"); // start, then five timer ticks

        QTest::newRow("all, once")
                << Flags{ true, true, true } << false << QList<int>{ 0, 1, 2, -1, -1, -1 };
        QTest::newRow("all, cycling")
                << Flags{ true, true, true } << true << QList<int>{ 0, 1, 2, 0, 1, 2 };
        QTest::newRow("disabled skipped")
                << Flags{ false, true, false, true } << true << QList<int>{ 1, 3, 1, 3, 1, 3 };
        QTest::newRow("one row cycling")
                << Flags{ false, false, true } << true << QList<int>{ 2, 2, 2, 2, 2, 2 };
        QTest::newRow("none") << Flags{ false, false } << true
                              << QList<int>{ -1, -1, -1, -1, -1, -1 };
        QTest::newRow("empty list") << Flags{} << false << QList<int>{ -1, -1, -1, -1, -1, -1 };
    }

    void autoSendOrder()
    {
        QFETCH(Flags, enabled);
        QFETCH(bool, cycle);
        QFETCH(QList<int>, rows);
        AutoSendSequence sequence;
        QList<int> got{ sequence.start(enabled) };
        while (got.size() < rows.size())
            got.append(sequence.next(enabled, cycle));
        QCOMPARE(got, rows);
    }

    void sendInterval_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("ms"); // -1: refused
        QTest::newRow("1000") << "1000" << 1000;
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("0") << "0" << -1;
        QTest::newRow("negative") << "-5" << -1;
        QTest::newRow("hex") << "0x10" << -1;
        QTest::newRow("empty") << "" << -1;
    }

    void sendInterval()
    {
        QFETCH(QString, text);
        QFETCH(int, ms);
        QCOMPARE(sendIntervalMs(text).value_or(-1), ms);
    }

    void replyRows_data()
    {
        QTest::addColumn<QStringList>("receiveIds");
        QTest::addColumn<uint>("identifier");
        QTest::addColumn<QVector<int>>("rows");
        const QStringList list{ "10", "0x11", "18FF50E5", "10", "" };
        QTest::newRow("two rows answer 0x10") << list << 0x10u << QVector<int>{ 0, 3 };
        QTest::newRow("0x prefix") << list << 0x11u << QVector<int>{ 1 };
        QTest::newRow("extended") << list << 0x18ff50e5u << QVector<int>{ 2 };
        QTest::newRow("no row") << list << 0x12u << QVector<int>{};
        QTest::newRow("empty cell is 0") << list << 0x0u << QVector<int>{ 4 };
    }

    void replyRows()
    {
        QFETCH(QStringList, receiveIds);
        QFETCH(uint, identifier);
        QFETCH(QVector<int>, rows);
        QCOMPARE(rowsAnswering(parseReceiveIds(receiveIds), identifier), rows);
    }

    // A script of view events against a ring of 4 rows, and what auto-save then
    // appends, as "first+count" spans, with "new" where a new file starts.
    void autoSaveRows_data()
    {
        QTest::addColumn<int>("startRow");
        QTest::addColumn<QString>("events"); // w: row written, c: view cleared
        QTest::addColumn<QString>("appends");
        // clang-format off
        QTest::newRow("two rows") << 0 << "ww" << "0+2";
        QTest::newRow("from the cursor") << 2 << "w" << "2+1";
        QTest::newRow("end of pass opens a new file") << 2 << "www" << "2+2 new 0+1";
        QTest::newRow("whole table") << 0 << "wwww" << "0+4 new";
        QTest::newRow("clear mid-table") << 0 << "wwcw" << "0+2 | new 0+1";
        QTest::newRow("clear at top keeps file") << 0 << "cw" << "| 0+1";
        QTest::newRow("nothing written") << 1 << "" << "";
        // clang-format on
    }

    void autoSaveRows()
    {
        QFETCH(int, startRow);
        QFETCH(QString, events);
        QFETCH(QString, appends);
        AutoSaveRows rows;
        rows.start(startRow, 4);
        QStringList got;
        const auto flush = [&] {
            while (rows.newFileDue() || rows.pendingRows() > 0) {
                if (rows.newFileDue()) {
                    got << "new";
                    rows.newFileStarted();
                    continue;
                }
                const AutoSaveRows::Span span = rows.nextSpan();
                got << QString("%1+%2").arg(span.firstRow).arg(span.count);
                rows.appended(span);
            }
        };
        for (const QChar event : events) {
            if (event == 'w') {
                rows.rowWritten();
            } else {
                flush();
                got << "|";
                rows.viewCleared();
            }
        }
        flush();
        QCOMPARE(got.join(' '), appends);
    }
};

QTEST_APPLESS_MAIN(tst_SendLogic)
#include "tst_sendlogic.moc"
