// Carries the engine's results from the search worker to the result list:
// every call becomes a queued call on the UI thread. The count reaches the hit
// label with every row of the first page, then a few times a second, and
// whole when the search has ended (flush), so a fast search does not flood
// the window.
#pragma once

#include <QPointer>

#include <atomic>
#include <chrono>

#include "search/engine/ResultView.h"
#include "search/ui/ResultPanel.h"

namespace zeph {

class ResultBridge : public ResultView {
public:
    explicit ResultBridge(ResultPanel* panel) : m_panel(panel) {}

    void addFirstPageRow(int index, const ResultRow& row) override;
    void setHits(std::int64_t hits) override;
    void showNoResults(const std::string& text) override;
    void contentProgress(std::int64_t searched, std::int64_t candidates,
                         const std::string& folder) override;

    // On the UI thread, once the search has ended: the label shows the final count.
    void flush();

private:
    void post(std::int64_t hits);

    QPointer<ResultPanel> m_panel;
    std::atomic<std::int64_t> m_latestHits{0};
    std::atomic<bool> m_labelPending{false};
    std::chrono::steady_clock::time_point m_lastPost;  // on the worker thread only
};

}  // namespace zeph
