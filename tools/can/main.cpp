// talvik-can: the converter from the command line, after can-utils' habits:
// dump, send, play and an SLCAN bridge.
#include "canbus.h"
#include "cantool.h"
#include "cantooloptions.h"
#include "language.h"

#include <QCoreApplication>
#include <QLocale>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = { -1, -1 };

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("talvik-can"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALVIK_VERSION));
    QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan.info=false"));
    // The reasons a port did not open, in the language of the window's.
    installUiLanguage(systemUiLanguage(QLocale::system().uiLanguages()));

    const CanToolOptions options = parseCanToolArguments(app.arguments().mid(1));
    if (options.version) {
        std::printf("talvik-can %s\n", TALVIK_VERSION);
        return 0;
    }
    if (options.help) {
        std::printf("%s", canToolUsage(options.command).toLocal8Bit().constData());
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "talvik-can: %s\n%s", options.error.toLocal8Bit().constData(),
                     canToolUsage(options.command).toLocal8Bit().constData());
        return 2;
    }

    CanBus bus;
    CanToolRun run(options, &bus);
    QObject::connect(&run, &CanToolRun::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &run, &CanToolRun::interrupt);
    }
    const int status = run.start();
    if (status >= 0)
        return status;
    return app.exec();
}
