#include "windowtest.h"

#include "canframe.h"
#include "hexbytes.h"
#include "mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <QTableWidget>
#include <QToolBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

void openPort(QWidget *window, const QString &path, const QString &baud)
{
    auto *port = child<QComboBox>(window, "cbBoxPort");
    port->setEditText(path);
    child<QComboBox>(window, "cbBoxBps")->setCurrentText(baud);
    QTest::mouseClick(child<QPushButton>(window, "btnOpenClose"), Qt::LeftButton);
}

QString statusText(QWidget *window)
{
    return child<QStatusBar>(window, "statusbar")->currentMessage();
}

void clickCell(QTableWidget *table, int row, int column)
{
    table->scrollToItem(table->item(row, column));
    const QRect cell = table->visualRect(table->model()->index(row, column));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
}

QStringList rowCells(const QTableWidget *table, int row)
{
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column) {
        const QTableWidgetItem *item = table->item(row, column);
        cells << (item ? item->text() : QStringLiteral("-"));
    }
    return cells;
}

QByteArray fixedFrame(quint32 id, const QByteArray &data, bool extended, bool remote)
{
    return encodeFixedFrame(canFrame(id, data, extended, remote));
}

WindowFixture::WindowFixture() = default;

WindowFixture::~WindowFixture()
{
    delete window;
}

MainWindow *WindowFixture::start(bool openThePort)
{
    window = new MainWindow;
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        qWarning("window not exposed");
    if (openThePort)
        openPort(window, pty.slavePath());
    return window;
}

void WindowFixture::showPageOf(const char *widget)
{
    auto *toolBox = child<QToolBox>(window, "toolBox");
    QWidget *target = child<QWidget>(window, widget);
    for (int i = 0; i < toolBox->count(); ++i) {
        if (toolBox->widget(i)->isAncestorOf(target))
            toolBox->setCurrentIndex(i);
    }
    QCoreApplication::processEvents();
}

static void answerWhenShown(int button, std::shared_ptr<MessageBoxAnswer> answer, int triesLeft)
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box) {
        if (triesLeft > 0)
            QTimer::singleShot(10, [=] { answerWhenShown(button, answer, triesLeft - 1); });
        return;
    }
    answer->title = box->windowTitle();
    answer->text = box->text();
    answer->shown = true;
    if (QAbstractButton *pressed = box->button(QMessageBox::StandardButton(button)))
        pressed->click();
    else
        box->reject();
}

std::shared_ptr<MessageBoxAnswer> answerNextMessageBox(int button)
{
    auto answer = std::make_shared<MessageBoxAnswer>();
    QTimer::singleShot(0, [=] { answerWhenShown(button, answer, 300); });
    return answer;
}

static void answerFileDialogWhenShown(const QString &path, int triesLeft)
{
    QFileDialog *dialog = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *candidate = qobject_cast<QFileDialog *>(widget);
            candidate && candidate->isVisible())
            dialog = candidate;
    }
    if (!dialog) {
        if (triesLeft > 0)
            QTimer::singleShot(10, [=] { answerFileDialogWhenShown(path, triesLeft - 1); });
        return;
    }
    if (path.isEmpty()) {
        dialog->reject();
        return;
    }
    dialog->selectFile(path);
    static_cast<QDialog *>(dialog)->accept();
}

void answerNextFileDialog(const QString &path)
{
    QTimer::singleShot(0, [=] { answerFileDialogWhenShown(path, 300); });
}
