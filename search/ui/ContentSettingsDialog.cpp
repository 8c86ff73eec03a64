#include "ContentSettingsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "common/ContentSettings.h"
#include "common/KeyScheme.h"
#include "common/Paths.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/ProgramFolders.h"
#include "content/ContentStore.h"
#include "content/DocumentKind.h"

namespace zeph {

namespace {

constexpr int kTextType = 1;

// Every suffix the content index can read: the known text suffixes with a
// reader, and the document formats.
QStringList readableSuffixes(CSQLiteDB& db) {
    QStringList suffixes;
    std::vector<Row> rows;
    db.QueryRows(sqlFormat(sql::kSelectExtendNamesOfType, {std::int64_t{kTextType}}), rows);
    for (const Row& row : rows) {
        std::string suffix = lowerBytes(row[1]);
        if (content::documentKind(suffix, true) != content::DocumentKind::None)
            suffixes << toQString(suffix);
    }
    for (const char* document :
         {"pdf", "docx", "xlsx", "pptx", "odt", "ods", "odp", "epub", "html", "htm", "xml"})
        if (!suffixes.contains(QLatin1String(document))) suffixes << QLatin1String(document);
    suffixes.sort();
    return suffixes;
}

}  // namespace

QString contentProgressText(const QString& dataFolder) {
    auto store = content::ContentStore::open(toGbk(dataFolder), false);
    if (!store) return {};
    std::int64_t left = store->pendingCount();
    if (left == 0) return {};
    return QStringLiteral("正在读取文档内容：已读 %1 个，还有 %2 个")
        .arg(store->documentCount())
        .arg(left);
}

ContentSettingsDialog::ContentSettingsDialog(CSQLiteDB& db, const QString& dataFolder,
                                             QWidget* parent)
    : QDialog(parent), m_db(db) {
    setWindowTitle(QStringLiteral("文档内容索引"));
    const ContentSettings settings = readContentSettings(db);

    m_enabled =
        new QCheckBox(QStringLiteral("建立文档内容索引，按文件内容搜索时直接从索引回答"), this);
    m_enabled->setChecked(settings.enabled);
    m_folders = new QListWidget(this);
    m_folders->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const std::string& folder : settings.folders) addFolder(toQString(folder));
    m_folders->setToolTip(
        QStringLiteral("没有列出文件夹时，读取主文件夹 %1 中的文档").arg(QDir::homePath()));
    auto* add = new QPushButton(QStringLiteral("添加(&A)..."), this);
    auto* remove = new QPushButton(QStringLiteral("删除(&D)"), this);
    connect(add, &QPushButton::clicked, this, &ContentSettingsDialog::chooseFolder);
    connect(remove, &QPushButton::clicked, this, &ContentSettingsDialog::removeFolders);

    m_types = new QListWidget(this);
    m_types->setFlow(QListView::LeftToRight);
    m_types->setWrapping(true);
    m_types->setResizeMode(QListView::Adjust);
    for (const QString& suffix : readableSuffixes(db)) {
        auto* item = new QListWidgetItem(suffix, m_types);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        bool skipped = std::find(settings.skippedTypes.begin(), settings.skippedTypes.end(),
                                 toGbk(suffix)) != settings.skippedTypes.end();
        item->setCheckState(skipped ? Qt::Unchecked : Qt::Checked);
    }

    m_size = new QSpinBox(this);
    m_size->setRange(1, 4096);
    m_size->setSuffix(QStringLiteral(" MB"));
    m_size->setValue(static_cast<int>(settings.maxFileMB));
    m_progress = new QLabel(this);
    QString progress = contentProgressText(dataFolder);
    m_progress->setText(progress.isEmpty() ? QStringLiteral("文档内容索引已是最新。") : progress);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ContentSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* folderButtons = new QVBoxLayout;
    folderButtons->addWidget(add);
    folderButtons->addWidget(remove);
    folderButtons->addStretch();
    auto* folders = new QHBoxLayout;
    folders->addWidget(m_folders, 1);
    folders->addLayout(folderButtons);
    auto* size = new QHBoxLayout;
    size->addWidget(new QLabel(QStringLiteral("单个文件最大："), this));
    size->addWidget(m_size);
    size->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_enabled);
    layout->addWidget(
        new QLabel(QStringLiteral("读取这些文件夹中的文档（不列出时为主文件夹）："), this));
    layout->addLayout(folders, 2);
    layout->addWidget(new QLabel(
        QStringLiteral("读取这些类型的文件（doc、xls、ppt、wps、rtf 只按文件名索引）："), this));
    layout->addWidget(m_types, 3);
    layout->addLayout(size);
    layout->addWidget(m_progress);
    layout->addWidget(buttons);
    resize(600, 520);
}

void ContentSettingsDialog::addFolder(const QString& folder) {
    QString normalized = toQString(normalizeFolder(toGbk(folder)));
    if (!m_folders->findItems(normalized, Qt::MatchExactly).isEmpty()) return;
    new QListWidgetItem(programIcon("folder"), normalized, m_folders);
}

void ContentSettingsDialog::chooseFolder() {
    QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("选择文件夹"), QDir::homePath());
    if (!folder.isEmpty()) addFolder(folder);
}

void ContentSettingsDialog::removeFolders() {
    qDeleteAll(m_folders->selectedItems());
}

void ContentSettingsDialog::accept() {
    ContentSettings settings;
    settings.enabled = m_enabled->isChecked();
    for (int i = 0; i < m_folders->count(); ++i)
        settings.folders.push_back(toGbk(m_folders->item(i)->text()));
    for (int i = 0; i < m_types->count(); ++i)
        if (m_types->item(i)->checkState() != Qt::Checked)
            settings.skippedTypes.push_back(toGbk(m_types->item(i)->text()));
    settings.maxFileMB = m_size->value();
    if (!storeContentSettings(m_db, settings)) {
        uiMessage(toQString(m_db.lastError()), QStringLiteral("SQL语句异常"));
        return;
    }
    QDialog::accept();
}

}  // namespace zeph
