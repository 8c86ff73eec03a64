#include "PropertiesDialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QPushButton>
#include <QVBoxLayout>

#include "search/ui/FileIcons.h"

namespace zeph {

namespace {

QString timeText(const QDateTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                          : QStringLiteral("—");
}

QString permissionsText(QFile::Permissions p) {
    QString text;
    const std::pair<QFile::Permission, char> bits[] = {
        {QFile::ReadOwner, 'r'}, {QFile::WriteOwner, 'w'}, {QFile::ExeOwner, 'x'},
        {QFile::ReadGroup, 'r'}, {QFile::WriteGroup, 'w'}, {QFile::ExeGroup, 'x'},
        {QFile::ReadOther, 'r'}, {QFile::WriteOther, 'w'}, {QFile::ExeOther, 'x'}};
    for (const auto& [bit, letter] : bits)
        text += (p & bit) ? QLatin1Char(letter) : QLatin1Char('-');
    return text;
}

}  // namespace

PropertiesDialog::PropertiesDialog(const QString& path, QWidget* parent) : QDialog(parent) {
    QFileInfo info(path);
    setWindowTitle(QStringLiteral("%1 属性").arg(info.fileName()));
    auto* form = new QFormLayout;
    auto add = [&](const QString& label, const QString& value) {
        auto* text = new QLabel(value, this);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        text->setWordWrap(true);
        form->addRow(label, text);
    };
    auto* icon = new QLabel(this);
    FileIcons icons;
    icon->setPixmap(icons.forFile(info.fileName(), info.isDir()).pixmap(48, 48));
    form->addRow(
        icon, new QLabel(QStringLiteral("<b>%1</b>").arg(info.fileName().toHtmlEscaped()), this));
    add(QStringLiteral("位置："), info.absolutePath());
    QString type = info.isSymLink() ? QStringLiteral("符号链接 → %1").arg(info.symLinkTarget())
                                    : QMimeDatabase().mimeTypeForFile(info).comment();
    add(QStringLiteral("类型："), type);
    if (!info.isDir())
        add(QStringLiteral("大小："),
            QStringLiteral("%1 字节").arg(QLocale(QLocale::Chinese).toString(info.size())));
    add(QStringLiteral("创建时间："), timeText(info.birthTime()));
    add(QStringLiteral("修改时间："), timeText(info.lastModified()));
    add(QStringLiteral("访问时间："), timeText(info.lastRead()));
    add(QStringLiteral("所有者："), info.owner() + QStringLiteral(" / ") + info.group());
    add(QStringLiteral("权限："), permissionsText(info.permissions()));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

}  // namespace zeph
