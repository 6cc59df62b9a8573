// Not a test: renders every tool-box page and the message boxes of the window
// in one language to PNG files, for looking at clipping by eye.
//   xvfb-run -a -s '-screen 0 1280x1024x24' build/tools/screens/talvik_screens OUTDIR zh|en
#include "dbceditor.h"
#include "language.h"
#include "signalswindow.h"
#include "windowtest.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolBox>

static void grabNextMessageBox(const QString &file)
{
    QTimer::singleShot(300, [file] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            box->grab().save(file);
            box->close();
        }
    });
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3 || !uiLanguageFromCode(QString::fromLatin1(argv[2]))) {
        std::fprintf(stderr, "usage: talvik_screens OUTDIR zh|en\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/')
            + QString::fromLatin1(argv[2]) + QLatin1Char('-');
    installUiLanguage(*uiLanguageFromCode(QString::fromLatin1(argv[2])));

    WindowFixture fixture;
    MainWindow *window = fixture.start();
    fixture.pty.write(fixedFrame(0x101, QByteArray::fromHex("0102030405060708"))
                      + fixedFrame(0x18ff50e5, QByteArray::fromHex("11223344"), true)
                      + fixedFrame(0x321, QByteArray(), false, true));
    QTest::qWait(300);
    fixture.showPageOf("tableWidget_2");
    clickCell(fixture.get<QTableWidget>("tableWidget_2"), 0, 2);
    QTest::qWait(100);

    auto *toolBox = fixture.get<QToolBox>("toolBox");
    for (int page = 0; page < toolBox->count(); ++page) {
        toolBox->setCurrentIndex(page);
        QTest::qWait(100);
        window->grab().save(out + QStringLiteral("page%1.png").arg(page + 1));
    }

    // The baud-rate confirmation and the receive-ID filter's two errors.
    fixture.get<QRadioButton>("radioBtnUploadOnly")->setChecked(true);
    auto *ids = fixture.get<QTableWidget>("tableWidget_5");
    const char *const boxes[][2] = { { "btnChangeBps", "baudrate-box.png" },
                                     { "btnReceiveSet", "receiveid-empty-box.png" },
                                     { "btnReceiveSet", "receiveid-many-box.png" } };
    for (int box = 0; box < 3; ++box) {
        ids->setRowCount(box == 1 ? 0 : 51);
        for (int row = 0; row < ids->rowCount(); ++row)
            ids->setItem(row, 0, new QTableWidgetItem(QStringLiteral("0x%1").arg(row)));
        fixture.showPageOf(boxes[box][0]);
        grabNextMessageBox(out + QString::fromLatin1(boxes[box][1]));
        QTest::mouseClick(fixture.get<QPushButton>(boxes[box][0]), Qt::LeftButton);
        QTest::qWait(400);
    }

    // The question before a changed database is lost.
    DbcEditor *editor = window->findChild<SignalsWindow *>()->databaseEditor();
    DbcSignal level;
    level.name = QStringLiteral("Level");
    editor->addSignal(0x123, level, QStringLiteral("Tank"), QString(), 8);
    grabNextMessageBox(out + QStringLiteral("unsaved-dbc-box.png"));
    editor->settleUnsavedChanges();

    // The port-open reason on the status bar.
    QTest::mouseClick(fixture.get<QPushButton>("btnOpenClose"), Qt::LeftButton);
    openPort(window, QStringLiteral("/dev/ttyUSB9"));
    window->grab().save(out + QStringLiteral("port-missing.png"));
    return 0;
}
