// The search program's main window: menu, toolbar, status bar, and three
// panes (criteria on the left, results above the browser pane on the right),
// with every command that is not handled inside a pane.
#pragma once

#include <QMainWindow>

class QAction;
class QLabel;
class QSplitter;

namespace zeph {

class CSQLiteDB;
class HtmlPane;
class ResultPanel;
class SearchPanel;
class WebContent;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Creating the panes constructs the search engine, whose start-up may end the process.
    explicit MainWindow(CSQLiteDB& db);
    ~MainWindow() override;

    SearchPanel* searchPanel() const { return m_search; }
    ResultPanel* resultPanel() const { return m_results; }
    HtmlPane* htmlPane() const { return m_html; }

    // The commands.
    void updateIndex();
    void showLogViewer();
    void showFeedback();
    void showHomePage();
    void toggleDisplayStyle();
    void setDisplayStyle(bool list);
    void showSettings();
    void showHelp();
    void exitButton();
    void showAbout();
    void showNewVersion();
    // Starts the watcher when live updates are on and none runs, and says in
    // the status bar whether the index is live or when it was built.
    void keepIndexLive();
    QString indexStateText() const;
    // How far the content index's reading is, while it reads.
    void showContentProgress();
    QString contentStateText() const;
    // The status bar's note after a content search that reached folders whose
    // documents are not read, with its link to the content index's settings.
    QLabel* contentNote() const { return m_contentNote; }
    void showContentSettings();
    // The CAP, NUM and SCRL panes: lit as the lock keys are, where the
    // platform tells; hidden where it does not.
    void showLockKeys();
    QList<QLabel*> lockKeyPanes() const { return m_lockKeys; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void buildPanes();
    void startTimers();
    void focusPane(int step);

    CSQLiteDB& m_db;
    SearchPanel* m_search = nullptr;
    ResultPanel* m_results = nullptr;
    HtmlPane* m_html = nullptr;
    QSplitter* m_outer = nullptr;
    QSplitter* m_inner = nullptr;
    QAction* m_toolBarAction = nullptr;
    QAction* m_statusBarAction = nullptr;
    WebContent* m_web = nullptr;
    QLabel* m_indexState = nullptr;
    QLabel* m_contentState = nullptr;
    QLabel* m_contentNote = nullptr;
    QList<QLabel*> m_lockKeys;
    int m_listStyle = 0;
    bool m_layoutPending = true;
};

}  // namespace zeph
