// The result list: the page on show (100 results), the hit label, and the
// paging row. Page 1 of a search arrives from the engine while it searches;
// other pages are read back from the result table.
#pragma once

#include <QWidget>

#include <cstdint>

#include "search/engine/ResultView.h"

class QLabel;
class QLineEdit;
class QListView;
class QStackedWidget;
class QTreeView;
class QAbstractItemView;

namespace zeph {

class CSQLiteDB;
class IconButton;
class ResultModel;
class SortHeader;

class ResultPanel : public QWidget {
    Q_OBJECT
public:
    explicit ResultPanel(CSQLiteDB& db, QWidget* parent = nullptr);

    // From the search panel, before a search: empty list, page 1, and the
    // time column named after the time the search shows.
    // A new search begins; with content text, the preview shows each hit in context.
    void beginSearch(int timeKind, const QString& contentText = {});
    // Nothing to search for: an empty list and the welcome text, no message.
    void clearQuietly();
    // From the engine (through queued calls on the UI thread).
    void addFirstPageRow(int index, const ResultRow& row);
    void setHits(std::int64_t hits, const QString& label);
    void showNoResults(const QString& text);
    // A content search's progress, for the status bar.
    void showContentProgress(std::int64_t searched, std::int64_t candidates, const QString& folder);

    void setListStyle(bool list);
    bool listStyle() const;

    // Paging commands.
    void showPage(int page);
    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();

    std::int64_t hits() const { return m_hits; }
    int pageShown() const { return m_pageShown; }
    QLineEdit* pageBox() const { return m_pageBox; }
    ResultModel* model() const { return m_model; }
    QAbstractItemView* currentView() const;
    QString hitLabelText() const;

signals:
    // A page (preview or tip) for the browser pane.
    void pageRequested(const QString& localFile);
    // A line for the status bar.
    void statusText(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

public:
    int pageCount() const;

private:
    int pageInBox() const;
    void setPageBox(int page);
    void showPageInBox();
    void sortByColumn(int column);
    void applySort();
    bool hasRows() const;
    void updatePreview();
    void openSelected();
    void showMenu(const QPoint& position);
    void selectEdgeRow(bool last);
    QStringList selectedPaths() const;
    QList<int> selectedRows() const;
    void buildPagingRow();
    void handleKey(int key, Qt::KeyboardModifiers modifiers);

    CSQLiteDB& m_db;
    ResultModel* m_model = nullptr;
    QStackedWidget* m_views = nullptr;
    QTreeView* m_report = nullptr;
    QListView* m_list = nullptr;
    SortHeader* m_header = nullptr;
    IconButton* m_tipButton = nullptr;
    QLabel* m_hitLabel = nullptr;
    QLabel* m_pageLabel = nullptr;
    QLineEdit* m_pageBox = nullptr;
    IconButton* m_goButton = nullptr;
    IconButton* m_first = nullptr;
    IconButton* m_previous = nullptr;
    IconButton* m_next = nullptr;
    IconButton* m_last = nullptr;
    std::int64_t m_hits = 0;
    int m_pageShown = 1;
    QString m_contentText;          // of the search shown, for the preview
    bool m_sortDescending = false;  // flips with every click on a header
    int m_sortColumn = -1;          // the column the shown page is sorted by
};

}  // namespace zeph
