#include "autosaverows.h"
#include "autosendsequence.h"
#include "replymatch.h"

#include <QTest>

namespace {
// The rows auto send picks of those enabled ('1'): at the start, then at five timer ticks
// (-1: none).
QString order(const char *flags, bool cycle)
{
    QVector<bool> enabled;
    for (const char *c = flags; *c; ++c)
        enabled << (*c == '1');
    AutoSendSequence sequence;
    QStringList rows{ QString::number(sequence.start(enabled)) };
    while (rows.size() < 6)
        rows << QString::number(sequence.next(enabled, cycle));
    return rows.join(' ');
}

QString interval(const char *text)
{
    return QString::number(sendIntervalMs(text).value_or(-1));
}

// The rows of the reply list that answer `identifier`.
QString replyRows(quint32 identifier)
{
    const QVector<quint32> ids = parseReceiveIds({ "10", "0x11", "18FF50E5", "10", "" });
    QStringList rows;
    for (int row : rowsAnswering(ids, identifier))
        rows << QString::number(row);
    return rows.join(' ');
}

// A script of view events (w: row written, c: view cleared) against a ring of 4 rows, and
// what auto-save then appends, as "first+count" spans, with "new" where a new file starts.
QString appends(int startRow, const QString &events)
{
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
    return got.join(' ');
}
} // namespace

// The logic of auto send, auto reply and text-table auto-save, without a window.
class tst_SendLogic : public QObject
{
    Q_OBJECT

private slots:
    // What the logic makes of a list, a text or a script (actual, expected).
    void examples_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        QTest::newRow("order: all, once") << order("111", false) << "0 1 2 -1 -1 -1";
        QTest::newRow("order: all, cycling") << order("111", true) << "0 1 2 0 1 2";
        QTest::newRow("order: disabled skipped") << order("0101", true) << "1 3 1 3 1 3";
        QTest::newRow("order: one row cycling") << order("001", true) << "2 2 2 2 2 2";
        QTest::newRow("order: none") << order("00", true) << "-1 -1 -1 -1 -1 -1";
        QTest::newRow("order: empty list") << order("", false) << "-1 -1 -1 -1 -1 -1";
        QTest::newRow("interval 1000") << interval("1000") << "1000";
        QTest::newRow("interval 1") << interval("1") << "1";
        QTest::newRow("interval 0") << interval("0") << "-1";
        QTest::newRow("interval negative") << interval("-5") << "-1";
        QTest::newRow("interval hex") << interval("0x10") << "-1";
        QTest::newRow("interval empty") << interval("") << "-1";
        QTest::newRow("reply: two rows answer 0x10") << replyRows(0x10) << "0 3";
        QTest::newRow("reply: 0x prefix") << replyRows(0x11) << "1";
        QTest::newRow("reply: extended") << replyRows(0x18ff50e5) << "2";
        QTest::newRow("reply: no row") << replyRows(0x12) << "";
        QTest::newRow("reply: empty cell is 0") << replyRows(0x0) << "4";
        QTest::newRow("auto-save: two rows") << appends(0, "ww") << "0+2";
        QTest::newRow("auto-save: from the cursor") << appends(2, "w") << "2+1";
        QTest::newRow("auto-save: end of pass opens a new file")
                << appends(2, "www") << "2+2 new 0+1";
        QTest::newRow("auto-save: whole table") << appends(0, "wwww") << "0+4 new";
        QTest::newRow("auto-save: clear mid-table") << appends(0, "wwcw") << "0+2 | new 0+1";
        QTest::newRow("auto-save: clear at top keeps file") << appends(0, "cw") << "| 0+1";
        QTest::newRow("auto-save: nothing written") << appends(1, "") << "";
    }

    void examples()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }
};

QTEST_APPLESS_MAIN(tst_SendLogic)
#include "tst_sendlogic.moc"
