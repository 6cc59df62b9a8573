// Screenshot of the transmit window sending the demo database's Body node on
// the simulator's demo bus, and of the signals window checking what it sees.
//   xvfb-run -a -s '-screen 0 1280x1024x24' build/tools/screens/transmitshot OUT.png [SIGNALS.png]
// in English, as README shows it.
#include "demobus.h"
#include "language.h"
#include "signalswindow.h"
#include "transmitwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTableWidget>
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
    auto *signalsWindow = f.window->findChild<SignalsWindow *>();
    signalsWindow->loadDbc(QStringLiteral(TALVIK_SOURCE_DIR "/docs/demo.dbc"));
    auto *w = f.window->findChild<TransmitWindow *>();
    w->findChild<QComboBox *>(QStringLiteral("nodeChoice"))->setCurrentText(QStringLiteral("Body"));
    for (QPushButton *button : w->findChildren<QPushButton *>()) {
        if (button->text() == QStringLiteral("Add every message the node sends"))
            button->click();
    }
    auto *table = w->findChild<QTableWidget *>(QStringLiteral("transmitTable"));
    table->selectRow(1); // BrakeStatus: a counter, a checksum, a value table
    w->findChild<QComboBox *>(QStringLiteral("algorithmChoice"))
            ->setCurrentText(QStringLiteral("e2e-p01:dataid=0x1234"));
    auto *signalTable = w->findChild<QTableWidget *>(QStringLiteral("signalTable"));
    for (int r = 0; r < signalTable->rowCount(); ++r) {
        if (auto *spin = qobject_cast<QDoubleSpinBox *>(signalTable->cellWidget(r, 1)))
            spin->setValue(12.5);
        else if (auto *choice = qobject_cast<QComboBox *>(signalTable->cellWidget(r, 1)))
            emit choice->activated(choice->findText(QStringLiteral("Pressed (1)")));
        QTest::qWait(50);
    }
    w->resize(1000, 640);
    w->show();
    QTest::qWait(200);
    for (QPushButton *button : w->findChildren<QPushButton *>()) {
        if (button->text() == QStringLiteral("Start"))
            button->click();
    }
    QTest::qWait(1500);
    w->grab().save(QString::fromLocal8Bit(argv[1]));
    if (argc > 2) {
        signalsWindow->resize(1000, 700);
        signalsWindow->show();
        QTest::qWait(800);
        signalsWindow->grab().save(QString::fromLocal8Bit(argv[2]));
    }
    return 0;
}
