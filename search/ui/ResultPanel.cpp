#include "ResultPanel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

#include "common/widgets/ColumnShares.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/IconButton.h"
#include "common/widgets/ProgramFolders.h"
#include "common/widgets/SortHeader.h"
#include "search/engine/ResultStore.h"
#include "search/engine/ResultTexts.h"
#include "search/ui/FileActions.h"
#include "search/ui/PreviewPage.h"
#include "search/ui/ResultModel.h"

namespace zeph {

namespace {

const char kPagingTip[] =
    "翻到首页    CTRL+←\n向前翻页    ←键\n向后翻页    →键\n翻到尾页    CTRL+→";
const char kListTip[] =
    "在搜索结果文件记录上单击鼠标右键，可以打开系统环境菜单\n\n首条搜索结果记录    "
    "CTRL+↑\n上条搜索结果记录    "
    "↑\n下条搜索结果记录    ↓\n尾条搜索结果记录    CTRL+↓\n上翻一屏结果记录    "
    "PageUp\n下翻一屏结果记录    PageDown";

QString pageLabelText(int page) {
    return QStringLiteral("当前显示第  %1   页，转到页面：").arg(page);
}

}  // namespace

ResultPanel::ResultPanel(CSQLiteDB& db, QWidget* parent) : QWidget(parent), m_db(db) {
    setAutoFillBackground(true);
    QPalette light = palette();
    light.setColor(QPalette::Window, QColor(214, 223, 247));
    setPalette(light);

    m_model = new ResultModel(this);
    m_report = new QTreeView(this);
    m_header = new SortHeader(m_report);
    m_report->setHeader(m_header);
    // Setting a header turns its sections' clicks off (sorting is the view's
    // own matter there); this panel sorts the page itself.
    m_header->setSectionsClickable(true);
    m_report->setModel(m_model);
    m_report->setRootIsDecorated(false);
    m_report->setUniformRowHeights(true);
    m_report->setAllColumnsShowFocus(true);
    m_report->setIconSize(QSize(22, 22));
    m_report->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_report->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_report->setAlternatingRowColors(true);
    // A style for the items takes their selection colours out of the palette:
    // name them, so a selected row reads as in every other list, focused or not.
    m_report->setStyleSheet(
        QStringLiteral("QTreeView::item { border-right: 1px solid #e3e7f0; padding: 1px 3px; }"
                       "QTreeView::item:selected, QTreeView::item:selected:!active {"
                       " background: palette(highlight); color: palette(highlighted-text); }"));
    m_header->setStretchLastSection(true);
    // The size and time texts are never cut, however narrow the window; the
    // width they need comes from the folder first, then the type, and the
    // name keeps its share as long as it can.
    const QFontMetrics metrics = m_report->fontMetrics();
    const int margin = 4 * m_report->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 12;
    ColumnRules rules;
    rules.shares = {0.36, 0.28, 0.1, 0.1, 0.13};
    rules.minimumWidths = {0, 0, metrics.horizontalAdvance(QStringLiteral("99,999,999,999")) + margin,
                           metrics.horizontalAdvance(QStringLiteral("文本文档")) + margin,
                           metrics.horizontalAdvance(QStringLiteral("2026-12-31 23:59:59")) + margin};
    rules.yielding = {ResultModel::Folder, ResultModel::Type, ResultModel::Name};
    rules.rememberAs = QStringLiteral("results/columnShares");
    keepColumnShares(m_report, rules);
    connect(m_header, &QHeaderView::sectionClicked, this, &ResultPanel::sortByColumn);

    m_list = new QListView(this);
    m_list->setModel(m_model);
    m_list->setSelectionModel(m_report->selectionModel());
    m_list->setViewMode(QListView::ListMode);
    m_list->setFlow(QListView::TopToBottom);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setIconSize(QSize(22, 22));
    m_list->setGridSize(QSize(260, 26));

    m_views = new QStackedWidget(this);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_report), static_cast<QAbstractItemView*>(m_list)}) {
        m_views->addWidget(view);
        view->setToolTip(QString::fromUtf8(kListTip));
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this, &ResultPanel::openSelected);
        connect(view, &QAbstractItemView::clicked, this, &ResultPanel::updatePreview);
        connect(view, &QWidget::customContextMenuRequested, this, &ResultPanel::showMenu);
    }
    buildPagingRow();
    m_model->clear();
}

