#include "AboutDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/widgets/ProgramFolders.h"
#include "search/ui/CriteriaSections.h"

namespace zeph {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于 ZEPH桌面搜索"));
    paintLightSection(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(programIcon("app").pixmap(64, 64));
    auto* text = new QLabel(
        QStringLiteral(
            "<p style='font-size:16px'><b>ZEPH桌面搜索</b></p>"
            "<p>版本 1.0（20100214）</p>"
            "<p>按文件名、文件内容、位置、时间、大小和类型，<br>瞬间找到计算机上的任何文件。</p>"
            "<p>版权所有 © ZEPH 开发组。保留所有权利。</p>"),
        this);
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
