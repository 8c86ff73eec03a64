#include "CriteriaSections.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <limits>

#include "common/ConfigCodes.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"
#include "common/widgets/ColorTabBar.h"
#include "common/widgets/ColumnShares.h"
#include "common/widgets/GbkText.h"
#include "search/ui/FileIcons.h"
#include "search/ui/SizeText.h"

namespace zeph {

namespace {
const QColor kLight(214, 223, 247);
constexpr int kIdColumn = 2;
const QDate kEpochDay(1970, 1, 1);
}  // namespace

void paintLightSection(QWidget* section) {
    section->setAutoFillBackground(true);
    QPalette palette = section->palette();
    palette.setColor(QPalette::Window, kLight);
    palette.setColor(QPalette::WindowText, Qt::black);
    section->setPalette(palette);
}

// ---- time ----

TimeSection::TimeSection(QWidget* parent) : QWidget(parent) {
    paintLightSection(this);
    m_kind = new QComboBox(this);
    m_kind->addItems({QStringLiteral("文件创建时间"), QStringLiteral("最近修改时间"),
                      QStringLiteral("最近访问时间")});
    m_from = new QDateEdit(this);
    m_to = new QDateEdit(this);
    for (QDateEdit* edit : {m_from, m_to}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
        edit->setMinimumDate(QDate(1900, 1, 1));
    }
    // One date a row: side by side they would not fit the panel's width.
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_kind, 0, 0, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("从"), this), 1, 0);
    layout->addWidget(m_from, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("到"), this), 2, 0);
    layout->addWidget(m_to, 2, 1);
    layout->setColumnStretch(1, 1);
    reset();
    connect(m_kind, qOverload<int>(&QComboBox::currentIndexChanged), this, &TimeSection::changed);
    for (QDateEdit* edit : {m_from, m_to})
        connect(edit, &QDateEdit::dateChanged, this, &TimeSection::changed);
}

void TimeSection::reset() {
    m_kind->setCurrentIndex(0);
    m_from->setDate(kEpochDay);
    m_to->setDate(QDate::currentDate());
}

int TimeSection::timeKind() const {
    int kind = m_kind->currentIndex();
    return kind == 1 || kind == 2 ? kind : 0;
}

std::int64_t TimeSection::from() const {
    if (m_from->date() <= kEpochDay) return std::numeric_limits<std::int64_t>::min();
    return QDateTime(m_from->date(), QTime(0, 0, 0), Qt::LocalTime).toSecsSinceEpoch();
}

std::int64_t TimeSection::to() const {
    if (m_to->date() >= QDate::currentDate()) return std::numeric_limits<std::int64_t>::max();
    return QDateTime(m_to->date(), QTime(23, 59, 59), Qt::LocalTime).toSecsSinceEpoch();
}

// ---- size ----

SizeSection::SizeSection(QWidget* parent) : QWidget(parent) {
    paintLightSection(this);
    m_min = new QLineEdit(this);
    m_max = new QLineEdit(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(new QLabel(QStringLiteral("从"), this));
    layout->addWidget(m_min, 1);
    layout->addWidget(new QLabel(QStringLiteral("字节"), this));
    layout->addSpacing(8);
    layout->addWidget(new QLabel(QStringLiteral("到"), this));
    layout->addWidget(m_max, 1);
    layout->addWidget(new QLabel(QStringLiteral("字节"), this));
    for (QLineEdit* edit : {m_min, m_max}) {
        edit->setMaxLength(256);
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { validate(edit); });
        connect(edit, &QLineEdit::textChanged, this, &SizeSection::changed);
    }
    reset();
}

void SizeSection::reset() {
    m_min->setText(QStringLiteral("0"));
    m_max->setText(QStringLiteral("64T"));
}

void SizeSection::validate(QLineEdit* edit) {
    std::string cleaned = cleanSizeText(edit->text().toStdString());
    QString shown = QString::fromStdString(cleaned);
    if (shown != edit->text()) {
        edit->setText(shown);
        edit->setCursorPosition(static_cast<int>(shown.size()));
    }
    if (!isValidSizeText(cleaned))
        uiMessage(QStringLiteral("文件大小输入不合法，请输入整数或者整数后接字母K、M、G或T ！"));
}

std::int64_t SizeSection::minimum() const {
    return parseSizeText(m_min->text().toStdString()).value_or(0);
}

std::int64_t SizeSection::maximum() const {
    return parseSizeText(m_max->text().toStdString())
        .value_or(std::numeric_limits<std::int64_t>::max());
}

// ---- advanced options ----

