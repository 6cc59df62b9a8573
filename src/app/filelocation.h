#ifndef FILELOCATION_H
#define FILELOCATION_H

#include <QString>
#include <QStringList>

// The program reads and writes its files (cfg.txt, the list files, the
// auto-save logs) in one folder, chosen once at start-up:
// - the working directory when it holds any of the program's files, or when
//   it is not the home folder (started from a terminal in a project folder);
// - otherwise, started in the home folder that holds none of them (as the
//   desktop's menu starts programs), the program's data folder.

// The files whose presence keeps the program in the working directory.
QStringList programFileNames();

// The folder chosen from the facts: `existingFiles` are the names of
// programFileNames() present in `workingDir`. An empty `dataDir` (none known)
// keeps the working directory.
QString chooseFileFolder(const QString &workingDir, const QString &homeDir, const QString &dataDir,
                         const QStringList &existingFiles);

// The same choice for this process: its working directory, the user's home
// folder, the program's data folder (QStandardPaths::AppDataLocation).
QString fileFolderForThisStart();

// Makes `folder` the working directory, creating it when missing; false (and
// the working directory unchanged) when that fails.
bool useFileFolder(const QString &folder);

#endif // FILELOCATION_H
