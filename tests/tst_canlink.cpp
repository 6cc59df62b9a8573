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

private slots:
    void init();
    void cleanup();
    void framing_data();
    void framing();
    void oneBatchPerRead();
    void lostDeviceReportedOnce();

private:
    PseudoTerminal *pty = nullptr;
    CanLink *link = nullptr;
};

void tst_CanLink::init()
{
    pty = new PseudoTerminal;
    link = new CanLink;
    QVERIFY(link->open(pty->slavePath(), 2000000));
}

void tst_CanLink::cleanup()
{
    delete link;
    delete pty;
}

void tst_CanLink::framing_data()
{
    QTest::addColumn<bool>("variable");
    QTest::addColumn<QByteArray>("wire");
    const CanFrame frame = canFrame(0x123, hex("11 22"));
    QTest::newRow("fixed") << false << encodeFixedFrame(frame);
    QTest::newRow("variable") << true << encodeVariableFrame(frame);
}

void tst_CanLink::framing()
{
    QFETCH(bool, variable);
    QFETCH(QByteArray, wire);
    link->setSettings({ variable, false });
    if (variable) // the encoder logs the length it writes
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^\\d+$"));
    link->sendFrame(canFrame(0x123, hex("11 22")));
    QCOMPARE(pty->read(int(wire.size())), wire);
}

// Three frames in one write, a fourth split over two: the split one is kept
// until it is whole, and each read's frames come as one batch, in order,
// stamped no later than the read and no earlier than the frame before.
void tst_CanLink::oneBatchPerRead()
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

void tst_CanLink::lostDeviceReportedOnce()
{
    QSignalSpy lost(link, &CanLink::deviceLost);
    pty->closeMaster();
    QTRY_VERIFY(!link->isOpen());
    QTest::qWait(100);
    QCOMPARE(lost.size(), 1);
}

QTEST_MAIN(tst_CanLink)
#include "tst_canlink.moc"
