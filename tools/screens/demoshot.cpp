// Screenshot of the signals window against the simulator's demo bus.
#include "demobus.h"
#include "signalswindow.h"

#include <QApplication>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    DemoBusWindow demo;
    if (!demo.start())
        return 1;
    WindowFixture &f = demo.f;
    auto *w = f.window->findChild<SignalsWindow *>();
    w->loadDbc(QStringLiteral(TALVIK_SOURCE_DIR "/docs/demo.dbc"));
    w->resize(1000, 760);
    w->show();
    QTest::qWait(1500);
    auto *view = w->findChild<QTableView *>("messageView");
    view->setCurrentIndex(view->model()->index(0, 0));
    QTest::qWait(300);
    // Two signals of very different ranges, each on the axis of its unit.
    auto *signalTable = w->findChild<QTableWidget *>("signalTable");
    for (const QString &name :
         { QStringLiteral("EngineSpeed"), QStringLiteral("ThrottlePosition") }) {
        for (int row = 0; row < signalTable->rowCount(); ++row) {
            if (signalTable->item(row, 0)->text() == name)
                signalTable->item(row, 0)->setCheckState(Qt::Checked);
        }
    }
    QTest::qWait(6000);
    w->grab().save(argv[1]);
    f.window->grab().save(QString(argv[1]).replace(".png", "-main.png"));
    return 0;
}
