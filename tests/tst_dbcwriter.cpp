// Writing a .dbc file back: what the user did not change keeps its bytes.
#include "dbcdocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray demoDbc()
{
    QFile file(QStringLiteral(TALVIK_SOURCE_DIR "/docs/demo.dbc"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A file with what other writers lose: code page 1252, CR LF, tabs, comments
// over several lines, attributes, value tables, extended multiplexing,
// signal groups, sections this reader skips, no line end at the very end.
const QByteArray Awkward =
        "VERSION \"1.0\"\r\n\r\nNS_ :\r\n\tCM_\r\n\tBA_\r\n\r\nBS_:\r\n\r\nBU_: Gateway\tDash\r\n"
        "VAL_TABLE_ Onoff 1 \"On\" 0 \"Off\" ;\r\n\r\n"
        "BO_ 2364540158 Status: 8 Gateway\r\n"
        " SG_ Mode M : 0|4@1+ (1,0) [0|15] \"\" Dash\r\n"
        " SG_ Sub m1M : 4|4@1+ (1,0) [0|15] \"\" Dash\r\n"
        " SG_ Temp m3 : 8|8@1- (0.5,-40) [-40|87.5] \"\xB0" "C\" Dash\r\n"
        "\tSG_ Level : 16|16@0+ (0.1,0) [0|6553.5] \"\x80\" Dash,Gateway\r\n\r\n"
        "BO_TX_BU_ 2364540158 : Gateway,Dash;\r\n"
        "BO_ 100 Other: 2 Dash\r\n SG_ Flag : 0|1@1+ (1.0,0.0) [0|1] \"\" Vector__XXX\r\n\r\n"
        "EV_ Speed: 0 [0|300] \"km/h\" 0 1 DUMMY_NODE_VECTOR0 Vector__XXX;\r\n"
        "CM_ SG_ 2364540158 Temp \"Over\r\ntwo lines, \xE4 \\\"quoted\\\"\";\r\n"
        "BA_DEF_ SG_ \"GenSigStartValue\" INT 0 100;\r\n"
        "BA_ \"GenSigStartValue\" SG_ 2364540158 Temp 4;\r\n"
        "VAL_ 2364540158 Mode 1 \"One\" 0 \"Zero\" ;\r\n"
        "SIG_GROUP_ 2364540158 Group 1 : Temp Level;\r\n"
        "SG_MUL_VAL_ 2364540158 Temp Sub 3-3, 5-7;\r\n"
        "SG_MUL_VAL_ 2364540158 Sub Mode 1-1;";

const QByteArray Plain = "\xEF\xBB\xBFVERSION \"\"\n\nBO_ 1 A: 8 X\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" X\n";

DbcSignal newSignal(const QString &name)
{
    DbcSignal signal;
    signal.name = name;
    signal.startBit = 55;
    signal.length = 12;
    signal.littleEndian = false;
    signal.isSigned = true;
    signal.factor = 0.125;
    signal.offset = -10;
    signal.minimum = -266;
    signal.maximum = 245.875;
    signal.unit = QStringLiteral("Nm");
    return signal;
}

QByteArrayList lines(const QByteArray &text)
{
    return text.split('\n');
}

// `after` without the lines `added`, each once: the text before an insertion.
QByteArray withoutLines(const QByteArray &after, QByteArrayList added)
{
    QByteArrayList kept;
    for (const QByteArray &line : lines(after)) {
        if (added.contains(line))
            added.removeOne(line);
        else
            kept << line;
    }
    return added.isEmpty() ? kept.join('\n') : QByteArray("lines not found");
}

} // namespace

class tst_DbcWriter : public QObject
{
    Q_OBJECT

private slots:
    void unchangedFileKeepsItsBytes_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("demo database") << demoDbc();
        QTest::newRow("cp1252, CR LF, multiplexing, groups, skipped sections") << Awkward;
        QTest::newRow("UTF-8 with byte order mark") << Plain;
    }
    void unchangedFileKeepsItsBytes()
    {
        QFETCH(QByteArray, content);
        QVERIFY(!content.isEmpty());
        DbcDocument document;
        QString error;
        QVERIFY2(document.load(content, &error), qPrintable(error));
        QCOMPARE(document.bytes(), content);
        QVERIFY(!document.isModified());

        // A signal added and removed again leaves the file as it was.
        const DbcMessage first = document.database().messages.front();
        DbcSignal signal = newSignal(QStringLiteral("Torque"));
        signal.comment = QStringLiteral("Added");
        signal.valueTexts = { { 0, QStringLiteral("None") }, { 1, QStringLiteral("Some") } };
        QVERIFY2(document.addSignal(first.identifier, first.extended, signal, &error),
                 qPrintable(error));
        QVERIFY(document.bytes() != content);
        QVERIFY2(document.removeSignal(first.identifier, first.extended, signal.name, &error),
                 qPrintable(error));
        QCOMPARE(document.bytes(), content);
    }

    void addingASignalAddsItsLinesOnly_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("lineEnd");
        QTest::addColumn<QByteArray>("afterLine"); // the message's last signal
        QTest::addColumn<QByteArray>("rawId");
        QTest::newRow("demo") << demoDbc() << QByteArray("") << QByteArray(" SG_ GearState : 48|3@1+ (1,0) [0|7] \"\" Tester") << QByteArray("257");
        QTest::newRow("CR LF without a blank line")
                << QByteArray("VERSION \"\"\r\nBO_ 5 M: 8 X\r\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" X\r\nCM_ SG_ 5 S \"s\";\r\nVAL_ 5 S 1 \"one\" ;\r\n")
                << QByteArray("\r") << QByteArray(" SG_ S : 0|8@1+ (1,0) [0|0] \"\" X\r") << QByteArray("5");
        QTest::newRow("awkward") << Awkward << QByteArray("\r") << QByteArray("\tSG_ Level : 16|16@0+ (0.1,0) [0|6553.5] \"\x80\" Dash,Gateway\r") << QByteArray("2364540158");
    }
    void addingASignalAddsItsLinesOnly()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, lineEnd);
        QFETCH(QByteArray, afterLine);
        QFETCH(QByteArray, rawId);
        DbcDocument document;
        QString error;
        QVERIFY(document.load(content, &error));
        const DbcMessage message = document.database().messages.front();
        DbcSignal signal = newSignal(QStringLiteral("Torque"));
        signal.comment = QStringLiteral("Two\nlines");
        signal.valueTexts = { { -1, QStringLiteral("Invalid") }, { 0, QStringLiteral("Zero") } };
        QVERIFY2(document.addSignal(message.identifier, message.extended, signal, &error),
                 qPrintable(error));
        const QByteArray indent = afterLine.left(afterLine.indexOf("SG_"));
        const QByteArray sg = indent
                + "SG_ Torque : 55|12@0- (0.125,-10) [-266|245.875] \"Nm\" Vector__XXX" + lineEnd;
        const QByteArrayList added = {
            sg, "CM_ SG_ " + rawId + " Torque \"Two" + lineEnd, "lines\";" + lineEnd,
            "VAL_ " + rawId + " Torque 0 \"Zero\" -1 \"Invalid\" ;" + lineEnd
        };
        const QByteArray after = document.bytes();
        QCOMPARE(withoutLines(after, added), content);
        // Right after the message's last signal; the comment after the last comment.
        const QByteArrayList all = lines(after);
        QCOMPARE(all.indexOf(sg), all.indexOf(afterLine) + 1);
        QVERIFY(all[all.indexOf(added[1]) - 1].endsWith("\";" + lineEnd));
        // What was written reads back as the database in memory.
        const DbcMessage again = readDbc(after).database.messages.front();
        QCOMPARE(again.signalList.back().comment, signal.comment);
        QCOMPARE(again.signalList.back().valueTexts, signal.valueTexts);
        QCOMPARE(again.signalList.back().startBit, 55);
        QVERIFY(!again.signalList.back().littleEndian && again.signalList.back().isSigned);
        QCOMPARE(document.undoCount(), 1);
        QVERIFY(document.undo());
        QCOMPARE(document.bytes(), content);
    }

    void changingASignalRewritesItsLinesOnly_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QByteArrayList>("removed");
        QTest::addColumn<QByteArrayList>("added");
        QTest::newRow("scaling") << "factor"
                                 << QByteArrayList{ " SG_ Temp m3 : 8|8@1- (0.5,-40) [-40|87.5] \"\xB0" "C\" Dash\r" }
                                 << QByteArrayList{ " SG_ Temp m3 : 8|8@1- (0.25,-40) [-40|87.5] \"\xB0" "C\" Dash\r" };
        QTest::newRow("comment of a line written its own way") << "flag"
                                                               << QByteArrayList()
                                                               << QByteArrayList{ "CM_ SG_ 100 Flag \"New\";\r" };
        QTest::newRow("comment only") << "comment"
                                      << QByteArrayList{ "CM_ SG_ 2364540158 Temp \"Over\r", "two lines, \xE4 \\\"quoted\\\"\";\r" }
                                      << QByteArrayList{ "CM_ SG_ 2364540158 Temp \"New\";\r" };
        QTest::newRow("renamed: every statement naming it follows")
                << "name"
                << QByteArrayList{ " SG_ Temp m3 : 8|8@1- (0.5,-40) [-40|87.5] \"\xB0" "C\" Dash\r",
                                   "CM_ SG_ 2364540158 Temp \"Over\r",
                                   "BA_ \"GenSigStartValue\" SG_ 2364540158 Temp 4;\r",
                                   "SIG_GROUP_ 2364540158 Group 1 : Temp Level;\r",
                                   "SG_MUL_VAL_ 2364540158 Temp Sub 3-3, 5-7;\r" }
                << QByteArrayList{ " SG_ Heat m3 : 8|8@1- (0.5,-40) [-40|87.5] \"\xB0" "C\" Dash\r",
                                   "CM_ SG_ 2364540158 Heat \"Over\r",
                                   "BA_ \"GenSigStartValue\" SG_ 2364540158 Heat 4;\r",
                                   "SIG_GROUP_ 2364540158 Group 1 : Heat Level;\r",
                                   "SG_MUL_VAL_ 2364540158 Heat Sub 3-3, 5-7;\r" };
        QTest::newRow("value texts of a multiplexor renamed")
                << "mode"
                << QByteArrayList{ " SG_ Mode M : 0|4@1+ (1,0) [0|15] \"\" Dash\r",
                                   "VAL_ 2364540158 Mode 1 \"One\" 0 \"Zero\" ;\r",
                                   "SG_MUL_VAL_ 2364540158 Sub Mode 1-1;" }
                << QByteArrayList{ " SG_ Selector M : 0|4@1+ (1,0) [0|15] \"\" Dash\r",
                                   "VAL_ 2364540158 Selector 2 \"Two\" ;\r",
                                   "SG_MUL_VAL_ 2364540158 Sub Selector 1-1;" };
    }
    void changingASignalRewritesItsLinesOnly()
    {
        QFETCH(QString, change);
        QFETCH(QByteArrayList, removed);
        QFETCH(QByteArrayList, added);
        DbcDocument document;
        QString error;
        QVERIFY(document.load(Awkward, &error));
        const bool flag = change == QLatin1String("flag");
        const DbcMessage message = document.database().messages[flag ? 1 : 0];
        const QString name = change == QLatin1String("mode") ? QStringLiteral("Mode")
                : flag                                     ? QStringLiteral("Flag")
                                                           : QStringLiteral("Temp");
        DbcSignal signal = message.signalList[change == QLatin1String("mode") || flag ? 0 : 2];
        if (change == QLatin1String("factor"))
            signal.factor = 0.25;
        else if (change == QLatin1String("comment") || flag)
            signal.comment = QStringLiteral("New");
        else if (change == QLatin1String("name"))
            signal.name = QStringLiteral("Heat");
        else {
            signal.name = QStringLiteral("Selector");
            signal.valueTexts = { { 2, QStringLiteral("Two") } };
        }
        QVERIFY2(document.changeSignal(message.identifier, message.extended, name, signal, &error),
                 qPrintable(error));
        const QByteArray after = document.bytes();
        QCOMPARE(withoutLines(after, added), withoutLines(Awkward, removed));
        QCOMPARE(lines(after).size(), lines(Awkward).size() - removed.size() + added.size());
        const DbcReadResult again = readDbc(after);
        QCOMPARE(again.skippedLines, 0);
        QCOMPARE(again.database.messages[flag ? 1 : 0].signalList.size(), message.signalList.size());
    }

    void removingASignalRemovesWhatNamesIt()
    {
        DbcDocument document;
        QString error;
        QVERIFY(document.load(Awkward, &error));
        const DbcMessage &message = document.database().messages.front();
        QVERIFY(document.removeSignal(message.identifier, message.extended,
                                      QStringLiteral("Temp"), &error));
        const QByteArrayList removed = {
            " SG_ Temp m3 : 8|8@1- (0.5,-40) [-40|87.5] \"\xB0" "C\" Dash\r",
            "CM_ SG_ 2364540158 Temp \"Over\r", "two lines, \xE4 \\\"quoted\\\"\";\r",
            "BA_ \"GenSigStartValue\" SG_ 2364540158 Temp 4;\r",
            "SIG_GROUP_ 2364540158 Group 1 : Temp Level;\r",
            "SG_MUL_VAL_ 2364540158 Temp Sub 3-3, 5-7;\r"
        };
        QCOMPARE(withoutLines(document.bytes(), { "SIG_GROUP_ 2364540158 Group 1 : Level;\r" }),
                 withoutLines(Awkward, removed));
    }

    void refusedChangesLeaveTheText_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("error");
        QTest::newRow("a name the message has")
                << "add Level" << "Status already has a signal named Level";
        QTest::newRow("a multiplexor others depend on")
                << "remove Mode" << "Mode selects other signals of Status (such as Sub)";
        QTest::newRow("an extended multiplexor named by SG_MUL_VAL_")
                << "remove Sub" << "Sub selects other signals of Status (such as Temp)";
        QTest::newRow("a message that is there") << "message" << "the database already has a message with identifier 0xcf004fe";
        QTest::newRow("a unit code page 1252 lacks")
                << "add Omega" << "a character is not in the file's code page 1252";
        QTest::newRow("no such signal") << "remove Nothing" << "no signal Nothing to remove";
    }
    void refusedChangesLeaveTheText()
    {
        QFETCH(QString, change);
        QFETCH(QString, error);
        DbcDocument document;
        QString reason;
        QVERIFY(document.load(Awkward, &reason));
        const DbcMessage message = document.database().messages.front();
        const QString name = change.section(u' ', 1);
        bool done = true;
        if (change.startsWith(QLatin1String("add"))) {
            DbcSignal signal = newSignal(name);
            if (name == QLatin1String("Omega"))
                signal.unit = QStringLiteral("\u03A9");
            done = document.addSignal(message.identifier, message.extended, signal, &reason);
        } else if (change.startsWith(QLatin1String("remove"))) {
            done = document.removeSignal(message.identifier, message.extended, name, &reason);
        } else {
            done = document.addMessage(message, &reason);
        }
        QVERIFY(!done);
        QCOMPARE(reason, error);
        QCOMPARE(document.bytes(), Awkward);
        QCOMPARE(document.undoCount(), 0);
    }

    void newMessageGoesAfterTheLast()
    {
        DbcDocument document;
        QString error;
        QVERIFY(document.load(demoDbc(), &error));
        DbcMessage message;
        message.identifier = 0x18FEF100;
        message.extended = true;
        message.name = QStringLiteral("Cruise");
        message.length = 8;
        QVERIFY2(document.addMessage(message, &error), qPrintable(error));
        const QByteArray after = document.bytes();
        QByteArrayList all = lines(after);
        const int at = all.indexOf("BO_ 2566844672 Cruise: 8 Vector__XXX");
        QCOMPARE(at, all.indexOf(" SG_ Pid : 16|8@1+ (1,0) [0|255] \"\" Tester") + 2);
        QCOMPARE(all[at - 1], QByteArray());
        all.remove(at - 1, 2);
        QCOMPARE(all.join('\n'), demoDbc());
    }

    void newDatabaseLoadsAgain()
    {
        DbcDocument document;
        QVERIFY(document.database().messages.empty());
        DbcMessage message;
        message.identifier = 0x123;
        message.name = QStringLiteral("Found");
        message.length = 8;
        QString error;
        QVERIFY2(document.addMessage(message, &error), qPrintable(error));
        DbcSignal signal = newSignal(QStringLiteral("Speed"));
        signal.unit = QStringLiteral("km/h \u00B0");
        QVERIFY2(document.addSignal(0x123, false, signal, &error), qPrintable(error));

        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("new.dbc"));
        QVERIFY2(saveDbcDocument(document, fileName, &error), qPrintable(error));
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const DbcReadResult again = readDbc(file.readAll());
        QVERIFY(again.error.isEmpty());
        QCOMPARE(again.database.messages.size(), size_t(1));
        QCOMPARE(again.database.messages[0].signalList[0].unit, signal.unit);
        QVERIFY(document.undo() && document.undo());
        QVERIFY(document.database().messages.empty());
    }

    void failedSaveKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("bus.dbc"));
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Awkward);
        file.close();
        // A directory where the file should go cannot be written.
        QString error;
        DbcDocument document;
        QVERIFY(document.load(Awkward, &error));
        QVERIFY(!saveDbcDocument(document, dir.path(), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(saveDbcDocument(document, fileName, &error));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), Awkward);
    }
};

QTEST_APPLESS_MAIN(tst_DbcWriter)
#include "tst_dbcwriter.moc"
