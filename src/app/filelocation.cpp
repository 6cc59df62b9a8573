#include "filelocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

QStringList programFileNames()
{
    return { QStringLiteral("cfg.txt"),       QStringLiteral("manual.txt"),
             QStringLiteral("auto.txt"),      QStringLiteral("reply.txt"),
             QStringLiteral("receiveID.txt"), QStringLiteral("talvik.ini"),
             QStringLiteral("transmit-list.json") };
}

QString chooseFileFolder(const QString &workingDir, const QString &homeDir, const QString &dataDir,
                         const QStringList &existingFiles)
{
    const bool startedInHome = QDir::cleanPath(workingDir) == QDir::cleanPath(homeDir);
    if (!startedInHome || !existingFiles.isEmpty() || dataDir.isEmpty())
        return workingDir;
    return dataDir;
}

QString fileFolderForThisStart()
{
    const QString workingDir = QDir::currentPath();
    QStringList existing;
    for (const QString &name : programFileNames()) {
        if (QFileInfo::exists(QDir(workingDir).filePath(name)))
            existing.append(name);
    }
    // The home folder as the working directory shows it: without symbolic links.
    const QString home = QDir::home().canonicalPath();
    return chooseFileFolder(workingDir, home.isEmpty() ? QDir::homePath() : home,
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                            existing);
}

bool useFileFolder(const QString &folder)
{
    if (QDir().mkpath(folder) && QDir::setCurrent(folder))
        return true;
    QTextStream(stderr) << QCoreApplication::applicationName() << ": "
                        << QCoreApplication::translate("ProgramInfo",
                                                       "无法使用文件夹 %1，文件保存在 %2")
                                   .arg(QDir::toNativeSeparators(folder),
                                        QDir::toNativeSeparators(QDir::currentPath()))
                        << '\n';
    return false;
}
