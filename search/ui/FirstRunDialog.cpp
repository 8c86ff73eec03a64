#include "FirstRunDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/ConfigRules.h"
#include "common/ContentSettings.h"
#include "common/Paths.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/ProgramFolders.h"

namespace zeph {

FirstRunDialog::FirstRunDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("第一次运行"));
    auto* question = new QLabel(
        QStringLiteral(
            "这是您第一次运行ZEPH桌面搜索，您必须建立索引。您现在要退出ZEPH桌面搜索主程序,"
            "并启动ZEPH桌面搜索索引程序吗？"),
        this);
    question->setWordWrap(true);
    m_folders = new QListWidget(this);
    addFolder(QDir::homePath(), false);
    addFolder(QStringLiteral("/"), true);
    // Which folders' documents are read follows the folders chosen.
    m_contentNote = new QLabel(this);
    m_contentNote->setWordWrap(true);
    connect(m_folders, &QListWidget::itemChanged, this, &FirstRunDialog::showContentFolders);
    showContentFolders();
    auto* add = new QPushButton(QStringLiteral("添加文件夹(&A)..."), this);
    connect(add, &QPushButton::clicked, this, [this] {
        QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("选择文件夹"), QDir::homePath());
        if (!folder.isEmpty()) addFolder(folder, true);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No, this);
    buttons->button(QDialogButtonBox::Yes)->setText(QStringLiteral("是(&Y)"));
    buttons->button(QDialogButtonBox::No)->setText(QStringLiteral("否(&N)"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (chosenFolders().isEmpty())
            uiMessage(QStringLiteral("请至少选择一个要建立索引的文件夹！"),
                      QStringLiteral("第一次运行"));
        else
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(
        new QLabel(QStringLiteral("为这些文件夹建立索引（以后可在“系统配置”中修改）："), this), 1);
    row->addWidget(add);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addLayout(row);
    layout->addWidget(m_folders, 1);
    layout->addWidget(m_contentNote);
    layout->addWidget(buttons);
    resize(520, 300);
}

QStringList FirstRunDialog::contentFolders() const {
    std::vector<std::string> indexed;
    for (const QString& folder : chosenFolders()) indexed.push_back(toGbk(folder));
    const std::string home = toGbk(QDir::homePath());
    std::vector<std::string> folders = contentFoldersFor(indexed, home);
    if (folders.empty() && !indexed.empty()) folders.push_back(home);
    QStringList shown;
    for (const std::string& folder : folders) shown << toQString(folder);
    return shown;
}

void FirstRunDialog::showContentFolders() {
    const QStringList folders = contentFolders();
    m_contentNote->setText(
        folders.isEmpty()
            ? QString()
            : QStringLiteral("文档（PDF、Office、电子书等）的内容将从这些文件夹读取：%1"
                             "（以后可在“系统配置 → 文档内容索引”中修改）")
                  .arg(folders.join(QStringLiteral("、"))));
}

void FirstRunDialog::addFolder(const QString& folder, bool chosen) {
    QString stored = toQString(storedFolderName(toGbk(folder)));
    for (int i = 0; i < m_folders->count(); ++i)
        if (m_folders->item(i)->text() == stored) {
            m_folders->item(i)->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
            return;
        }
    auto* item = new QListWidgetItem(programIcon("folder"), stored, m_folders);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
}

QStringList FirstRunDialog::chosenFolders() const {
    std::vector<std::string> ticked;
    for (int i = 0; i < m_folders->count(); ++i)
        if (m_folders->item(i)->checkState() == Qt::Checked)
            ticked.push_back(toGbk(m_folders->item(i)->text()));
    QStringList chosen;
    for (const std::string& folder : ticked) {
        bool inside = false;
        for (const std::string& other : ticked)
            inside = inside || (other != folder && folderContains(other, folder));
        if (!inside) chosen << toQString(folder);
    }
    return chosen;
}

bool FirstRunDialog::storeFolders(CSQLiteDB& db, const QStringList& folders) {
    bool ok = db.Execute("begin") == kSqlOk && db.Execute("delete from ScanConfig") == kSqlOk;
    for (const QString& folder : folders)
        ok =
            ok && db.Execute(sqlFormat(sql::kInsertScanFolder, {sqlText(toGbk(folder))})) == kSqlOk;
    // The folders are chosen: the first run does not add "/" of itself.
    ok = ok && db.Execute("update SystemSetting set isFirstRun=0") == kSqlOk;
    db.Execute(ok ? "commit" : "rollback");
    if (!ok) return false;
    // Documents are read where the user keeps them among the folders chosen.
    std::vector<std::string> indexed;
    for (const QString& folder : folders) indexed.push_back(toGbk(folder));
    ContentSettings content = readContentSettings(db);
    content.folders = contentFoldersFor(indexed, toGbk(QDir::homePath()));
    return storeContentSettings(db, content);
}

}  // namespace zeph
