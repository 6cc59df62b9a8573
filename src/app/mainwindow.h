#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QStringList>

#include "canframe.h"

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
class QTimer;
QT_END_NAMESPACE

// The one window of the program. Its slots and operations are defined in the
// folder of the subsystem they belong to: link, canconfig, traffic, send.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    // link: port scan and open/close
    void on_btnOpenClose_clicked();
    void on_btnFind_clicked();

private:
    // link
    void showPortState(bool open);
    void handlePortError(QSerialPort::SerialPortError error);
    bool ensurePortOpen(const QString &closedMessage);
    void writeCanFrame(const CanFrame &frame);
    void showMessage(const QString &text, int timeout = 0);

    Ui::MainWindow *ui;
    QSerialPort *serialPort = nullptr;
    QList<QSerialPortInfo> portInfoList;
    bool portOpen = false;
    bool paused = false;
    bool onlyReceived = false;
    bool overlayDisplay = false;
    int totalRows = 1000;
    QTimer *timerAutoSend = nullptr;
    int autoSendIndex = 0;
    QString autoSaveFileName;
    QTimer *timerAutoSave = nullptr;
    QStringList padBlanks;
};

#endif // MAINWINDOW_H
