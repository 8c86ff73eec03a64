// What the result list does with the files it shows: open them, open their
// folder, copy their paths, move or copy them to another folder, move them to
// the trash, show their properties; and the menu that offers all of it.
#pragma once

#include <QPoint>
#include <QStringList>

class QWidget;

namespace zeph {

namespace FileActions {

// Opens each file with the desktop; reports each that cannot be opened.
void openFiles(const QStringList& paths);
void openFolder(const QString& folder);
// The menu for the selected files at a screen position. Paths are full paths.
void showMenu(QWidget* parent, const QStringList& paths, const QPoint& screenPosition);

// Moves or copies files into a folder, asking before replacing a file there.
// Returns the number of files that reached the folder.
int moveFiles(const QStringList& paths, const QString& folder);
int copyFiles(const QStringList& paths, const QString& folder);

// True when the path lies in a trash folder of the desktop.
bool isInTrash(const QString& path);
// Moves the entry to the trash, saying so when it cannot.
void trash(const QString& path);

}  // namespace FileActions

}  // namespace zeph