void ResultPanel::buildPagingRow() {
    auto button = [this](const char* icon, const QString& tip) {
        return makeIconButton(this, icon, tip);
    };
    const QString pagingTip = QString::fromUtf8(kPagingTip);
    m_tipButton = button("tip", QStringLiteral("显示使用小提示"));
    m_first = button("page-first", pagingTip);
    m_previous = button("page-prev", pagingTip);
    m_next = button("page-next", pagingTip);
    m_last = button("page-last", pagingTip);
    m_goButton = button("page-go", QStringLiteral("跳转到指定页面"));
    m_hitLabel = new QLabel(QStringLiteral("欢迎使用ZEPH桌面搜索软件！"), this);
    m_pageLabel = new QLabel(pageLabelText(1), this);
    m_pageBox = new QLineEdit(QStringLiteral("1"), this);
    m_pageBox->setValidator(new QIntValidator(0, 1 << 30, m_pageBox));
    m_pageBox->setFixedWidth(56);
    m_pageBox->setAlignment(Qt::AlignRight);
    m_pageBox->installEventFilter(this);

    connect(m_tipButton, &QAbstractButton::clicked, this,
            [this] { emit pageRequested(programFile(QStringLiteral("ZEPHTip.html"))); });
    connect(m_first, &QAbstractButton::clicked, this, &ResultPanel::firstPage);
    connect(m_previous, &QAbstractButton::clicked, this, &ResultPanel::previousPage);
    connect(m_next, &QAbstractButton::clicked, this, &ResultPanel::nextPage);
    connect(m_last, &QAbstractButton::clicked, this, &ResultPanel::lastPage);
    connect(m_goButton, &QAbstractButton::clicked, this, &ResultPanel::showPageInBox);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 2, 5, 2);
    row->setSpacing(0);
    row->addWidget(m_tipButton);
    row->addSpacing(6);
    row->addWidget(m_hitLabel, 1);
    row->addSpacing(10);
    row->addWidget(m_pageLabel);
    row->addWidget(m_pageBox);
    row->addSpacing(2);
    row->addWidget(m_goButton);
    row->addSpacing(10);
    for (IconButton* b : {m_first, m_previous, m_next, m_last}) row->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_views, 1);
    layout->addLayout(row);
}

QAbstractItemView* ResultPanel::currentView() const {
    return m_views->currentIndex() == 0 ? static_cast<QAbstractItemView*>(m_report) : m_list;
}

void ResultPanel::setListStyle(bool list) {
    m_views->setCurrentIndex(list ? 1 : 0);
}

bool ResultPanel::listStyle() const {
    return m_views->currentIndex() == 1;
}

QString ResultPanel::hitLabelText() const {
    return m_hitLabel->text();
}

void ResultPanel::beginSearch(int timeKind, const QString& contentText) {
    m_contentText = contentText;
    m_model->clear();
    m_model->setTimeKind(timeKind);
    m_sortColumn = -1;  // the new rows come in the order they are found
    m_header->setSortMark(-1, true);
    m_hits = 0;
    m_pageShown = 1;
    setPageBox(1);
    m_pageLabel->setText(QStringLiteral("当前显示第   1    页，转到页面："));
}

void ResultPanel::clearQuietly() {
    beginSearch(m_model->timeKind());
    m_hitLabel->setText(QStringLiteral("欢迎使用ZEPH桌面搜索软件！"));
}

void ResultPanel::addFirstPageRow(int index, const ResultRow& row) {
    // Rows of page 1 belong on the list only while it shows page 1.
    if (m_pageShown != 1) return;
    m_model->setRow(index, row);
    applySort();
}

void ResultPanel::setHits(std::int64_t hits, const QString& label) {
    m_hits = hits;
    m_hitLabel->setText(label);
}

void ResultPanel::showNoResults(const QString& text) {
    m_model->showMessageRow(text);
}

void ResultPanel::showContentProgress(std::int64_t searched, std::int64_t candidates,
                                      const QString& folder) {
    emit statusText(QStringLiteral("正在搜索文件内容：已搜索 %1 / %2 个文件，正在搜索：%3")
                        .arg(searched)
                        .arg(candidates)
                        .arg(folder));
}

int ResultPanel::pageCount() const {
    return static_cast<int>(zeph::pageCount(m_hits));
}

int ResultPanel::pageInBox() const {
    return m_pageBox->text().toInt();
}

void ResultPanel::setPageBox(int page) {
    m_pageBox->setText(QString::number(page));
}

void ResultPanel::showPageInBox() {
    showPage(pageInBox());
}

