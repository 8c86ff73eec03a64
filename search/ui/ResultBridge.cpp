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

void ResultBridge::setHitLabel(const std::string&, std::int64_t hits) {
    m_latestHits = hits;
    if (m_labelPending.exchange(true))
        return;  // an update is on its way and will show the latest count
    QPointer<ResultPanel> panel = m_panel;
    QMetaObject::invokeMethod(
        m_panel,
        [this, panel] {
            m_labelPending = false;
            std::int64_t latest = m_latestHits;
            if (panel) panel->setHits(latest, toQString(hitLabelText(latest)));
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
