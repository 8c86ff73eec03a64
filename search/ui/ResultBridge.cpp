#include "ResultBridge.h"

#include "common/widgets/GbkText.h"
#include "search/engine/ResultTexts.h"

namespace zeph {

void ResultBridge::addFirstPageRow(int index, const ResultRow& row) {
    QPointer<ResultPanel> panel = m_panel;
    QMetaObject::invokeMethod(
        m_panel,
        [panel, index, row] {
            if (panel) panel->addFirstPageRow(index, row);
        },
        Qt::QueuedConnection);
}

void ResultBridge::setHits(std::int64_t hits) {
    m_latestHits = hits;
    auto now = std::chrono::steady_clock::now();
    // Every row of the first page, then a few times a second.
    if (hits > kPageSize && now - m_lastPost < std::chrono::milliseconds(200)) return;
    if (m_labelPending.exchange(true)) return;  // an update on its way shows the latest count
    m_lastPost = now;
    QPointer<ResultPanel> panel = m_panel;
    QMetaObject::invokeMethod(
        m_panel,
        [this, panel] {
            m_labelPending = false;
            if (panel) post(m_latestHits);
        },
        Qt::QueuedConnection);
}

void ResultBridge::post(std::int64_t hits) {
    m_panel->setHits(hits, toQString(hitLabelText(hits)));
}

void ResultBridge::flush() {
    if (m_panel) post(m_latestHits);
}

void ResultBridge::contentProgress(std::int64_t searched, std::int64_t candidates,
                                   const std::string& folder) {
    QPointer<ResultPanel> panel = m_panel;
    QString shown = toQString(folder);
    QMetaObject::invokeMethod(
        m_panel,
        [panel, searched, candidates, shown] {
            if (panel) panel->showContentProgress(searched, candidates, shown);
        },
        Qt::QueuedConnection);
}

void ResultBridge::showNoResults(const std::string& text) {
    QPointer<ResultPanel> panel = m_panel;
    QString shown = toQString(text);
    QMetaObject::invokeMethod(
        m_panel,
        [panel, shown] {
            if (panel) panel->showNoResults(shown);
        },
        Qt::QueuedConnection);
}

}  // namespace zeph
