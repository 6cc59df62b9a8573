#include "canlink.h"
#include "capturestore.h"
#include "hexbytes.h"
#include "pseudoterminal.h"
#include "windowtest.h"

#include <QSignalSpy>
#include <QTest>

// The serial link against a pseudo-terminal playing the converter.
class tst_CanLink : public QObject
{
    Q_OBJECT

private:
    PseudoTerminal *pty = nullptr;
    CanLink *link = nullptr;

private slots:
    void init()
    {
        pty = new PseudoTerminal;
        link = new CanLink;
        QVERIFY(link->open(pty->slavePath(), 2000000));
    }

    void cleanup()
    {
        delete link;
        delete pty;
    }

    // Three frames in one write, a fourth split over two: the split one is kept
    // until it is whole, and each read's frames come as one batch, in order,
    // stamped no later than the read and no earlier than the frame before.
    void oneBatchPerRead()
    {
        QSignalSpy batches(link, &CanLink::framesReceived);
        const QByteArray fourth = fixedFrame(0x4, hex("04"));
        QVERIFY(pty->write(fixedFrame(0x1, hex("01")) + fixedFrame(0x2, hex("02"))
                           + fixedFrame(0x3, hex("03")) + fourth.left(7)));
        QTRY_COMPARE(batches.size(), 1);
        const auto first = batches.at(0).at(0).value<QVector<LinkFrame>>();
        QCOMPARE(first.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(first.at(i).frame.identifier, quint32(i + 1));
            if (i > 0)
                QVERIFY(first.at(i).lineTimeUs > first.at(i - 1).lineTimeUs);
        }
        QVERIFY(first.last().lineTimeUs <= wallClockUs());
        QVERIFY(pty->write(fourth.mid(7)));
        QTRY_COMPARE(batches.size(), 2);
        const auto second = batches.at(1).at(0).value<QVector<LinkFrame>>();
        QCOMPARE(second.size(), 1);
        QCOMPARE(second.at(0).frame.data[0], quint8(4));
    }

    void lostDeviceReportedOnce()
    {
        QSignalSpy lost(link, &CanLink::deviceLost);
        pty->closeMaster();
        QTRY_VERIFY(!link->isOpen());
        QTest::qWait(100);
        QCOMPARE(lost.size(), 1);
    }
};

QTEST_MAIN(tst_CanLink)
#include "tst_canlink.moc"
