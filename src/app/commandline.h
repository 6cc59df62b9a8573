#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks of the program: the window, or a text printed
// (on standard output for exit code 0, standard error otherwise) and the end.
struct CommandLineAnswer
{
    bool startWindow = true;
    int exitCode = 0;
    QString text;
    QString port; // to open at start, empty for none
};

// The version and the folder of the files, for the help page and --help.
class ProgramInfo
{
    Q_DECLARE_TR_FUNCTIONS(ProgramInfo)

public:
    static QString version();
    static QString text(const QString &fileFolder);
};

// Names the program (for --version, its data folder and the desktop entry);
// needs no application object.
void nameTheProgram();

// Reads the arguments, the program's path first. With `strict`, anything but
// the known options is an error; otherwise only --help and --version are
// answered and the rest is left for the strict reading.
CommandLineAnswer readCommandLine(const QStringList &arguments, const QString &fileFolder,
                                  bool strict);

// Answers the command line unless it asks for the window: prints the help,
// the version or the error and returns the exit code. Without `strict` (before
// the application object exists, so without a display) only --help and
// --version are answered; the strict reading comes once Qt has taken its own
// options out.
std::optional<int> answerCommandLine(const QStringList &arguments, bool strict);
QStringList argumentList(int argc, char *argv[]);

#endif // COMMANDLINE_H
