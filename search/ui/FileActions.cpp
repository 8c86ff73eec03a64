#include "FileActions.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "common/FileTransfer.h"
#include "common/Trash.h"
#include "common/widgets/DesktopOpen.h"
#include "common/widgets/DiskPaths.h"
#include "common/widgets/GbkText.h"
#include "search/ui/PropertiesDialog.h"

namespace zeph::FileActions {

namespace {

bool exists(const QString& path) {
    return !diskPath(path).isEmpty();
}

bool existsOnDisk(const QByteArray& path) {
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// The entry's own name on disk (bytes), from its path on disk.
QByteArray diskName(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

QString targetIn(const QString& folder, const QString& path) {
    return QDir(folder).filePath(QFileInfo(path).fileName());
}

// The fixed text, then what the system said went wrong.
void reportFailure(const QString& verb, const QString& path, const QString& reason) {
    uiMessage(QStringLiteral("%1文件 %2 失败！").arg(verb, path) + QLatin1Char('\n') + reason,
              QStringLiteral("文件操作失败"));
}

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

void trash(const QString& path) {
    // A name that is UTF-8 on disk goes through the desktop's own trash;
    // another, which the desktop cannot name, by its bytes.
    const QByteArray onDisk = diskPath(path);
    if (onDisk == QFile::encodeName(path)) {
        QFile file(path);
        if (!file.moveToTrash()) reportFailure(QStringLiteral("删除"), path, file.errorString());
    } else if (int error = onDisk.isEmpty() ? ENOENT : moveToTrash(onDisk.toStdString())) {
        reportFailure(QStringLiteral("删除"), path, systemReason(error));
    }
}

bool isInTrash(const QString& path) {
    return path.contains(QStringLiteral("/.local/share/Trash/")) ||
           path.contains(QStringLiteral("/.Trash-")) || path.contains(QStringLiteral("/.Trash/"));
}

void openFiles(const QStringList& paths) {
    // Said at once when the file is gone, or later when no program takes it.
    auto failed = [](int exitCode) {
        showOpenFailure(openFailureText(
            exitCode,
            QStringLiteral("打开文件失败,可能是未知的文件类型，也可能是文件已经从硬盘删除.")));
    };
    for (const QString& path : paths)
        if (!openLocalPath(path, nullptr, failed)) failed(kOpenerNotStarted);
}

void openFolder(const QString& folder) {
    auto failed = [](int exitCode) {
        showOpenFailure(openFailureText(
            exitCode,
            QStringLiteral("打开该文件失败,可能是未知的文件类型，也可能是该文件已经从硬盘删除.")));
    };
    if (!openLocalPath(folder, nullptr, failed)) failed(kOpenerNotStarted);
}

namespace {

// Moves or copies each file into the folder; the two flows differ only in
// their words and in the final step.
int transferFiles(const QStringList& paths, const QString& folder, bool moving) {
    const QString verb = moving ? QStringLiteral("移动") : QStringLiteral("复制");
    // The two questions differ in their last mark, as they always have.
    const QString question = moving ? QStringLiteral("文件 %1 已经存在，是否覆盖原来文件？")
                                    : QStringLiteral("文件 %1 已经存在，是否覆盖原来文件?");
    int done = 0;
    const QByteArray into = QFile::encodeName(QFileInfo(folder).absoluteFilePath());
    for (const QString& path : paths) {
        // Acted on by its bytes on disk; the target keeps the same name bytes.
        const QByteArray source = diskPath(path);
        const QByteArray targetBytes = into + '/' + diskName(source);
        QString target = targetIn(folder, path);
        if (source.isEmpty()) {
            reportFailure(verb, path, QStringLiteral("源文件 %1：%2").arg(path, systemReason(ENOENT)));
            continue;
        }
        if (targetBytes == source) continue;
        if (existsOnDisk(targetBytes) && !uiAsk(question.arg(target), {})) continue;
        // The file in the way is replaced only by a complete one.
        const std::string from = source.toStdString();
        const std::string to = targetBytes.toStdString();
        TransferResult result = moving ? moveReplacing(from, to) : copyReplacing(from, to);
        if (result)
            ++done;
        else if (result.copiedOnly)
            reportFailure(verb, path,
                          QStringLiteral("文件已复制到 %1，但原文件无法删除：%2")
                              .arg(target, systemReason(result.error)));
        else if (result.side == TransferResult::Side::Source)
            reportFailure(verb, path,
                          QStringLiteral("源文件 %1：%2").arg(path, systemReason(result.error)));
        else
            reportFailure(verb, path,
                          QStringLiteral("目标文件夹 %1：%2")
                              .arg(QDir::toNativeSeparators(folder), systemReason(result.error)));
    }
    return done;
}

}  // namespace

int moveFiles(const QStringList& paths, const QString& folder) {
    return transferFiles(paths, folder, true);
}

int copyFiles(const QStringList& paths, const QString& folder) {
    return transferFiles(paths, folder, false);
}

void showMenu(QWidget* parent, const QStringList& selected, const QPoint& screenPosition) {
    QStringList paths;
    bool anyInTrash = false;
    for (const QString& path : selected) {
        if (!exists(path)) continue;
        paths << path;
        anyInTrash = anyInTrash || isInTrash(path);
    }
    if (paths.isEmpty()) {
        uiMessage(QStringLiteral("您选择的文件可能已经被删除！"));
        return;
    }
    if (anyInTrash) {
        uiMessage(
            paths.size() > 1
                ? QStringLiteral(
                      "您选择的文件中包含回收站中的文件，不能与非回收站文件同时显示系统右键菜单！")
                : QStringLiteral("您选择的文件中在系统回收站中，不能显示系统右键菜单！"),
            QStringLiteral("回收站文件"));
        return;
    }

    QMenu menu(parent);
    QAction* openFolderAction = nullptr;
    if (paths.size() == 1) {
        openFolderAction =
            menu.addAction(QIcon::fromTheme("folder-open"), QStringLiteral("打开所在的文件夹"));
        menu.addSeparator();
    }
    QAction* open = menu.addAction(QIcon::fromTheme("document-open"), QStringLiteral("打开(&O)"));
    menu.setDefaultAction(open);
    QAction* copyPath =
        menu.addAction(QIcon::fromTheme("edit-copy"), QStringLiteral("复制路径(&P)"));
    menu.addSeparator();
    QAction* cut = menu.addAction(QIcon::fromTheme("edit-cut"), QStringLiteral("剪切到...(&T)"));
    QAction* copy = menu.addAction(QIcon::fromTheme("edit-paste"), QStringLiteral("复制到...(&C)"));
    QAction* toTrash =
        menu.addAction(QIcon::fromTheme("user-trash"), QStringLiteral("移到回收站(&D)"));
    menu.addSeparator();
    QAction* properties =
        menu.addAction(QIcon::fromTheme("document-properties"), QStringLiteral("属性(&R)"));

    QAction* chosen = menu.exec(screenPosition);
    if (!chosen) return;
    if (chosen == openFolderAction) {
        openFolder(QFileInfo(paths.first()).absolutePath());
    } else if (chosen == open) {
        openFiles(paths);
    } else if (chosen == copyPath) {
        QApplication::clipboard()->setText(paths.join(QLatin1Char('\n')));
    } else if (chosen == cut || chosen == copy) {
        bool moving = chosen == cut;
        QString folder = QFileDialog::getExistingDirectory(
            parent, moving ? QStringLiteral("将文件剪切到...") : QStringLiteral("将文件复制到..."),
            QDir::homePath());
        if (folder.isEmpty()) return;
        if (moving)
            moveFiles(paths, folder);
        else
            copyFiles(paths, folder);
    } else if (chosen == toTrash) {
        for (const QString& path : paths) trash(path);
    } else if (chosen == properties) {
        for (const QString& path : paths) PropertiesDialog(path, parent).exec();
    }
}

}  // namespace zeph::FileActions
