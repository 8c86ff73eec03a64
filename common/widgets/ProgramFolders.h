// The two folders the windows use: the program folder, which holds the
// programs, pictures and pages (read only), and the data folder, which holds
// what the programs write (often the same folder; see common/DataFolder.h).
#pragma once

#include <QIcon>
#include <QString>

#include <string>

namespace zeph {

// Both default to the executable's folder.
void setPictureFolder(const QString& folder);
void setDataFolder(const QString& folder);
QString pictureFolder();
QString dataFolder();
// A file of the program folder, and one of the data folder, by name.
QString programFile(const QString& name);
QString dataFile(const QString& name);
// icons/<name>.svg of the program folder.
QIcon programIcon(const QByteArray& name);

// At a program's start: finds both folders from the executable's place,
// prepares the data folder, makes it the current directory and sets the
// window icon. Returns the data folder (GBK); a data folder that cannot be
// prepared ends the program with the database message (exit code 0).
std::string initialiseProgramFolders();

}  // namespace zeph
