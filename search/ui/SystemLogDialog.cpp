#include "SystemLogDialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"
#include "common/SystemLog.h"
#include "common/widgets/ColumnShares.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/IconButton.h"
#include "common/widgets/ProgramFolders.h"
#include "search/ui/CriteriaSections.h"
#include "web/AdvertPane.h"

namespace zeph {

namespace {

constexpr int kPageRows = 100;
constexpr int kLogIdRole = Qt::UserRole;

QString statusText(std::int64_t records, std::int64_t pages, std::int64_t page, bool opening) {
    return opening ? QStringLiteral("现有日志 %1 条，共分 %2 页显示，当前显示 第 1 页。")
                         .arg(records)
                         .arg(pages)
                   : QStringLiteral("现有日志 %1 条，共分 %2 页显示，当前显示 第 %3  页。")
                         .arg(records)
                         .arg(pages)
                         .arg(page);
}

QString sqlFailureText(int line) {
    return QStringLiteral("SQL语句执行错误！异常点为 %1 第 %2 行！")
        .arg(QStringLiteral(".\\SystemLogDialog"))
        .arg(line);
}

}  // namespace

SystemLogDialog::SystemLogDialog(CSQLiteDB& db, QWidget* parent) : QDialog(parent), m_db(db) {
    setWindowTitle(QStringLiteral("系统日志窗口"));
    paintLightSection(this);
    m_advert = new AdvertPane(logAdvert(), this);
    m_list = new QTreeWidget(this);
    m_list->setHeaderLabels({QStringLiteral("序号"), QStringLiteral("时间"),
                             QStringLiteral("操作代码"), QStringLiteral("日志内容")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setAlternatingRowColors(true);
    m_list->setStyleSheet(QStringLiteral(
        "QTreeWidget { alternate-background-color: rgb(230,230,230); background: white; }"
        "QTreeWidget::item { min-height: 22px; }"));
    m_list->setToolTip(QStringLiteral("点击鼠标右键可以对日志记录进行导出、删除等操作！"));
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->installEventFilter(this);
    keepColumnShares(m_list, {0.08, 0.20, 0.10, 0.59});
    connect(m_list, &QWidget::customContextMenuRequested, this, &SystemLogDialog::showMenu);
    m_status = new QLabel(this);
    m_page = new QLineEdit(QStringLiteral("1"), this);
    m_page->setValidator(new QIntValidator(0, 1 << 30, m_page));
    m_page->setFixedWidth(56);
    m_page->installEventFilter(this);

    auto* row = new QHBoxLayout;
    row->addWidget(m_status, 1);
    buildPaging(row);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(m_advert);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 0, 8, 0);
    body->addWidget(m_list, 1);
    body->addLayout(row);
    layout->addLayout(body, 1);
    resize(760, 560);
    m_advert->start();

    std::vector<Row> rows;
    Statement count = m_db.Prepare(sql::kCountLog);
    if (!count.ok()) {
        uiMessage(sqlFailureText(349));
        return;
    }
    Row counted;
    if (count.FetchRow(counted) != kSqlRow) {
        uiMessage(QStringLiteral("数据库忙，请稍后再试！"));
        return;
    }
    count.Finalize();
    m_records = std::stoll(counted[0]);
    m_status->setText(statusText(m_records, pages(), 1, true));
    QHeaderView* header = m_list->header();
    header->setDefaultAlignment(Qt::AlignCenter);
    fillPage(1, true);
}

void SystemLogDialog::buildPaging(QHBoxLayout* row) {
    auto button = [this](const char* icon, const QString& tip) {
        return makeIconButton(this, icon, tip);
    };
    auto* go = button("page-go", QStringLiteral("跳转到指定页面"));
    auto* first = button("page-first", QStringLiteral("翻到首页"));
    auto* previous = button("page-prev", QStringLiteral("向前翻页"));
    auto* next = button("page-next", QStringLiteral("向后翻页"));
    auto* last = button("page-last", QStringLiteral("翻到尾页"));
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    connect(go, &QAbstractButton::clicked, this, &SystemLogDialog::goToPage);
    connect(first, &QAbstractButton::clicked, this, &SystemLogDialog::firstPage);
    connect(previous, &QAbstractButton::clicked, this, &SystemLogDialog::previousPage);
    connect(next, &QAbstractButton::clicked, this, &SystemLogDialog::nextPage);
    connect(last, &QAbstractButton::clicked, this, &SystemLogDialog::lastPage);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(new QLabel(QStringLiteral("转到页面："), this));
    row->addWidget(m_page);
    row->addWidget(go);
    row->addSpacing(8);
    for (QWidget* w : {first, previous, next, last}) row->addWidget(static_cast<QWidget*>(w));
    row->addSpacing(12);
    row->addWidget(ok);
}

std::int64_t SystemLogDialog::pages() const {
    return (m_records + kPageRows - 1) / kPageRows;
}

void SystemLogDialog::addRow(int index, const std::vector<std::string>& row) {
    // row: LogID, Time, Type, Content
    auto* item = new QTreeWidgetItem(m_list, {QString::number(index + 1), toQString(row[1]),
                                              toQString(row[2]), toQString(row[3])});
    item->setData(0, kLogIdRole, QString::fromStdString(row[0]).toLongLong());
    for (int c = 0; c < 3; ++c) item->setTextAlignment(c, Qt::AlignCenter);
}

bool SystemLogDialog::fillPage(std::int64_t page, bool firstOpening) {
    m_list->clear();
    Statement query = firstOpening
                          ? m_db.Prepare(sql::kSelectFirstLogPage)
                          : m_db.Prepare(sqlFormat(sql::kSelectLogPage, {(page - 1) * kPageRows}));
    if (!query.ok()) {
        if (firstOpening) uiMessage(sqlFailureText(419));
        return false;
    }
    Row row;
    int index = 0, rc;
    while ((rc = query.FetchRow(row)) == kSqlRow) addRow(index++, row);
    if (rc == kSqlBusy) {
        uiMessage(QStringLiteral("数据库忙，请稍后再试！"));
        return false;
    }
    if (firstOpening) WriteLog(m_db, LogEvent::LogFirstPage);
    return true;
}

void SystemLogDialog::goToPage() {
    std::int64_t page = m_page->text().toLongLong();
    if (page > pages() || page < 1) {
        uiMessage(QStringLiteral("您输入页面数不能大于搜索结果页面数量！"),
                  QStringLiteral("页面数量输入有误"));
        return;
    }
    m_status->setText(statusText(m_records, pages(), page, false));
    fillPage(page, false);
}

void SystemLogDialog::firstPage() {
    m_page->setText(QStringLiteral("1"));
    goToPage();
}

void SystemLogDialog::previousPage() {
    std::int64_t page = m_page->text().toLongLong() - 1;
    if (page < 1) {
        uiMessage(QStringLiteral("当前页面已经是首页，不能往前翻页！"), QStringLiteral("首页"));
        return;
    }
    m_page->setText(QString::number(page));
    goToPage();
}

void SystemLogDialog::nextPage() {
    std::int64_t page = m_page->text().toLongLong() + 1;
    if (page > pages()) {
        uiMessage(QStringLiteral("当前页面已经是最后一页，不能往后翻页！"),
                  QStringLiteral("最后一页"));
        return;
    }
    m_page->setText(QString::number(page));
    goToPage();
}

void SystemLogDialog::lastPage() {
    m_page->setText(QString::number(pages()));
    goToPage();
}

void SystemLogDialog::deleteSelected() {
    QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        uiMessage(QStringLiteral("请先选择需要删除的日志记录！"));
        return;
    }
    int failed = 0, deleted = 0;
    for (QTreeWidgetItem* item : selected) {
        std::int64_t id = item->data(0, kLogIdRole).toLongLong();
        if (m_db.Execute(sqlFormat(sql::kDeleteLogRow, {id})) != kSqlOk) {
            ++failed;  // the row stays on the list, as it stays in the log
            continue;
        }
        delete item;
        ++deleted;
    }
    if (failed > 0) reportDeleteFailure();
    // Only a delete that happened is logged as one.
    if (deleted > 0) WriteLog(m_db, LogEvent::LogRowsDeleted);
}

void SystemLogDialog::deleteAll() {
    if (!uiAsk(QStringLiteral("确实需要删除全部日志记录吗？"), QStringLiteral("确定删除"))) return;
    if (m_db.Execute(sql::kDeleteAllLog) != kSqlOk) {
        reportDeleteFailure();
        return;
    }
    m_list->clear();
    WriteLog(m_db, LogEvent::LogAllDeleted);
}

void SystemLogDialog::reportDeleteFailure() {
    uiMessage(QStringLiteral("删除日志记录失败，错误代码为：%1").arg(toQString(m_db.lastError())),
              QStringLiteral("SQL语句异常"));
}

bool SystemLogDialog::exportTo(const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        QString line = QStringLiteral("%1\t%2\t%3\t%4\r\n")
                           .arg(item->text(0), item->text(1), item->text(2), item->text(3));
        file.write(line.toUtf8());  // what every Linux editor and spreadsheet reads
    }
    return file.commit();
}

