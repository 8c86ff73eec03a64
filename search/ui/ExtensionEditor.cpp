#include "ExtensionEditor.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/ConfigCodes.h"
#include "common/ConfigRules.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/ProgramFolders.h"

namespace zeph {

ExtensionEditor::ExtensionEditor(CSQLiteDB& db, int type, QWidget* parent)
    : QDialog(parent), m_db(db) {
    build(type);
}

ExtensionEditor::ExtensionEditor(CSQLiteDB& db, int type, const QString& id, const QString& name,
                                 const QString& description, QWidget* parent)
    : QDialog(parent), m_db(db), m_modify(true) {
    build(type);
    m_id->setText(id);
    m_name->setText(name);
    m_description->setText(description);
}

void ExtensionEditor::build(int type) {
    setWindowTitle(QStringLiteral("后缀信息管理"));
    auto* banner = new QLabel(this);
    banner->setText(QStringLiteral(
        "<b style='font-size:15px;color:#2b4f9e'>文件后缀信息</b><br>"
        "<span style='color:#4a5a7a'>登记后缀后，可以按文件类型搜索这一类文件。</span>"));
    banner->setStyleSheet(
        QStringLiteral("background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 #d6dff7, "
                       "stop:1 #f4f7fd); padding: 10px; border-bottom: 1px solid #9fb2df;"));
    m_id = new QLineEdit(this);
    m_id->setReadOnly(true);
    m_typeBox = new QComboBox(this);
    for (int t = kFirstFileType; t <= kLastFileType; ++t)
        m_typeBox->addItem(toQString(fileTypeCaption(t)));
    m_typeBox->setCurrentIndex(type >= 1 && type <= 5 ? type - 1 : -1);
    m_name = new QLineEdit(this);
    m_description = new QLineEdit(this);

    auto* group = new QGroupBox(QStringLiteral("后缀属性信息"), this);
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("后缀ID："), m_id);
    form->addRow(QStringLiteral("后缀类型："), m_typeBox);
    form->addRow(QStringLiteral("后缀名称："), m_name);
    form->addRow(QStringLiteral("后缀描述："), m_description);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ExtensionEditor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->addWidget(banner);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 6, 12, 0);
    body->addWidget(group);
    body->addWidget(buttons);
    layout->addLayout(body);
    setMinimumWidth(420);
    m_name->setFocus();
}

int ExtensionEditor::duplicateOf(const std::string& name) const {
    std::vector<Row> rows;
    if (m_db.QueryRows(sqlFormat(sql::kSelectExtendIdByName, {sqlText(name)}), rows) != kSqlOk)
        return -1;
    std::string self = toGbk(m_id->text());
    for (const Row& row : rows)
        if (!m_modify || row[0] != self) return 1;
    return 0;
}

void ExtensionEditor::accept() {
    m_type = m_typeBox->currentIndex() + 1;
    auto name = normaliseSuffix(toGbk(m_name->text()));
    if (!name) {
        uiMessage(QStringLiteral("后缀名称不能为空，也不能包含“/”、“.”、空格或控制字符！"),
                  QStringLiteral("后缀名称不合法"));
        return;
    }
    m_name->setText(toQString(*name));
    std::string description = toGbk(m_description->text());
    int duplicate = duplicateOf(*name);
    if (duplicate < 0) return;
    if (duplicate > 0) {
        uiMessage(QStringLiteral("该后缀已经登记，请不要重复登记！"),
                  QStringLiteral("后缀已经登记"));
        return;
    }
    if (m_modify) {
        std::string id = toGbk(m_id->text());
        if (m_db.Execute(sqlFormat(sql::kUpdateExtendName, {sqlText(*name), sqlText(description),
                                                            std::int64_t{m_type}, sqlText(id)})) !=
            kSqlOk)
            uiMessage(QStringLiteral("修改后缀信息失败，请与软件开发商联系！错误代码为：%1")
                          .arg(toQString(m_db.lastError())),
                      QStringLiteral("后缀信息修改异常"));
        QDialog::accept();
        return;
    }
    if (m_db.Execute(sqlFormat(sql::kInsertExtendName, {sqlText(*name), std::int64_t{m_type},
                                                        sqlText(description)})) != kSqlOk) {
        uiMessage(QStringLiteral("后缀登记异常，请与软件开发商联系！错误代码为：%1")
                      .arg(toQString(m_db.lastError())),
                  QStringLiteral("后缀登记异常"));
        return;
    }
    QDialog::accept();
}

}  // namespace zeph
