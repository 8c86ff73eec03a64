#include "PropertiesDialog.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/widgets/DiskPaths.h"
#include "search/ui/FileIcons.h"

namespace zeph {

namespace {

QString timeText(const QDateTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                          : QStringLiteral("—");
}

QString permissionsText(unsigned mode) {
    QString text;
    const char letters[] = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i)
        text += (mode & (0400u >> i)) ? QLatin1Char(letters[i]) : QLatin1Char('-');
    return text;
}

}  // namespace

PropertiesDialog::PropertiesDialog(const QString& path, QWidget* parent) : QDialog(parent) {
    // Shown by its name as the windows show it; read from its bytes on disk.
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const QString folder =
        path.left(std::max(1, static_cast<int>(path.lastIndexOf(QLatin1Char('/')))));
    const QByteArray onDisk = diskPath(path);
    struct statx st {};
    const bool known = !onDisk.isEmpty() && ::statx(AT_FDCWD, onDisk.constData(),
                                                    AT_SYMLINK_NOFOLLOW, STATX_ALL, &st) == 0;
    const bool isFolder = known && S_ISDIR(st.stx_mode);
    setWindowTitle(QStringLiteral("%1 属性").arg(name));
    auto* form = new QFormLayout;
    auto add = [&](const QString& label, const QString& value) {
        auto* text = new QLabel(value, this);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        text->setWordWrap(true);
        form->addRow(label, text);
    };
    auto* icon = new QLabel(this);
    FileIcons icons;
    icon->setPixmap(icons.forFile(name, isFolder).pixmap(48, 48));
    form->addRow(icon, new QLabel(QStringLiteral("<b>%1</b>").arg(name.toHtmlEscaped()), this));
    add(QStringLiteral("位置："), folder);
    QString type;
    if (known && S_ISLNK(st.stx_mode)) {
        std::string target(4096, '\0');
        ssize_t n = ::readlink(onDisk.constData(), target.data(), target.size());
        type = QStringLiteral("符号链接 → %1")
                   .arg(QFile::decodeName(QByteArray(target.data(), std::max<ssize_t>(n, 0))));
    } else if (isFolder) {
        type = QMimeDatabase().mimeTypeForName(QStringLiteral("inode/directory")).comment();
    } else {
        type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).comment();
    }
    add(QStringLiteral("类型："), type);
    if (known && !isFolder)
        add(QStringLiteral("大小："),
            QStringLiteral("%1 字节").arg(
                QLocale(QLocale::Chinese).toString(static_cast<qint64>(st.stx_size))));
    auto timeOf = [&](const statx_timestamp& t, bool present) {
        return known && present && t.tv_sec != 0 ? timeText(QDateTime::fromSecsSinceEpoch(t.tv_sec))
                                                 : timeText(QDateTime());
    };
    add(QStringLiteral("创建时间："), timeOf(st.stx_btime, st.stx_mask & STATX_BTIME));
    add(QStringLiteral("修改时间："), timeOf(st.stx_mtime, true));
    add(QStringLiteral("访问时间："), timeOf(st.stx_atime, true));
    if (known) {
        const passwd* user = ::getpwuid(st.stx_uid);
        const group* team = ::getgrgid(st.stx_gid);
        add(QStringLiteral("所有者："),
            (user ? QString::fromLocal8Bit(user->pw_name) : QString::number(st.stx_uid)) +
                QStringLiteral(" / ") +
                (team ? QString::fromLocal8Bit(team->gr_name) : QString::number(st.stx_gid)));
        add(QStringLiteral("权限："), permissionsText(st.stx_mode));
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

}  // namespace zeph
