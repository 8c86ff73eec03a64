#include "MainWindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "common/Codec.h"
#include "common/IndexLock.h"
#include "common/Preferences.h"
#include "common/Process.h"
#include "common/SQLiteDB.h"
#include "common/ServerHost.h"
#include "common/Statements.h"
#include "common/SystemLog.h"
#include "common/widgets/DesktopOpen.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/LockKeys.h"
#include "common/widgets/ProgramFolders.h"
#include "common/widgets/WheelGuard.h"
#include "common/widgets/WindowLayout.h"
#include "search/ui/AboutDialog.h"
#include "search/ui/ContentSettingsDialog.h"
#include "search/ui/HtmlPane.h"
#include "search/ui/ResultPanel.h"
#include "search/ui/SearchPanel.h"
#include "search/ui/SettingsDialog.h"
#include "search/ui/SystemLogDialog.h"
#include "web/LocalPageWindow.h"
#include "web/WebContent.h"

namespace zeph {

namespace {

struct Command {
    const char* menuText;
    const char* toolText;  // nullptr: not on the toolbar
    const char* icon;
    const char* statusTip;
    void (MainWindow::*run)();
};

QIcon toolIcon(const char* name) {
    QIcon icon = programIcon(name);
    QIcon hot = programIcon(QByteArray(name) + "-hot");
    for (int size : {24, 30, 32}) icon.addPixmap(hot.pixmap(size, size), QIcon::Active);
    return icon;
}

}  // namespace

MainWindow::MainWindow(CSQLiteDB& db) : m_db(db) {
    setWindowTitle(QStringLiteral("ZEPH桌面搜索"));
    setWindowIcon(programIcon("app"));
    buildPanes();
    buildMenus();
    buildToolBar();
    buildStatusBar();
    m_html->showLocalFile(programFile(QStringLiteral("ZEPHTip.html")));
    m_web = new WebContent(this);
    startTimers();
    for (int step : {1, -1}) {
        auto* shortcut = new QShortcut(
            step > 0 ? QKeySequence(Qt::Key_F6) : QKeySequence(Qt::SHIFT | Qt::Key_F6), this);
        connect(shortcut, &QShortcut::activated, this, [this, step] { focusPane(step); });
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::buildPanes() {
    m_outer = new QSplitter(Qt::Horizontal, this);
    m_inner = new QSplitter(Qt::Vertical, m_outer);
    m_results = new ResultPanel(m_db, m_inner);
    m_html = new HtmlPane(m_inner);
    m_search = new SearchPanel(m_db, m_results);
    // With every section open the criteria are taller than a small screen: they scroll.
    auto* criteria = new QScrollArea(m_outer);
    criteria->setWidget(m_search);
    criteria->setWidgetResizable(true);
    guardWheel(m_search);
    criteria->setFrameShape(QFrame::NoFrame);
    criteria->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    criteria->setMinimumWidth(m_search->minimumWidth() +
                              criteria->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    m_outer->insertWidget(0, criteria);
    m_outer->setStretchFactor(0, 0);
    m_outer->setStretchFactor(1, 1);
    m_outer->setChildrenCollapsible(false);
    m_inner->setChildrenCollapsible(false);
    setCentralWidget(m_outer);
    connect(m_results, &ResultPanel::pageRequested, m_html, &HtmlPane::showLocalFile);
    connect(m_results, &ResultPanel::statusText, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(m_search, &SearchPanel::searchFinished, this, [this] { statusBar()->clearMessage(); });
    connect(m_search, &SearchPanel::statusText, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(m_search, &SearchPanel::foldersWithoutContent, this, [this](const QStringList& folders) {
        m_contentNote->setVisible(!folders.isEmpty());
        m_contentNote->setText(
            QStringLiteral("%1 中的文档未建立内容索引，只查找了其中的文本文件 "
                           "<a href=\"settings\">设置文档内容索引…</a>")
                .arg(folders.join(QStringLiteral("、")).toHtmlEscaped()));
    });
}

void MainWindow::showContentSettings() {
    ContentSettingsDialog(m_db, dataFolder(), this).exec();
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("退出(&X)"), this, &QWidget::close);
    quit->setStatusTip(QStringLiteral("退出ZEPH桌面搜索"));

    QMenu* view = menuBar()->addMenu(QStringLiteral("视图(&V)"));
    m_toolBarAction = view->addAction(QStringLiteral("工具栏     (&T)"));
    m_statusBarAction = view->addAction(QStringLiteral("状态栏     (&S)"));
    m_toolBarAction->setStatusTip(QStringLiteral("显示或隐藏工具栏"));
    m_statusBarAction->setStatusTip(QStringLiteral("显示或隐藏状态栏"));
    for (QAction* toggle : {m_toolBarAction, m_statusBarAction}) {
        toggle->setCheckable(true);
        toggle->setChecked(true);
    }
    view->addSeparator();
    view->addAction(QStringLiteral("详细信息   (&D)"), this, [this] { setDisplayStyle(false); })
        ->setStatusTip(QStringLiteral("按照Report方式显示搜索结果的详细信息"));
    view->addAction(QStringLiteral("列表       (&L)"), this, [this] { setDisplayStyle(true); })
        ->setStatusTip(QStringLiteral("按照List方式显示搜索结果"));

    const Command tools[] = {
        {"更新索引...  (&U)", nullptr, nullptr, "扫描硬盘文件系统，更新索引数据",
         &MainWindow::updateIndex},
        {"搜索日志...  (&L)", nullptr, nullptr, "显示所有操作日志", &MainWindow::showLogViewer},
        {"检测新版本...(&N)", nullptr, nullptr, "检测是否有新版本的ZEPH桌面搜索",
         &MainWindow::showNewVersion},
        {"系统配置...  (&C)", nullptr, nullptr, "配置ZEPH桌面搜索", &MainWindow::showSettings},
    };
    QMenu* toolMenu = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    for (const Command& c : tools)
        toolMenu->addAction(QString::fromUtf8(c.menuText), this, c.run)
            ->setStatusTip(QString::fromUtf8(c.statusTip));

    const Command help[] = {
        {"关于...     (&A)", nullptr, nullptr, "显示程序信息、版本号和版权",
         &MainWindow::showAbout},
        {"意见反馈... (&F)    ", nullptr, nullptr, "意见反馈", &MainWindow::showFeedback},
        {"ZEPH主页... (&P)", nullptr, nullptr, "访问ZEPH桌面搜索主页", &MainWindow::showHomePage},
        {"在线帮助... (&H)", nullptr, nullptr, "显示在线帮助系统", &MainWindow::showHelp},
    };
    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    for (const Command& c : help)
        helpMenu->addAction(QString::fromUtf8(c.menuText), this, c.run)
            ->setStatusTip(QString::fromUtf8(c.statusTip));
}

void MainWindow::buildToolBar() {
    const Command buttons[] = {
        {nullptr, "更新索引", "update", "扫描硬盘文件系统，更新索引数据", &MainWindow::updateIndex},
        {nullptr, "搜索日志", "log", "显示所有操作日志", &MainWindow::showLogViewer},
        {nullptr, "意见反馈", "feedback", "意见反馈", &MainWindow::showFeedback},
        {nullptr, "ZEPH主页", "home", "访问ZEPH桌面搜索主页", &MainWindow::showHomePage},
        {nullptr, "显示样式", "style", "切换搜索结果的显示样式", &MainWindow::toggleDisplayStyle},
        {nullptr, "系统设置", "settings", "配置ZEPH桌面搜索", &MainWindow::showSettings},
        {nullptr, "帮助", "help", "显示在线帮助系统", &MainWindow::showHelp},
        {nullptr, "退出", "exit", "退出ZEPH桌面搜索", &MainWindow::exitButton},
    };
    QToolBar* bar = addToolBar(QStringLiteral("工具栏"));
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setMovable(false);
    bar->setIconSize(QSize(30, 30));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setStyleSheet(QStringLiteral(
        "QToolBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f7fd, stop:1 "
        "#d6dff7);"
        " border-bottom: 1px solid #9fb2df; spacing: 2px; padding: 2px; }"
        "QToolButton { min-width: 58px; padding: 2px; border-radius: 4px; }"
        "QToolButton:hover { background: rgba(255,255,255,160); border: 1px solid #9fb2df; }"));
    for (const Command& c : buttons) {
        QAction* action =
            bar->addAction(toolIcon(c.icon), QString::fromUtf8(c.toolText), this, c.run);
        action->setStatusTip(QString::fromUtf8(c.statusTip));
        action->setToolTip(QString::fromUtf8(c.statusTip));
    }
    connect(m_toolBarAction, &QAction::toggled, bar, &QToolBar::setVisible);
}

void MainWindow::buildStatusBar() {
    statusBar()->showMessage(QStringLiteral("就绪"));
    m_contentState = new QLabel(this);
    m_contentState->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_contentState->hide();
    statusBar()->addPermanentWidget(m_contentState);
    m_contentNote = new QLabel(this);
    m_contentNote->setTextFormat(Qt::RichText);
    m_contentNote->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    m_contentNote->hide();
    connect(m_contentNote, &QLabel::linkActivated, this, &MainWindow::showContentSettings);
    statusBar()->insertPermanentWidget(0, m_contentNote);
    m_indexState = new QLabel(this);
    m_indexState->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar()->addPermanentWidget(m_indexState);
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(QString::fromLatin1(indicator), this);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setMinimumWidth(40);
        label->setAlignment(Qt::AlignCenter);
        statusBar()->addPermanentWidget(label);
        m_lockKeys << label;
    }
    showLockKeys();
    // A lock key may be pressed in any window: its state is read a few times a second.
    auto* lockKeyCheck = new QTimer(this);
    connect(lockKeyCheck, &QTimer::timeout, this, &MainWindow::showLockKeys);
    if (readLockKeys()) lockKeyCheck->start(300);
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty()) statusBar()->showMessage(QStringLiteral("就绪"));
    });
    connect(m_statusBarAction, &QAction::toggled, statusBar(), &QStatusBar::setVisible);
}

void MainWindow::showLockKeys() {
    std::optional<LockKeyStates> keys = readLockKeys();
    const bool lit[] = {keys && keys->caps, keys && keys->num, keys && keys->scroll};
    for (int i = 0; i < m_lockKeys.size(); ++i) {
        m_lockKeys[i]->setVisible(keys.has_value());
        m_lockKeys[i]->setEnabled(lit[i]);
    }
}

void MainWindow::showContentProgress() {
    QString text = contentProgressText(dataFolder());
    m_contentState->setText(text);
    m_contentState->setVisible(!text.isEmpty());
}

QString MainWindow::contentStateText() const {
    return m_contentState->isVisible() ? m_contentState->text() : QString();
}

QString MainWindow::indexStateText() const {
    return m_indexState->text();
}

void MainWindow::keepIndexLive() {
    const std::string data = zeph::toGbk(dataFolder());
    bool wanted = readPreference(m_db, Preference::LiveIndex);
    bool live = wanted && lockHeld(data, kWatcherLockName);
    if (wanted && !live) live = startWatcher(zeph::toGbk(pictureFolder()), data);
    if (live) {
        m_indexState->setText(QStringLiteral("索引实时更新中"));
        return;
    }
    std::vector<Row> rows;
    qint64 built = m_db.QueryRows(sql::kSelectSystemSetting, rows) == kSqlOk && !rows.empty()
                       ? QString::fromStdString(rows[0][1]).toLongLong()
                       : 0;
    m_indexState->setText(QStringLiteral("索引建立于 %1")
                              .arg(QDateTime::fromSecsSinceEpoch(built).toString(
                                  QStringLiteral("yyyy-MM-dd HH:mm"))));
}

void MainWindow::startTimers() {
    keepIndexLive();
    auto* liveCheck = new QTimer(this);
    connect(liveCheck, &QTimer::timeout, this, &MainWindow::keepIndexLive);
    liveCheck->start(30000);
    showContentProgress();
    auto* contentCheck = new QTimer(this);
    connect(contentCheck, &QTimer::timeout, this, &MainWindow::showContentProgress);
    contentCheck->start(3000);
    QTimer::singleShot(1000, this, [this] {
        m_web->showAdvertisementStrip(findChild<QToolBar*>(QStringLiteral("toolbar")));
        m_search->nameBox()->setFocus();
    });
    QTimer::singleShot(8000, this, [this] {
        m_web->showNotification();
        m_search->nameBox()->setFocus();
    });
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_layoutPending) return;
    m_layoutPending = false;
    // Where the user left the splitters; else the criteria pane keeps 280
    // pixels and the browser pane below the results gets a third of the
    // height, room for a preview's lines around the words found.
    int width = centralWidget()->width(), height = centralWidget()->height();
    if (!m_outer->restoreState(readLayout(QStringLiteral("main/outer")).toByteArray()))
        m_outer->setSizes({280, std::max(30, width - 280)});
    if (!m_inner->restoreState(readLayout(QStringLiteral("main/inner")).toByteArray()))
        m_inner->setSizes({2 * (height / 3), std::max(220, height / 3)});
}

