// After the names are published, when no watcher does it, the indexer reads
// the documents the content index covers: a small window of its own says how
// far it is, and closing it leaves the rest for the next run (what was read
// stays read). The names are searchable all the while.
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

protected:
    void reject() override;

private:
    void refresh();

    content::ContentIndexer& m_indexer;
    std::thread m_worker;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    QTimer m_timer;
    QLabel* m_status = nullptr;
    GradientProgressBar* m_progress = nullptr;
};

}  // namespace zeph
