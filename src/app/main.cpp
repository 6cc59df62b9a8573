#include "commandline.h"
#include "filelocation.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    nameTheProgram();
    if (const std::optional<int> exitCode = answerCommandLine(argumentList(argc, argv), false))
        return *exitCode;
    QApplication app(argc, argv);
    if (const std::optional<int> exitCode = answerCommandLine(QApplication::arguments(), true))
        return *exitCode;
    useFileFolder(fileFolderForThisStart());
    MainWindow window;
    window.show();
    return app.exec();
}
