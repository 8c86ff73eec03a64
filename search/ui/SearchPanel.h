// The criteria panel: name, content, look-in folder, the time, size and
// advanced sections, and the search/stop button. It owns the search engine and
// runs each search on a worker thread.
#pragma once

#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

#include "search/engine/SearchCriteria.h"
#include "search/ui/SearchLineBox.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace zeph {

class AdvancedSection;
class CAnimatedPicture;
class CSQLiteDB;
class CSearchEngine;
class IconButton;
class ResultBridge;
class ResultPanel;
class SizeSection;
class TimeSection;

class SearchPanel : public QWidget {
    Q_OBJECT
public:
    // Constructs the engine: its start-up may end the process.
    SearchPanel(CSQLiteDB& db, ResultPanel* results, QWidget* parent = nullptr);
    ~SearchPanel() override;

    // The search button: starts a search, or asks the running one to stop.
    void startOrStop();
    // Whether a change of the criteria starts a search by itself, after a
    // short pause (on unless turned off in the settings).
    void setSearchAsYouType(bool on) { m_searchAsYouType = on; }
    // Whether searches show hidden entries (the setting, read when it changes).
    void setShowHidden(bool on) { m_showHidden = on; }
    void setPinyin(bool on) { m_pinyin = on; }
    // A change is waiting out the pause before its search starts.
    bool typingPending() const;
    // A search waits for the running one to stop (read by tests).
    bool searchQueued() const { return m_next.has_value(); }
    void reset();
    // Stops a running search and waits for it, keeping the window responsive.
    void stopAndWait();
    bool searching() const { return m_worker.joinable(); }
    // The criteria the panel holds now (what a search would use).
    SearchCriteria criteria() const;

    SearchLineBox* nameBox() const { return m_name; }
    // Why the name box's line cannot be searched now, or "".
    QString lineProblem() const;
    QLineEdit* contentBox() const { return m_content; }
    QComboBox* lookIn() const { return m_lookIn; }
    QPushButton* searchButton() const { return m_search; }
    TimeSection* timeSection() const { return m_time; }
    SizeSection* sizeSection() const { return m_size; }
    AdvancedSection* advancedSection() const { return m_advanced; }
    void setSectionOpen(int section, bool open);
    bool sectionOpen(int section) const;

signals:
    void searchFinished();
    // A line for the status bar.
    void statusText(const QString& text);
    // After a content search: the folders it reached whose documents the
    // content index does not read (none: the note goes).
    void foldersWithoutContent(const QStringList& folders);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildCard();
    void fillLookIn();
    void lookInChosen(int index);
    void workerFinished();
    // Starts a search for the criteria; a running one is stopped first (as
    // superseded) and the new one starts when its worker has ended.
    void startSearch(const SearchCriteria& criteria, bool typed);
    void criteriaChanged();
    void searchAsTyped();
    void showWatermark(bool hot);

    std::unique_ptr<CSearchEngine> m_engine;
    ResultPanel* m_results;
    std::unique_ptr<ResultBridge> m_bridge;
    std::thread m_worker;
    std::atomic<bool> m_workerDone{false};
    bool m_searchAsYouType = true;
    bool m_showHidden = false;
    bool m_pinyin = true;
    bool m_typedSearch = false;  // the running search was started by typing
    QStringList m_withoutContent;  // of the running search, told when it ends
    CSQLiteDB& m_db;
    QTimer* m_typingPause = nullptr;
    // A search waiting for the running one to end.
    std::optional<std::pair<SearchCriteria, bool>> m_next;

    SearchLineBox* m_name = nullptr;
    QLineEdit* m_content = nullptr;
    QComboBox* m_lookIn = nullptr;
    int m_browseIndex = -1;
    int m_previousLookIn = 0;
    TimeSection* m_time = nullptr;
    SizeSection* m_size = nullptr;
    AdvancedSection* m_advanced = nullptr;
    IconButton* m_expanders[3] = {};
    QWidget* m_sections[3] = {};
    bool m_open[3] = {};
    QPushButton* m_reset = nullptr;
    QPushButton* m_search = nullptr;
    CAnimatedPicture* m_watermark = nullptr;
    bool m_watermarkHot = false;
};

}  // namespace zeph
