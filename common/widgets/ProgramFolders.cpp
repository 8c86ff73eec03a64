#include "ProgramFolders.h"

#include <QCoreApplication>
#include <QDir>

namespace zeph {

namespace {

QString& pictureSetting() {
    static QString folder;
    return folder;
}

QString& dataSetting() {
    static QString folder;
    return folder;
}

}  // namespace

void setPictureFolder(const QString& folder) { pictureSetting() = folder; }

void setDataFolder(const QString& folder) { dataSetting() = folder; }

QString pictureFolder() {
    return pictureSetting().isEmpty() ? QCoreApplication::applicationDirPath() : pictureSetting();
}

QString dataFolder() { return dataSetting().isEmpty() ? pictureFolder() : dataSetting(); }

QString programFile(const QString& name) { return QDir(pictureFolder()).filePath(name); }

QString dataFile(const QString& name) { return QDir(dataFolder()).filePath(name); }

QIcon programIcon(const QByteArray& name) {
    return QIcon(programFile(QStringLiteral("icons/%1.svg").arg(QString::fromLatin1(name))));
}

}  // namespace zeph
