#include "commandline.h"
#include "filelocation.h"
#include "language.h"
#include "mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
    nameTheProgram();
    // Qt's virtual bus says each connection it makes; a warning still shows.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan.info=false"));
    if (const std::optional<int> exitCode = answerCommandLine(argumentList(argc, argv), false))
        return *exitCode;
    QApplication app(argc, argv);
    if (!setUpUiLanguage(app.arguments(), QLocale::system().uiLanguages()))
        return 2;
    if (const std::optional<int> exitCode = answerCommandLine(QApplication::arguments(), true))
        return *exitCode;
    useFileFolder(fileFolderForThisStart());
    MainWindow window(readCommandLine(QApplication::arguments(), QDir::currentPath(), true).port);
    window.show();
    return app.exec();
}
