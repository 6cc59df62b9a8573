#include "listfile.h"
#include "windowtest.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>
#include <cstring>

namespace {

// Two versions of a large list, each line telling which version it belongs to.
QString listVersion(char version)
{
    QString text;
    for (int row = 0; row < 40000; ++row)
        text += QStringLiteral("0x%1,00 11 22 33 44 55 66 77,%2\n")
                        .arg(row, 8, 16, QLatin1Char('0'))
                        .arg(version);
    return text;
}

// The child's part: saves the two versions in turn until it is killed.
int saveForever(const char *fileName)
{
    const QString versions[] = { listVersion('A'), listVersion('B') };
    for (unsigned n = 0;; ++n)
        writeFileAtomically(QString::fromLocal8Bit(fileName), versions[n % 2]);
}

} // namespace

// A save killed at any moment leaves the old file or the new one, never a mix.
class tst_SaveKill : public QObject
{
    Q_OBJECT

private slots:
    void killDuringSave();
};

void tst_SaveKill::killDuringSave()
{
    WorkingDirectory dir;
    const QByteArray versionA = listVersion('A').toUtf8();
    const QByteArray versionB = listVersion('B').toUtf8();
    dir.write("manual.txt", versionA);
    QRandomGenerator random(99);
    for (int round = 0; round < 20; ++round) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    { "--save-forever", dir.filePath("manual.txt") });
        QVERIFY(child.waitForStarted());
        QTest::qWait(int(50 + random.bounded(200)));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        const QByteArray left = dir.read("manual.txt");
        QVERIFY2(left == versionA || left == versionB,
                 qPrintable(QString("round %1: %2 bytes").arg(round).arg(left.size())));
    }
}

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--save-forever") == 0)
        return saveForever(argv[2]);
    QCoreApplication app(argc, argv);
    tst_SaveKill test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_savekill.moc"
