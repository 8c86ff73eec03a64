#include "SettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/ConfigCodes.h"
#include "common/ConfigRules.h"
#include "common/Preferences.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "common/widgets/ColorTabBar.h"
#include "common/widgets/ColumnShares.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/ProgramFolders.h"
#include "search/ui/ContentSettingsDialog.h"
#include "search/ui/CriteriaSections.h"
#include "search/ui/ExclusionsDialog.h"
#include "search/ui/ExtensionEditor.h"
#include "search/ui/FileIcons.h"
#include "web/AdvertPane.h"

namespace zeph {

namespace {

constexpr int kSuffixIdColumn = 2;
constexpr int kFolderIdColumn = 1;

QTreeWidget* reportList(const QStringList& headers, QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAlternatingRowColors(true);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    return list;
}

QList<int> selectedRows(QTreeWidget* list) {
    QList<int> rows;
    for (QTreeWidgetItem* item : list->selectedItems()) rows << list->indexOfTopLevelItem(item);
    std::sort(rows.begin(), rows.end());
    return rows;
}

}  // namespace

SettingsDialog::SettingsDialog(CSQLiteDB& db, QWidget* parent)
    : QDialog(parent), m_db(db), m_icons(new FileIcons) {
    setWindowTitle(QStringLiteral("系统设置窗口"));
    paintLightSection(this);
    m_advert = new AdvertPane(settingsAdvert(), this);

    m_tabs = new ColorTabBar(this);
    m_tabs->setBackground(QColor(214, 223, 247));
    for (int type = kFirstFileType; type <= kLastFileType; ++type)
        m_tabs->addTab(toQString(fileTypeTabCaption(type)));
    m_suffixes = reportList(
        {QStringLiteral("后缀"), QStringLiteral("描述"), QStringLiteral("后缀ID")}, this);
    m_suffixes->setColumnHidden(kSuffixIdColumn, true);
    m_suffixes->setIconSize(QSize(20, 20));
    m_folders = reportList({QStringLiteral("索引路径"), QStringLiteral("路径ID")}, this);
    m_folders->setColumnHidden(kFolderIdColumn, true);
    m_folders->setIconSize(QSize(24, 24));
    keepColumnShares(m_suffixes, {0.35, 0.55, 0});
    keepColumnShares(m_folders, {0.98, 0});
    m_frequency = new QComboBox(this);
    for (int value = 0; value <= kManualUpdate; ++value)
        m_frequency->addItem(toQString(updateFrequencyCaption(value)));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_searchAsYouType = new QCheckBox(QStringLiteral("输入时立即搜索（不含文件内容搜索）"), this);
    m_searchAsYouType->setChecked(readPreference(m_db, Preference::SearchAsYouType));
    m_liveIndex = new QCheckBox(QStringLiteral("实时更新索引（文件改变后立即可以搜索到）"), this);
    m_liveIndex->setChecked(readPreference(m_db, Preference::LiveIndex));
    // The watcher outlives the window: a user is told, not left to find it.
    auto* liveNote = new QLabel(
        QStringLiteral("实时更新由后台程序 ZEPHWatcher 完成：关闭搜索窗口后它仍在运行，"
                       "并随桌面会话自动启动；取消勾选即可让它停止。"),
        this);
    liveNote->setObjectName(QStringLiteral("liveIndexNote"));
    liveNote->setWordWrap(true);
    liveNote->setEnabled(false);

    auto* frequency = new QHBoxLayout;
    frequency->addWidget(new QLabel(QStringLiteral("索引更新频率："), this));
    frequency->addWidget(m_frequency, 1);
    frequency->addStretch(1);
    m_showHidden = new QCheckBox(QStringLiteral("显示隐藏文件"), this);
    m_showHidden->setToolTip(QStringLiteral("名称或所在文件夹以“.”开头的文件和文件夹"));
    m_showHidden->setChecked(readPreference(m_db, Preference::ShowHidden));
    m_pinyin = new QCheckBox(QStringLiteral("拼音搜索"), this);
    m_pinyin->setToolTip(QStringLiteral("用拼音或首字母查找中文名称，如 bg 或 baogao 找到“报告”；繁体和简体互相匹配"));
    m_pinyin->setChecked(readPreference(m_db, Preference::Pinyin));
    auto* contentIndex = new QPushButton(QStringLiteral("文档内容索引(&C)..."), this);
    connect(contentIndex, &QPushButton::clicked, this,
            [this] { ContentSettingsDialog(m_db, dataFolder(), this).exec(); });
    auto* exclusions = new QPushButton(QStringLiteral("排除(&E)..."), this);
    connect(exclusions, &QPushButton::clicked, this,
            [this] { ExclusionsDialog(m_db, this).exec(); });
    auto* options = new QHBoxLayout;
    options->addWidget(m_searchAsYouType);
    options->addSpacing(12);
    options->addWidget(m_liveIndex);
    options->addSpacing(12);
    options->addWidget(m_showHidden);
    options->addSpacing(12);
    options->addWidget(m_pinyin);
    options->addStretch(1);
    auto* more = new QHBoxLayout;
    more->addStretch(1);
    more->addWidget(exclusions);
    more->addWidget(contentIndex);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(10, 6, 10, 10);
    body->addWidget(m_tabs);
    body->addWidget(m_suffixes, 3);
    body->addSpacing(6);
    body->addWidget(new QLabel(QStringLiteral("索引路径管理："), this));
    body->addWidget(m_folders, 2);
    body->addLayout(frequency);
    body->addLayout(options);
    body->addWidget(liveNote);
    body->addLayout(more);
    body->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_advert);
    layout->addLayout(body, 1);
    resize(680, 560);

