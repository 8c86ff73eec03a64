// The program's own icons and pictures, from the icons/ folder of the program folder.
#pragma once

#include <QIcon>
#include <QString>

namespace zeph {

// The program folder the pictures are read from; the executable's folder unless set.
void setPictureFolder(const QString& folder);
QString pictureFolder();
// icons/<name>.svg of the program folder.
QIcon programIcon(const QByteArray& name);
// A file of the program folder, by name.
QString programFile(const QString& name);

}  // namespace zeph
