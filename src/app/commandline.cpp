#include "commandline.h"

#include "filelocation.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

QString ProgramInfo::version()
{
    return QStringLiteral(TALVIK_VERSION);
}

QString ProgramInfo::text(const QString &fileFolder)
{
    return tr("TALVIK 版本 %1").arg(version()) + QLatin1Char('\n')
            + tr("配置文件和列表文件的保存位置：%1").arg(QDir::toNativeSeparators(fileFolder))
            + QLatin1Char('\n')
            + tr("在主目录中启动且主目录中没有本程序的文件时（例如从桌面菜单启动），"
                 "文件保存在程序的数据文件夹中；否则保存在启动时的当前目录中。");
}

void nameTheProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("talvik"));
    QCoreApplication::setApplicationVersion(ProgramInfo::version());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.talvik.Talvik"));
}

CommandLineAnswer readCommandLine(const QStringList &arguments, const QString &fileFolder,
                                  bool strict)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(ProgramInfo::tr("USB转CAN转换器的配置、收发与监视工具。")
                                     + QLatin1String("\n\n") + ProgramInfo::text(fileFolder));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Read (and checked) where the translation is installed; named here for
    // --help and so that the strict reading knows it.
    parser.addOption({ QStringLiteral("lang"), ProgramInfo::tr("界面语言：zh（中文）或 en（英文）"),
                       QStringLiteral("zh|en") });
    parser.addOption({ QStringLiteral("port"),
                       ProgramInfo::tr("启动时打开的串口或CAN接口，如 /dev/ttyUSB0 或 socketcan:can0"),
                       ProgramInfo::tr("名称") });
    const bool parsed = parser.parse(arguments);

    CommandLineAnswer answer;
    if (parser.isSet(help)) {
        // Without an application object Qt names the program by a placeholder.
        answer = { false, 0,
                   parser.helpText().replace(QLatin1String("<executable_name>"),
                                             QCoreApplication::applicationName()) };
    } else if (parser.isSet(version)) {
        answer = { false, 0,
                   QCoreApplication::applicationName() + QLatin1Char(' ')
                           + QCoreApplication::applicationVersion() + QLatin1Char('\n') };
    } else if (strict && parser.isSet(QStringLiteral("help-all"))) {
        parser.process(arguments); // Qt prints its own options too, and ends the program
    } else if (strict && !parsed) {
        answer = { false, 1, parser.errorText() };
    } else if (strict && !parser.positionalArguments().isEmpty()) {
        answer = { false, 1,
                   ProgramInfo::tr("多余的参数：%1")
                           .arg(parser.positionalArguments().join(QLatin1Char(' '))) };
    }
    answer.port = parser.value(QStringLiteral("port"));
    if (answer.exitCode != 0) {
        answer.text = QCoreApplication::applicationName() + QLatin1String(": ") + answer.text
                + QLatin1Char('\n') + ProgramInfo::tr("用 --help 查看可用的选项。")
                + QLatin1Char('\n');
    }
    return answer;
}

std::optional<int> answerCommandLine(const QStringList &arguments, bool strict)
{
    const CommandLineAnswer answer = readCommandLine(arguments, fileFolderForThisStart(), strict);
    if (answer.startWindow)
        return std::nullopt;
    QTextStream(answer.exitCode == 0 ? stdout : stderr) << answer.text;
    return answer.exitCode;
}

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int index = 0; index < argc; ++index)
        arguments.append(QString::fromLocal8Bit(argv[index]));
    return arguments;
}
