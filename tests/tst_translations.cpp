#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

// The English translation file: every text translated, none left behind, and
// nothing in the sources missing from it.
class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    void checker_data();
    void checker();
    void committedFileIsFinished();
    void sourcesHaveNoUntranslatedText();
};

namespace {
// The problems of a .ts file, one line per message: unfinished, empty,
// vanished or obsolete translations, and translations that lose or add a
// place marker (%1, %2 ...) of their source.
QStringList translationProblems(const QByteArray &ts)
{
    QStringList problems;
    QXmlStreamReader xml(ts);
    QString context, source, translation, type;
    bool numerus = false;
    const QRegularExpression marker(QStringLiteral("%\\d"));
    auto markers = [&](const QString &text) {
        QStringList found;
        for (auto it = marker.globalMatch(text); it.hasNext();)
            found << it.next().captured();
        found.sort();
        found.removeDuplicates();
        return found;
    };
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("name"))
                context = xml.readElementText();
            else if (xml.name() == QLatin1String("message")) {
                numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
                source.clear();
                translation.clear();
                type.clear();
            } else if (xml.name() == QLatin1String("source"))
                source = xml.readElementText();
            else if (xml.name() == QLatin1String("translation")) {
                type = xml.attributes().value(QLatin1String("type")).toString();
                translation = numerus ? QStringLiteral("-")
                                      : xml.readElementText(QXmlStreamReader::IncludeChildElements);
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            const QString where = context + QLatin1String(": ") + source.left(40);
            if (!type.isEmpty())
                problems << type + QLatin1String(" ") + where;
            else if (translation.isEmpty())
                problems << QLatin1String("empty ") + where;
            else if (!numerus && markers(source) != markers(translation))
                problems << QLatin1String("markers ") + where;
        }
    }
    if (xml.hasError())
        problems << QLatin1String("xml ") + xml.errorString();
    return problems;
}

QByteArray tsFile(const QString &messages)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
                          "<TS version=\"2.1\" language=\"en\"><context><name>MainWindow</name>%1"
                          "</context></TS>")
            .arg(messages)
            .toUtf8();
}

void verifyNoProblems(const QStringList &problems)
{
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}
} // namespace

void tst_Translations::checker_data()
{
    QTest::addColumn<QString>("messages");
    QTest::addColumn<QString>("problem"); // first word of the expected problem, or empty

    auto message = [](const char *source, const char *translation) {
        return QStringLiteral("<message><source>%1</source>%2</message>")
                .arg(QString::fromUtf8(source), QString::fromUtf8(translation));
    };
    QTest::newRow("finished") << message("保存", "<translation>Save</translation>") << "";
    QTest::newRow("unfinished") << message("保存",
                                           "<translation type=\"unfinished\">Save</translation>")
                                << "unfinished";
    QTest::newRow("new text") << message("保存", "<translation type=\"unfinished\"></translation>")
                              << "unfinished";
    QTest::newRow("empty") << message("保存", "<translation></translation>") << "empty";
    QTest::newRow("vanished") << message("保存",
                                         "<translation type=\"vanished\">Save</translation>")
                              << "vanished";
    QTest::newRow("marker lost") << message("保存失败: %1",
                                            "<translation>Save failed</translation>")
                                 << "markers";
    QTest::newRow("marker kept twice")
            << message("%1 属于 %2 组 %2", "<translation>%1 belongs to %2, %2</translation>") << "";
    QTest::newRow("second of two fine") << message("A", "<translation>A</translation>")
                    + message("B", "<translation type=\"unfinished\"/>")
                                        << "unfinished";
}

void tst_Translations::checker()
{
    QFETCH(QString, messages);
    QFETCH(QString, problem);

    const QStringList problems = translationProblems(tsFile(messages));
    if (problem.isEmpty()) {
        verifyNoProblems(problems);
    } else {
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.first().startsWith(problem + QLatin1Char(' ')),
                 qPrintable(problems.first()));
    }
}

void tst_Translations::committedFileIsFinished()
{
    QFile file(QStringLiteral(TALVIK_TS_FILE));
    QVERIFY(file.open(QIODevice::ReadOnly));
    verifyNoProblems(translationProblems(file.readAll()));
}

// lupdate refreshes a copy of the file from the sources: a text added to the
// code or the form without its translation shows up as unfinished.
void tst_Translations::sourcesHaveNoUntranslatedText()
{
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("talvik_en.ts"));
    QVERIFY(QFile::copy(QStringLiteral(TALVIK_TS_FILE), copy));
    QProcess lupdate;
    lupdate.start(QStringLiteral(TALVIK_LUPDATE),
                  { QStringLiteral("-no-obsolete"), QStringLiteral("-locations"),
                    QStringLiteral("none"), QStringLiteral(TALVIK_SOURCE_DIR),
                    QStringLiteral("-ts"), copy });
    QVERIFY(lupdate.waitForFinished(60000));
    QVERIFY2(lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());
    QFile file(copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    verifyNoProblems(translationProblems(file.readAll()));
}

QTEST_APPLESS_MAIN(tst_Translations)
#include "tst_translations.moc"
