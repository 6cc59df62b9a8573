// Screenshots of the signals window's bits on the demo bus, with a copy of
// the demo database that lacks the engine speed and the throttle: the heat
// map of EngineData, then spans A and B compared.
#include "bitanalysispanel.h"
#include "signalswindow.h"
#include "simlink.h"
#include "windowtest.h"

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
    SimOptions options;
    options.demo = true;
    SimulatorLink sim(options);
    QString error;
    if (!sim.open(&error) || argc < 2)
        return 1;
    WindowFixture f;
    f.start(false);
    // The database without the two signals to be found.
    QFile demo(QStringLiteral(TALVIK_SOURCE_DIR "/docs/demo.dbc"));
    demo.open(QIODevice::ReadOnly);
    QByteArrayList lines = demo.readAll().split('\n');
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const QByteArray &line) {
                                   return line.contains("EngineSpeed")
                                           || line.contains("ThrottlePosition");
                               }),
                lines.end());
    QFile copy(QStringLiteral("demo-without.dbc"));
    copy.open(QIODevice::WriteOnly);
    copy.write(lines.join('\n'));
    copy.close();

    openPort(f.window, sim.slavePath());
    QTest::qWait(300);
    f.get<QPushButton>("btnSetStart")->click();
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
    return 0;
}