AdvancedSection::AdvancedSection(CSQLiteDB& db, QWidget* parent)
    : QWidget(parent), m_db(db), m_icons(new FileIcons) {
    paintLightSection(this);
    m_tabs = new ColorTabBar(this);
    m_tabs->setBackground(kLight);
    for (int type = 0; type <= 4; ++type) m_tabs->addTab(toQString(fileTypeTabCaption(type)));
    m_all = new QRadioButton(QStringLiteral("全选"), this);
    m_none = new QRadioButton(QStringLiteral("全不选"), this);
    auto* group = new QButtonGroup(this);
    group->addButton(m_all);
    group->addButton(m_none);
    m_list = new QTreeWidget(this);
    m_list->setHeaderLabels(
        {QStringLiteral("后缀"), QStringLiteral("描述"), QStringLiteral("后缀ID")});
    m_list->setRootIsDecorated(false);
    m_list->setColumnHidden(kIdColumn, true);
    m_list->setIconSize(QSize(20, 20));
    m_list->setMinimumHeight(150);
    keepColumnShares(m_list, {0.35, 0.55, 0});
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_case = new QCheckBox(QStringLiteral("区分文件名字符的大小写"), this);
    m_exact = new QCheckBox(QStringLiteral("搜索结果完全匹配"), this);

    auto* choose = new QHBoxLayout;
    choose->addWidget(new QLabel(QStringLiteral("搜索文件类型："), this));
    choose->addWidget(m_all);
    choose->addWidget(m_none);
    choose->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(m_tabs);
    layout->addLayout(choose);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_case);
    layout->addWidget(m_exact);

    connect(m_tabs, &QTabBar::currentChanged, this, &AdvancedSection::showTab);
    connect(m_all, &QRadioButton::clicked, this, [this] { checkAll(true); });
    connect(m_none, &QRadioButton::clicked, this, [this] { checkAll(false); });
    connect(m_tabs, &QTabBar::currentChanged, this, &AdvancedSection::changed);
    connect(m_list, &QTreeWidget::itemChanged, this, &AdvancedSection::changed);
    for (QCheckBox* box : {m_case, m_exact})
        connect(box, &QCheckBox::toggled, this, &AdvancedSection::changed);
    addAllFilesRow(QStringLiteral("All"));
    m_all->setChecked(true);
}

AdvancedSection::~AdvancedSection() {
    delete m_icons;
}

void AdvancedSection::addAllFilesRow(const QString& name) {
    auto* item =
        new QTreeWidgetItem(m_list, {name, QStringLiteral("所有文件"), QStringLiteral("-1")});
    item->setCheckState(0, Qt::Checked);
}

void AdvancedSection::showTab(int tab) {
    m_tab = tab;
    m_list->clear();
    if (tab <= 0) {
        addAllFilesRow(QStringLiteral("All Files"));
        return;
    }
    std::vector<Row> rows;
    if (m_db.QueryRows(sqlFormat(sql::kSelectExtendNamesOfType, {std::int64_t{tab}}), rows) !=
        kSqlOk)
        return;
    for (const Row& row : rows) {
        QString name = toQString(row[1]);
        auto* item = new QTreeWidgetItem(m_list, {name, toQString(row[3]), toQString(row[0])});
        item->setIcon(0, m_icons->forSuffix(name));
        item->setCheckState(0, Qt::Checked);
    }
    m_all->setChecked(true);
}

void AdvancedSection::checkAll(bool checked) {
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        m_list->topLevelItem(i)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void AdvancedSection::reset() {
    m_tabs->blockSignals(true);
    m_tabs->setCurrentIndex(0);
    m_tabs->blockSignals(false);
    m_tab = 0;
    m_list->clear();
    addAllFilesRow(QStringLiteral("All Files"));
    m_all->setChecked(true);
    m_case->setChecked(false);
    m_exact->setChecked(false);
}

std::vector<std::uint8_t> AdvancedSection::typeFlags(size_t count) const {
    std::vector<std::uint8_t> flags(count, 0);
    if (m_tab == 0) {
        if (m_list->topLevelItemCount() > 0 &&
            m_list->topLevelItem(0)->checkState(0) == Qt::Checked)
            std::fill(flags.begin(), flags.end(), 1);
        return flags;
    }
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        bool ok = false;
        qlonglong id = item->text(kIdColumn).toLongLong(&ok);
        if (ok && item->checkState(0) == Qt::Checked && id >= 0 && static_cast<size_t>(id) < count)
            flags[static_cast<size_t>(id)] = 1;
    }
    return flags;
}

bool AdvancedSection::caseSensitive() const {
    return m_case->isChecked();
}

bool AdvancedSection::exactMatch() const {
    return m_exact->isChecked();
}

}  // namespace zeph
