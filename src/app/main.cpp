#include "language.h"
#include "mainwindow.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (!setUpUiLanguage(app.arguments(), QLocale::system().uiLanguages()))
        return 2;
    MainWindow window;
    window.show();
    return app.exec();
}