void ResultPanel::showPage(int page) {
    int pages = pageCount();
    if (page > pages || page <= 0) {
        uiMessage(
            QStringLiteral("页面范围之内在 1 到 %1 之间，您输入的页面数不在此范围！").arg(pages),
            QStringLiteral("页面数量输入有误"));
        setPageBox(m_pageShown);  // the box never keeps a page that is not shown
        return;
    }
    setPageBox(page);
    m_pageLabel->setText(pageLabelText(page));
    m_pageShown = page;
    // Rows in the order they were found, like page 1, then in the order the
    // user chose for the page before.
    m_model->setRows(readResultPage(m_db, static_cast<std::int64_t>(page - 1) * kPageSize));
    applySort();
}

void ResultPanel::firstPage() {
    showPage(1);
}

// Paging moves from the page shown, whatever is typed in the box.
void ResultPanel::previousPage() {
    if (m_pageShown < 2) {
        uiMessage(QStringLiteral("当前页面已经是首页，不能往前翻页！"), QStringLiteral("首页"));
        setPageBox(m_pageShown);
        return;
    }
    showPage(m_pageShown - 1);
}

void ResultPanel::nextPage() {
    if (m_pageShown + 1 > pageCount()) {
        uiMessage(QStringLiteral("当前页面已经是最后一页，不能往后翻页！"),
                  QStringLiteral("最后一页"));
        setPageBox(m_pageShown);
        return;
    }
    showPage(m_pageShown + 1);
}

void ResultPanel::lastPage() {
    showPage(pageCount());
}

void ResultPanel::sortByColumn(int column) {
    m_sortDescending = !m_sortDescending;
    m_sortColumn = column;
    m_header->setSortMark(column, !m_sortDescending);
    applySort();
}

void ResultPanel::applySort() {
    if (m_sortColumn >= 0) m_model->sortByColumn(m_sortColumn, !m_sortDescending);
}

bool ResultPanel::hasRows() const {
    return m_model->rowCount() > 0 && !m_model->isMessageRow();
}

QList<int> ResultPanel::selectedRows() const {
    QList<int> rows;
    if (m_model->isMessageRow()) return rows;
    for (const QModelIndex& index : m_report->selectionModel()->selectedRows()) rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QStringList ResultPanel::selectedPaths() const {
    QStringList paths;
    for (int row : selectedRows()) paths << m_model->fullPath(row);
    return paths;
}

void ResultPanel::updatePreview() {
    QList<int> rows = selectedRows();
    if (rows.isEmpty()) return;
    int width = screen() ? screen()->geometry().width() : 1280;
    const ResultRow& row = m_model->row(rows.last());
    std::optional<content::Context> context;
    if (!m_contentText.isEmpty())
        context = content::contextOf(toGbk(dataFolder()), row.folder, row.name,
                                     m_contentText.toStdString());
    const QString failure =
        toQString(content::readingFailure(toGbk(dataFolder()), row.folder, row.name));
    QString page = writePreviewPage(dataFolder(), row, width,
                                    ResultModel::timeCaption(m_model->timeKind()), context, failure);
    if (!page.isEmpty()) emit pageRequested(page);
}

void ResultPanel::openSelected() {
    FileActions::openFiles(selectedPaths());
}

void ResultPanel::showMenu(const QPoint& position) {
    QStringList paths = selectedPaths();
    if (paths.isEmpty()) return;
    FileActions::showMenu(this, paths, currentView()->viewport()->mapToGlobal(position));
}

void ResultPanel::selectEdgeRow(bool last) {
    if (!hasRows()) return;
    QModelIndex index = m_model->index(last ? m_model->rowCount() - 1 : 0, 0);
    QAbstractItemView* view = currentView();
    view->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(index);
    updatePreview();
}

void ResultPanel::handleKey(int key, Qt::KeyboardModifiers modifiers) {
    if (!hasRows()) return;  // nothing, or only the no-results row
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (key) {
        case Qt::Key_Left:
            ctrl ? firstPage() : previousPage();
            break;
        case Qt::Key_Right:
            ctrl ? lastPage() : nextPage();
            break;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (ctrl)
                selectEdgeRow(key == Qt::Key_Down);
            else
                updatePreview();
            break;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            updatePreview();
            break;
        default:
            break;
    }
}

bool ResultPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return QWidget::eventFilter(watched, event);
    if (watched == m_pageBox && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            showPageInBox();
            return true;
        }
    }
    if (watched == m_report || watched == m_list) {
        auto* key = static_cast<QKeyEvent*>(event);
        bool paging = event->type() == QEvent::KeyPress &&
                      (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right ||
                       ((key->modifiers() & Qt::ControlModifier) &&
                        (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)));
        if (paging) return true;  // handled on release, not by the view
        if (event->type() == QEvent::KeyRelease && !key->isAutoRepeat())
            handleKey(key->key(), key->modifiers());
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace zeph