    connect(m_tabs, &QTabBar::currentChanged, this, &SettingsDialog::fillSuffixes);
    connect(m_suffixes, &QWidget::customContextMenuRequested, this, &SettingsDialog::suffixMenu);
    connect(m_folders, &QWidget::customContextMenuRequested, this, &SettingsDialog::folderMenu);
    connect(m_folders, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item) { storeScanFlag(m_folders->indexOfTopLevelItem(item)); });

    m_advert->start();
    fillSuffixes();
    fillFolders();
    showStoredFrequency();
}

// Selects the stored frequency. When it cannot be read nothing is selected
// and the user is told; unless a value is then chosen, OK keeps the stored one.
void SettingsDialog::showStoredFrequency() {
    m_frequency->setCurrentIndex(-1);
    std::vector<Row> rows;
    bool read = m_db.QueryRows(sql::kSelectSystemSetting, rows) == kSqlOk && !rows.empty();
    bool ok = false;
    int value = read ? QString::fromStdString(rows[0][0]).toInt(&ok) : -1;
    if (!read || !ok) {
        uiMessage(QStringLiteral("无法读取索引更新频率，原来的设置将保持不变。"),
                  QStringLiteral("读取设置失败"));
        return;
    }
    if (value >= 0) m_frequency->setCurrentIndex(value > kManualUpdate ? 0 : value);
}

SettingsDialog::~SettingsDialog() {
    delete m_icons;
}

int SettingsDialog::currentType() const {
    return m_tabs->currentIndex() + 1;
}

void SettingsDialog::fillSuffixes() {
    m_suffixes->clear();
    std::vector<Row> rows;
    if (m_db.QueryRows(
            sqlFormat(sql::kSelectSettingsExtendNamesOfType, {std::int64_t{currentType()}}),
            rows) != kSqlOk)
        return;
    for (const Row& row : rows) {
        QString name = toQString(row[1]);
        auto* item = new QTreeWidgetItem(m_suffixes, {name, toQString(row[2]), toQString(row[0])});
        item->setIcon(0, m_icons->forSuffix(name));
    }
}

