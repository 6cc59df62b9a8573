#include "windowtest.h"

#include "convertercodec.h"
#include "hexbytes.h"
#include "mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QDeadlineTimer>
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

MainWindow *WindowFixture::restart(bool openThePort)
{
    delete window;
    window = nullptr;
    return start(openThePort);
}

void WindowFixture::click(const char *name)
{
    showPageOf(name);
    auto *button = get<QAbstractButton>(name);
    if (qobject_cast<QCheckBox *>(button)) // the box, not the middle of a wide check box
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
    else
        QTest::mouseClick(button, Qt::LeftButton);
}

void WindowFixture::clickListCell(const char *table, int row, int column)
{
    showPageOf(table);
    clickCell(get<QTableWidget>(table), row, column);
}

QTableWidget *WindowFixture::view() const
{
    return get<QTableWidget>("tableWidget");
}

int WindowFixture::filledRows() const
{
    int filled = 0;
    for (int row = 0; row < view()->rowCount(); ++row)
        filled += view()->item(row, 5) ? 1 : 0;
    return filled;
}

QString WindowFixture::viewRow(int row) const
{
    QStringList cells = rowCells(view(), row);
    cells.removeAt(2);
    return cells.join('|');
}

bool WindowFixture::receive(const QByteArray &bytes, int rows)
{
    return pty.write(bytes) && QTest::qWaitFor([&] { return filledRows() == rows; }, 3000);
}

void WindowFixture::flushAutoSave()
{
    QMetaObject::invokeMethod(get<QTimer>("autoSaveTimer"), "timeout");
}

// A dialog may take seconds to show on a loaded machine; an answer given up
// too soon leaves it open and the test hangs, so each waits up to 30 s.
static void answerWhenShown(int button, std::shared_ptr<MessageBoxAnswer> answer,
                            QDeadlineTimer deadline)
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box) {
        if (!deadline.hasExpired())
            QTimer::singleShot(10, [=] { answerWhenShown(button, answer, deadline); });
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
    QTimer::singleShot(0, [=] { answerWhenShown(button, answer, QDeadlineTimer(30000)); });
    return answer;
}

static void answerFileDialogWhenShown(const QString &path, QDeadlineTimer deadline)
{
    QFileDialog *dialog = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *candidate = qobject_cast<QFileDialog *>(widget);
            candidate && candidate->isVisible())
            dialog = candidate;
    }
    if (!dialog) {
        if (!deadline.hasExpired())
            QTimer::singleShot(10, [=] { answerFileDialogWhenShown(path, deadline); });
        return;
    }
    if (path.isEmpty()) {
        dialog->reject();
        return;
    }
    // selectFile() leaves the name field alone while it has the focus, as it
    // has from the second dialog of a run on; the typed path is what a user gives.
    child<QLineEdit>(dialog, "fileNameEdit")->setText(path);
    static_cast<QDialog *>(dialog)->accept();
}

void answerNextFileDialog(const QString &path)
{
    QTimer::singleShot(0, [=] { answerFileDialogWhenShown(path, QDeadlineTimer(30000)); });
}
