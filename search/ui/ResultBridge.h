// Carries the engine's results from the search worker to the result list:
// every call becomes a queued call on the UI thread, and hit-label updates are
// merged so a fast search does not flood the window.
#pragma once

#include <QPointer>

#include <atomic>

#include "search/engine/ResultView.h"
#include "search/ui/ResultPanel.h"

namespace zeph {

class ResultBridge : public ResultView {
public:
    explicit ResultBridge(ResultPanel* panel) : m_panel(panel) {}

    void addFirstPageRow(int index, const ResultRow& row) override;
    void setHitLabel(const std::string& text, std::int64_t hits) override;
    void showNoResults(const std::string& text) override;

private:
    QPointer<ResultPanel> m_panel;
    std::atomic<std::int64_t> m_latestHits{0};
    std::atomic<bool> m_labelPending{false};
};

}  // namespace zeph
