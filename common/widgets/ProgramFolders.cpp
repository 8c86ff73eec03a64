#include "ProgramFolders.h"

#include <QApplication>
#include <QDir>

#include <unistd.h>

#include "common/Codec.h"
#include "common/DataFolder.h"
#include "common/Messages.h"
#include "common/Paths.h"
#include "common/widgets/GbkText.h"

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

void setPictureFolder(const QString& folder) {
    pictureSetting() = folder;
}

void setDataFolder(const QString& folder) {
    dataSetting() = folder;
}

QString pictureFolder() {
    return pictureSetting().isEmpty() ? QCoreApplication::applicationDirPath() : pictureSetting();
}

QString dataFolder() {
    return dataSetting().isEmpty() ? pictureFolder() : dataSetting();
}

QString programFile(const QString& name) {
    return QDir(pictureFolder()).filePath(name);
}

QString dataFile(const QString& name) {
    return QDir(dataFolder()).filePath(name);
}

QIcon programIcon(const QByteArray& name) {
    return QIcon(programFile(QStringLiteral("icons/%1.svg").arg(QString::fromLatin1(name))));
}

std::string initialiseProgramFolders() {
    const std::string programFolder = executableFolder();
    auto data = prepareDataFolder(programFolder);
    if (!data) fatalExit(0, toGbk(QStringLiteral("连接数据库失败，请与系统管理员联系！")));
    setPictureFolder(toQString(programFolder));
    setDataFolder(toQString(*data));
    QApplication::setWindowIcon(programIcon("app"));
    [[maybe_unused]] int changed = chdir(osPath(*data).c_str());
    return *data;
}

}  // namespace zeph
