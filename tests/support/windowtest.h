#ifndef WINDOWTEST_H
#define WINDOWTEST_H

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

class QComboBox;

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

#endif // WINDOWTEST_H