void SettingsDialog::fillFolders() {
    m_filling = true;
    m_folders->clear();
    std::vector<Row> rows;
    if (m_db.QueryRows(sql::kSelectScanConfig, rows) != kSqlOk) {
        uiMessage(toQString(m_db.lastError()));
    } else {
        for (const Row& row : rows) {
            auto* item = new QTreeWidgetItem(m_folders, {toQString(row[2]), toQString(row[0])});
            item->setIcon(0, programIcon("folder"));
            item->setCheckState(0, row[1] == "1" ? Qt::Checked : Qt::Unchecked);
        }
    }
    m_filling = false;
}

// The check mark is the folder's ifScan: the indexer walks only ticked folders.
void SettingsDialog::storeScanFlag(int row) {
    if (m_filling || row < 0) return;
    QTreeWidgetItem* item = m_folders->topLevelItem(row);
    std::int64_t flag = item->checkState(0) == Qt::Checked ? 1 : 0;
    if (m_db.Execute(sqlFormat(sql::kUpdateScanFlag,
                               {flag, sqlText(toGbk(item->text(kFolderIdColumn)))})) != kSqlOk)
        uiMessage(toQString(m_db.lastError()), QStringLiteral("SQL语句异常"));
}

void SettingsDialog::folderMenu(const QPoint& position) {
    bool selected = !m_folders->selectedItems().isEmpty();
    QMenu menu(this);
    menu.addAction(programIcon("folder"), QStringLiteral("添加索引路径... (&A)"), this,
                   &SettingsDialog::addFolder);
    menu.addAction(programIcon("settings"), QStringLiteral("修改索引路径... (&U)"), this,
                   &SettingsDialog::modifyFolder)
        ->setEnabled(selected);
    menu.addAction(programIcon("exit"), QStringLiteral("删除索引路径... (&D)"), this,
                   &SettingsDialog::deleteFolders)
        ->setEnabled(selected);
    menu.exec(m_folders->viewport()->mapToGlobal(position));
}

void SettingsDialog::suffixMenu(const QPoint& position) {
    int selected = m_suffixes->selectedItems().size();
    QMenu menu(this);
    menu.addAction(programIcon("update"), QStringLiteral("添加后缀信息... (&A)"), this,
                   &SettingsDialog::addSuffix)
        ->setEnabled(selected <= 1);
    menu.addAction(programIcon("settings"), QStringLiteral("修改后缀信息... (&U)"), this,
                   &SettingsDialog::modifySuffix)
        ->setEnabled(selected == 1);
    menu.addAction(programIcon("exit"), QStringLiteral("删除后缀信息... (&D)"), this,
                   &SettingsDialog::deleteSuffixes)
        ->setEnabled(selected > 0);
    menu.exec(m_suffixes->viewport()->mapToGlobal(position));
}

QString SettingsDialog::chooseFolder(int skipRow) {
    QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("请选择待搜索的文件夹"), QDir::homePath());
    if (chosen.isEmpty()) return {};
    std::string path = storedFolderName(toGbk(chosen));
    std::vector<std::string> configured;
    for (int row = 0; row < m_folders->topLevelItemCount(); ++row)
        if (row != skipRow) configured.push_back(toGbk(m_folders->topLevelItem(row)->text(0)));
    if (auto conflict = findFolderConflict(configured, path)) {
        QString existing = toQString(conflict->configured), picked = toQString(path);
        if (conflict->kind == FolderConflict::InsideConfigured)
            uiMessage(QStringLiteral("您已经设置了扫描路径【%1】，您选择的文件夹【%"
                                     "2】是其子目录，不能加入到扫描路径！")
                          .arg(existing, picked),
                      QStringLiteral("已经存在"));
        else
            uiMessage(QStringLiteral("您已经设置了扫描路径【%1】，您选择的文件夹【%"
                                     "2】是其父目录，建议您先删除扫描路径【%1】。")
                          .arg(existing, picked),
                      QStringLiteral("已经存在子目录"));
        return {};
    }
    return toQString(path);
}

void SettingsDialog::addFolder() {
    QString folder = chooseFolder(-1);
    if (folder.isEmpty()) return;
    if (m_db.Execute(sqlFormat(sql::kInsertScanFolder, {sqlText(toGbk(folder))})) != kSqlOk)
        uiMessage(QStringLiteral("插入扫描路径失败，请与开发商联系！"),
                  QStringLiteral("SQL执行错误"));
    fillFolders();
}

