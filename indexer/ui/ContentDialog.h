// After the names are published, when no watcher does it, the indexer reads
// the documents the content index covers: a small window of its own says how
// far it is, and closing it leaves the rest for the next run (what was read
// stays read). The names are searchable all the while. A store that cannot be
// written (a full disk) ends the reading with the reason shown, and what was
// not stored stays queued for the next run.
#pragma once

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <thread>

#include "content/ContentIndexer.h"

class QLabel;

namespace zeph {

class GradientProgressBar;

class ContentDialog : public QDialog {
    Q_OBJECT
public:
    ContentDialog(content::ContentIndexer& indexer, QWidget* parent = nullptr);
    ~ContentDialog() override;

    void start();
    QLabel* statusLine() const { return m_status; }
    // Whether every pending document was read and stored (not stopped, nothing failed).
    bool stored() const { return m_stored; }
    bool stoppedByUser() const { return m_userStopped; }

protected:
    void reject() override;

private:
    void refresh();

    content::ContentIndexer& m_indexer;
    std::thread m_worker;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_stored{false};
    bool m_userStopped = false;
    QTimer m_timer;
    QLabel* m_status = nullptr;
    GradientProgressBar* m_progress = nullptr;
};

// Why the reading ended without storing everything, and what is left.
QString contentFailureText(content::ContentIndexer& indexer);

}  // namespace zeph
