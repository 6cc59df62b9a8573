// Screenshot of the diagnostics window on the simulator's demo bus: the VIN,
// the trouble codes and the engine speed asked for with the console, and the
// J1939 broadcast reassembled.
//   xvfb-run -a -s '-screen 0 1280x1024x24' build/tools/screens/diagshot OUT.png
// in English, as README shows it.
#include "demobus.h"
#include "diagconsole.h"
#include "diagwindow.h"
#include "language.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    installUiLanguage(UiLanguage::English);
    DemoBusWindow demo;
    if (!demo.start())
        return 1;
    WindowFixture &f = demo.f;
    f.window->findChild<QAction *>(QStringLiteral("actionDiagnostics"))->trigger();
    auto *w = f.window->findChild<DiagWindow *>();
    w->resize(1200, 820);
    QTest::qWait(300);
    for (const char *request : { "22 F1 90", "19 02 FF", "01 0C", "01 0C 0D 05" }) {
        w->console()->sendRequest(QString::fromLatin1(request));
        QTest::qWait(400);
    }
    QTest::qWait(5200); // the J1939 broadcast comes every 5 s
    w->grab().save(QString::fromLocal8Bit(argv[1]));
    return 0;
}
