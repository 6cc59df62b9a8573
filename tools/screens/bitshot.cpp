// Screenshots of the signals window's bits on the demo bus, with a copy of
// the demo database that lacks the engine speed and the throttle: the heat
// map of EngineData, then spans A and B compared.
#include "bitanalysispanel.h"
#include "dbceditor.h"
#include "demobus.h"
#include "signalswindow.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 1;
    DemoBusWindow demoBus; // its working folder takes the copy below
    WindowFixture &f = demoBus.f;
    // The database without the two signals to be found.
    QFile demo(QStringLiteral(TALVIK_SOURCE_DIR "/docs/demo.dbc"));
    demo.open(QIODevice::ReadOnly);
    QByteArrayList lines = demo.readAll().split('\n');
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const QByteArray &line) {
                                   return line.contains("EngineSpeed")
                                           || line.contains("ThrottlePosition")
                                           || line.startsWith("and starts again"); // its comment's end
                               }),
                lines.end());
    QFile copy(QStringLiteral("demo-without.dbc"));
    copy.open(QIODevice::WriteOnly);
    copy.write(lines.join('\n'));
    copy.close();

    if (!demoBus.start())
        return 1;
    auto *w = f.window->findChild<SignalsWindow *>();
    w->loadDbc(copy.fileName());
    w->resize(1100, 820);
    w->show();
    w->findChild<QSplitter *>("splitterMain")->setSizes({ 560, 260 });
    w->findChild<QTabWidget *>()->setCurrentIndex(1);
    QTest::qWait(1500);
    auto *view = w->findChild<QTableView *>("messageView");
    view->setCurrentIndex(view->model()->index(0, 0));
    QTest::qWait(5000);
    w->grab().save(argv[1]);

    // A: three seconds, B: the three after them.
    BitAnalysisPanel *bits = w->bitAnalysis();
    bits->setSpanChoice(BitAnalysisPanel::RecentSeconds);
    w->findChild<QSpinBox *>()->setValue(3);
    bits->markA();
    QTest::qWait(3000);
    bits->markB();
    QTest::qWait(300);
    w->grab().save(QString(argv[1]).replace(".png", "-compare.png"));

    // The two signals made where the grid shows them, saved beside the copy
    // (third argument): `diff` shows what was added.
    if (argc > 2) {
        DbcEditor *editor = w->databaseEditor();
        DbcSignal speed;
        speed.name = QStringLiteral("EngineSpeed");
        speed.startBit = 8;
        speed.length = 16;
        speed.factor = 0.25;
        speed.maximum = 16383.75;
        speed.unit = QStringLiteral("rpm");
        speed.receivers = QStringList{ QStringLiteral("Tester") };
        DbcSignal throttle;
        throttle.name = QStringLiteral("ThrottlePosition");
        throttle.startBit = 39;
        throttle.length = 12;
        throttle.littleEndian = false;
        throttle.factor = 0.025;
        throttle.maximum = 100;
        throttle.unit = QStringLiteral("%");
        throttle.receivers = QStringList{ QStringLiteral("Tester") };
        if (!editor->addSignal(0x101, speed, QString(), QString(), 8)
            || !editor->addSignal(0x101, throttle, QString(), QString(), 8)
            || !editor->saveAs(QString::fromLocal8Bit(argv[2])))
            return 2;
        QFile::copy(copy.fileName(), QString::fromLocal8Bit(argv[2]) + QStringLiteral(".before"));
    }
    return 0;
}