void MainWindow::focusPane(int step) {
    QWidget* panes[] = {m_search->nameBox(), m_results->currentView(), m_html};
    int current = 0;
    for (int i = 0; i < 3; ++i)
        if (panes[i]->isAncestorOf(QApplication::focusWidget()) ||
            panes[i] == QApplication::focusWidget())
            current = i;
    panes[(current + step + 3) % 3]->setFocus();
}

void MainWindow::updateIndex() {
    if (indexRunInProgress(zeph::toGbk(dataFolder()))) {
        uiMessage(toQString(indexRunningText()), toQString(indexRunningCaption()));
        return;
    }
    if (!uiAsk(QStringLiteral("更新索引必须退出ZEPH桌面搜索主程序，请确定要更新索引！"),
               QStringLiteral("确定更新索引")))
        return;
    m_search->stopAndWait();
    // An indexer that cannot be started is reported, and the program goes on.
    if (!startIndexer(zeph::toGbk(pictureFolder()), zeph::toGbk(dataFolder()))) {
        uiMessage(QStringLiteral("打开ZEPH桌面搜索索引程序失败，请与开发商联系！"),
                  QStringLiteral("系统文件丢失"));
        return;
    }
    WriteLog(m_db, LogEvent::UpdateIndex);
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void MainWindow::showLogViewer() {
    SystemLogDialog(m_db, this).exec();
    WriteLog(m_db, LogEvent::LogViewerClosed);
}

void MainWindow::showFeedback() {
    m_web->runFeedback();
    WriteLog(m_db, LogEvent::Feedback);
}

void MainWindow::showHomePage() {
    QString address = QString::fromStdString(serverAddress("/ZEPHSearch/Index.html"));
    auto failed = [](int exitCode) {
        showOpenFailure(openFailureText(
            exitCode, QStringLiteral("打开文件失败,可能是未知的文件类型，也可能是文件已经从硬盘删除."),
            true));
    };
    if (!openWebAddress(address, this, failed)) failed(kOpenerNotStarted);
    WriteLog(m_db, LogEvent::HomePage);
}

void MainWindow::toggleDisplayStyle() {
    m_listStyle = (m_listStyle + 1) % 2;
    m_results->setListStyle(m_listStyle == 1);
    WriteLog(m_db, LogEvent::DisplayStyle);
}

void MainWindow::setDisplayStyle(bool list) {
    m_listStyle = list ? 0 : 1;
    toggleDisplayStyle();
}

void MainWindow::showSettings() {
    SettingsDialog(m_db, this).exec();
    m_search->setSearchAsYouType(readPreference(m_db, Preference::SearchAsYouType));
    m_search->setShowHidden(readPreference(m_db, Preference::ShowHidden));
    m_search->setPinyin(readPreference(m_db, Preference::Pinyin));
    keepIndexLive();
    WriteLog(m_db, LogEvent::SettingsClosed);
}

void MainWindow::showHelp() {
    const QString help = programFile(QStringLiteral("ZEPHHelp.html"));
    if (!QFileInfo(help).isFile()) {
        uiMessage(
            QStringLiteral("打开ZEPH桌面搜索帮助系统失败，请确保系统文件(ZEPHHelp.html)是否存在！"),
            QStringLiteral("系统文件丢失"));
        return;
    }
    // In the program's own view: the help needs no web browser.
    LocalPageWindow::showPage(this, QStringLiteral("ZEPH桌面搜索帮助"), QUrl::fromLocalFile(help));
    WriteLog(m_db, LogEvent::Help);
}

void MainWindow::exitButton() {
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    WriteLog(m_db, LogEvent::ExitButton);
}

void MainWindow::showAbout() {
    AboutDialog(this).exec();
}

void MainWindow::showNewVersion() {
    m_web->runNewVersion();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The search worker uses the engine and the result list: end it first.
    m_search->stopAndWait();
    m_web->shutDown();
    storeLayout(QStringLiteral("main/outer"), m_outer->saveState());
    storeLayout(QStringLiteral("main/inner"), m_inner->saveState());
    event->accept();
}

}  // namespace zeph
