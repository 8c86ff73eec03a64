#include "AboutDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/widgets/ProgramFolders.h"
#include "search/ui/CriteriaSections.h"
#include "web/LocalPageWindow.h"

namespace zeph {

QUrl AboutDialog::licenceText() {
    // Debian keeps the licences' texts; elsewhere the licence's own page.
    const QString local = QStringLiteral("/usr/share/common-licenses/GPL-3");
    if (QFileInfo(local).isFile()) return QUrl::fromLocalFile(local);
    return QUrl(QStringLiteral("https://www.gnu.org/licenses/gpl-3.0.html"));
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于 ZEPH桌面搜索"));
    paintLightSection(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(programIcon("app").pixmap(64, 64));
    auto* text = new QLabel(
        QStringLiteral(
            "<p style='font-size:16px'><b>ZEPH桌面搜索</b></p>"
            "<p>版本 %1（构建于 %2）</p>"
            "<p>按文件名、文件内容、位置、时间、大小和类型，<br>瞬间找到计算机上的任何文件。</p>"
            "<p>版权所有 © ZEPH 开发组。</p>"
            "<p>本程序是自由软件：您可以依据 GNU 通用公共许可证第 3 版或（由您选择）"
            "任何更新的版本，<br>再发布和修改它。本程序不提供任何担保。"
            "<a href='licence'>阅读许可证全文</a></p>")
            .arg(QStringLiteral(ZEPH_VERSION), QStringLiteral(ZEPH_BUILD_DATE)),
        this);
    text->setTextInteractionFlags(Qt::TextBrowserInteraction);
    connect(text, &QLabel::linkActivated, this, [this] {
        // The box's own child, so the box, which is modal, lets it be read.
        LocalPageWindow::showPage(this, QStringLiteral("GNU 通用公共许可证"), licenceText());
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 12);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

}  // namespace zeph
