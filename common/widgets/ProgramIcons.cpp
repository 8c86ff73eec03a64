#include "ProgramIcons.h"

#include <QCoreApplication>
#include <QDir>

namespace zeph {

namespace {
QString& folderSetting() {
    static QString folder;
    return folder;
}
}  // namespace

void setPictureFolder(const QString& folder) {
    folderSetting() = folder;
}

QString pictureFolder() {
    return folderSetting().isEmpty() ? QCoreApplication::applicationDirPath() : folderSetting();
}

QString programFile(const QString& name) {
    return QDir(pictureFolder()).filePath(name);
}

QIcon programIcon(const QByteArray& name) {
    return QIcon(programFile(QStringLiteral("icons/%1.svg").arg(QString::fromLatin1(name))));
}

}  // namespace zeph
