#ifndef WINDOWTEST_H
#define WINDOWTEST_H

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

#include "mainwindow.h"
#include "pseudoterminal.h"

class QTableWidget;

// A fresh, empty working directory for the lifetime of one window under test;
// the window reads and writes its files there.
class WorkingDirectory
{
public:
    WorkingDirectory() : previous(QDir::currentPath()) { QDir::setCurrent(dir.path()); }
    ~WorkingDirectory() { QDir::setCurrent(previous); }

    QString path() const { return dir.path(); }
    QString filePath(const QString &name) const { return dir.filePath(name); }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(filePath(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }
    QByteArray read(const QString &name) const
    {
        QFile file(filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool exists(const QString &name) const { return QFile::exists(filePath(name)); }

private:
    QTemporaryDir dir;
    QString previous;
};

// The child widget of that object name; aborts the test run when the form lacks it.
template<class T>
T *child(const QObject *root, const char *name)
{
    T *found = root->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child %s of the expected class", name);
    return found;
}

// Types the path into the port box and presses the open button.
void openPort(QWidget *window, const QString &path,
              const QString &baud = QStringLiteral("2000000"));
QString statusText(QWidget *window);

// Clicks a cell of a table the way a user does; the table must be visible.
void clickCell(QTableWidget *table, int row, int column);
// The texts of a row's cells; "-" for a cell without an item.
QStringList rowCells(const QTableWidget *table, int row);
// Frames in the fixed framing, as the converter sends them.
QByteArray fixedFrame(quint32 id, const QByteArray &data, bool extended = false,
                      bool remote = false);

// Answers the next modal message box with `button` once it shows, keeping
// its title and text.
struct MessageBoxAnswer
{
    QString title;
    QString text;
    bool shown = false;
};
std::shared_ptr<MessageBoxAnswer> answerNextMessageBox(int button);
// Answers the next file dialog with `path` (or cancels it for an empty path).
void answerNextFileDialog(const QString &path);

// A window in its own working directory with a converter line to talk on.
// Files the window should find at start-up are written to `dir` before start().
class WindowFixture
{
public:
    WindowFixture();
    // Started at once, with the converter's port open or not.
    explicit WindowFixture(bool openThePort) : WindowFixture() { start(openThePort); }
    ~WindowFixture();

    MainWindow *start(bool openThePort = true);
    template<class T>
    T *get(const char *name) const
    {
        return child<T>(window, name);
    }
    // Shows the tool-box page that holds `widget`, so it can be clicked.
    void showPageOf(const char *widget);
    // Builds the window anew in the same directory, as the next start of the program does.
    MainWindow *restart(bool openThePort = false);

    // Shows the button's page and clicks it, or a check box on its box, as a user does.
    void click(const char *name);
    // Shows the page of the list `table` and clicks one of its cells.
    void clickListCell(const char *table, int row, int column);
    QTableWidget *view() const; // the data view
    // The rows of the data view holding a frame.
    int filledRows() const;
    // A row of the data view as "cell|cell|...", without the time cell.
    QString viewRow(int row) const;
    // Writes on the converter's side; true once `rows` rows of the view are filled.
    bool receive(const QByteArray &bytes, int rows);
    // Appends the rows auto-save owes now, as its timer does once a second.
    void flushAutoSave();
    QString status() const { return statusText(window); }

    WorkingDirectory dir;
    PseudoTerminal pty;
    MainWindow *window = nullptr;
};

#endif // WINDOWTEST_H