void SystemLogDialog::exportPage() {
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("导出日志"), QStringLiteral("ZEPH Search Log.xls"),
        QStringLiteral("Excel Files, UTF-8 (*.xls);;Text Files, UTF-8 (*.txt);;All Files (*.*)"));
    if (path.isEmpty()) return;
    if (!exportTo(path)) {
        uiMessage(QStringLiteral("打开系统文件失败，请与管理员联系！"));
        return;
    }
    uiMessage(QStringLiteral("导出日志成功！"));
    WriteLog(m_db, LogEvent::LogExported);
}

void SystemLogDialog::showMenu(const QPoint& position) {
    QMenu menu(this);
    menu.addAction(programIcon("log"), QStringLiteral("导出日志...  (&E)"), this,
                   &SystemLogDialog::exportPage);
    menu.addAction(programIcon("exit"), QStringLiteral("删除...      (&D)"), this,
                   &SystemLogDialog::deleteSelected);
    menu.addAction(programIcon("update"), QStringLiteral("删除全部...  (&A)"), this,
                   &SystemLogDialog::deleteAll);
    menu.exec(m_list->viewport()->mapToGlobal(position));
}

void SystemLogDialog::handleKey(int key, Qt::KeyboardModifiers modifiers) {
    if (m_list->topLevelItemCount() == 0) return;
    const bool ctrl = modifiers & Qt::ControlModifier;
    if (key == Qt::Key_Left) ctrl ? firstPage() : previousPage();
    if (key == Qt::Key_Right) ctrl ? lastPage() : nextPage();
    if (ctrl && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        QTreeWidgetItem* item =
            m_list->topLevelItem(key == Qt::Key_Up ? 0 : m_list->topLevelItemCount() - 1);
        m_list->clearSelection();
        m_list->setCurrentItem(item);
        item->setSelected(true);
        m_list->scrollToItem(item);
    }
}

bool SystemLogDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_page && event->type() == QEvent::KeyPress &&
        (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        goToPage();
        return true;
    }
    if (watched == m_list) {
        bool paging = key->key() == Qt::Key_Left || key->key() == Qt::Key_Right ||
                      ((key->modifiers() & Qt::ControlModifier) &&
                       (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down));
        if (event->type() == QEvent::KeyPress && paging) return true;
        if (event->type() == QEvent::KeyRelease && paging && !key->isAutoRepeat()) {
            handleKey(key->key(), key->modifiers());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace zeph
