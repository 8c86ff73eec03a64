#include "ExclusionsDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Exclusions.h"
#include "common/Paths.h"
#include "common/SQLiteDB.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/ProgramFolders.h"

namespace zeph {

ExclusionsDialog::ExclusionsDialog(CSQLiteDB& db, QWidget* parent) : QDialog(parent), m_db(db) {
    setWindowTitle(QStringLiteral("不建立索引的文件夹和文件"));
    m_folders = new QListWidget(this);
    m_folders->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_names = new QListWidget(this);
    m_names->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_name = new QLineEdit(this);
    m_name->setPlaceholderText(QStringLiteral("例如：node_modules、*.tmp、.git"));
    const Exclusions stored = Exclusions::read(db);
    for (const std::string& folder : stored.folders()) addFolder(toQString(folder));
    for (const std::string& name : stored.names()) addName(toQString(name));

    auto* addFolderButton = new QPushButton(QStringLiteral("添加文件夹(&A)..."), this);
    auto* removeFolders = new QPushButton(QStringLiteral("删除(&D)"), this);
    auto* addNameButton = new QPushButton(QStringLiteral("添加名称(&N)"), this);
    auto* removeNames = new QPushButton(QStringLiteral("删除(&R)"), this);
    connect(addFolderButton, &QPushButton::clicked, this, [this] {
        QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("选择文件夹"), QDir::homePath());
        if (!folder.isEmpty()) addFolder(folder);
    });
    connect(removeFolders, &QPushButton::clicked, this,
            [this] { qDeleteAll(m_folders->selectedItems()); });
    connect(addNameButton, &QPushButton::clicked, this, [this] {
        addName(m_name->text());
        m_name->clear();
    });
    connect(m_name, &QLineEdit::returnPressed, addNameButton, &QPushButton::click);
    connect(removeNames, &QPushButton::clicked, this,
            [this] { qDeleteAll(m_names->selectedItems()); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ExclusionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("不建立索引的文件夹（连同其中的一切）："), this), 0,
                    0, 1, 2);
    grid->addWidget(m_folders, 1, 0, 2, 1);
    grid->addWidget(addFolderButton, 1, 1);
    grid->addWidget(removeFolders, 2, 1, Qt::AlignTop);
    grid->addWidget(
        new QLabel(
            QStringLiteral("不建立索引的名称（写法同文件名搜索，不带 * 的词须与整个名称相同）："),
            this),
        3, 0, 1, 2);
    grid->addWidget(m_names, 4, 0, 2, 1);
    grid->addWidget(removeNames, 4, 1, Qt::AlignTop);
    grid->addWidget(m_name, 6, 0);
    grid->addWidget(addNameButton, 6, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    resize(560, 460);
}

void ExclusionsDialog::addFolder(const QString& folder) {
    QString normalized = toQString(normalizeFolder(toGbk(folder)));
    if (normalized.isEmpty() || !m_folders->findItems(normalized, Qt::MatchExactly).isEmpty())
        return;
    new QListWidgetItem(programIcon("folder"), normalized, m_folders);
}

void ExclusionsDialog::addName(const QString& pattern) {
    QString trimmed = pattern.trimmed();
    if (trimmed.isEmpty() || !m_names->findItems(trimmed, Qt::MatchExactly).isEmpty()) return;
    new QListWidgetItem(trimmed, m_names);
}

void ExclusionsDialog::accept() {
    std::vector<std::string> folders, names;
    for (int i = 0; i < m_folders->count(); ++i)
        folders.push_back(toGbk(m_folders->item(i)->text()));
    for (int i = 0; i < m_names->count(); ++i) names.push_back(toGbk(m_names->item(i)->text()));
    if (!storeExclusions(m_db, Exclusions(std::move(folders), std::move(names)))) {
        uiMessage(toQString(m_db.lastError()), QStringLiteral("SQL语句异常"));
        return;
    }
    QDialog::accept();
}

}  // namespace zeph