void SettingsDialog::modifyFolder() {
    QList<int> rows = selectedRows(m_folders);
    if (rows.isEmpty()) return;
    QTreeWidgetItem* item = m_folders->topLevelItem(rows.first());
    QString folder = chooseFolder(rows.first());
    if (folder.isEmpty()) return;
    std::string id = toGbk(item->text(kFolderIdColumn));
    if (m_db.Execute(sqlFormat(sql::kUpdateScanFolder, {sqlText(toGbk(folder)), sqlText(id)})) !=
        kSqlOk)
        uiMessage(QStringLiteral("修改扫描路径【%1】失败，请与开发商联系！错误代码为：%2")
                      .arg(item->text(0), toQString(m_db.lastError())),
                  QStringLiteral("SQL语句异常"));
    fillFolders();
}

// Deletes the record of each row, in row order; a failure is reported and the
// other rows are still deleted.
void SettingsDialog::deleteRows(QTreeWidget* list, const QList<int>& rows, int idColumn,
                                const char* statement, const QString& failureText) {
    for (int row : rows) {
        QTreeWidgetItem* item = list->topLevelItem(row);
        if (m_db.Execute(sqlFormat(statement, {sqlText(toGbk(item->text(idColumn)))})) != kSqlOk)
            uiMessage(failureText.arg(item->text(0), toQString(m_db.lastError())),
                      QStringLiteral("SQL语句异常"));
    }
}

void SettingsDialog::deleteFolders() {
    QList<int> rows = selectedRows(m_folders);
    if (rows.isEmpty()) {
        uiMessage(QStringLiteral("请选择待删除的扫描路径！"));
        return;
    }
    if (!uiAsk(QStringLiteral("确实需要删除选中扫描路径吗？"), QStringLiteral("确定删除"))) return;
    deleteRows(m_folders, rows, kFolderIdColumn, sql::kDeleteScanFolder,
               QStringLiteral("删除扫描路径【%1】失败，请与开发商联系！错误代码为：%2"));
    fillFolders();
}

void SettingsDialog::addSuffix() {
    ExtensionEditor editor(m_db, currentType(), this);
    if (editor.exec() == QDialog::Accepted) fillSuffixes();
}

void SettingsDialog::modifySuffix() {
    QList<int> rows = selectedRows(m_suffixes);
    if (rows.size() != 1) return;
    QTreeWidgetItem* item = m_suffixes->topLevelItem(rows.first());
    ExtensionEditor editor(m_db, currentType(), item->text(kSuffixIdColumn), item->text(0),
                           item->text(1), this);
    if (editor.exec() == QDialog::Accepted) fillSuffixes();
}

void SettingsDialog::deleteSuffixes() {
    QList<int> rows = selectedRows(m_suffixes);
    if (rows.isEmpty()) return;
    if (!uiAsk(QStringLiteral("确实需要删除选中文件后缀信息吗？"), QStringLiteral("确定删除")))
        return;
    deleteRows(m_suffixes, rows, kSuffixIdColumn, sql::kDeleteExtendName,
               QStringLiteral("删除【%1】的后缀信息失败，请与开发商联系！错误代码为：%2"));
    fillSuffixes();
}

void SettingsDialog::accept() {
    std::int64_t value = m_frequency->currentIndex();
    if (value >= 0 && m_db.Execute(sqlFormat(sql::kUpdateFrequency, {value})) != kSqlOk) return;
    if (!storePreference(m_db, Preference::SearchAsYouType, m_searchAsYouType->isChecked()) ||
        !storePreference(m_db, Preference::LiveIndex, m_liveIndex->isChecked()) ||
        !storePreference(m_db, Preference::ShowHidden, m_showHidden->isChecked()) ||
        !storePreference(m_db, Preference::Pinyin, m_pinyin->isChecked()))
        return;
    QDialog::accept();
}

}  // namespace zeph
