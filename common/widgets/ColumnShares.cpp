#include "ColumnShares.h"

#include <QEvent>
#include <QHeaderView>
#include <QTreeView>

#include <algorithm>

#include "common/widgets/WindowLayout.h"

namespace zeph {

namespace {

class ShareKeeper : public QObject {
public:
    ShareKeeper(QTreeView* view, ColumnRules rules) : QObject(view), m_view(view), m_rules(std::move(rules)) {
        m_rules.minimumWidths.resize(m_rules.shares.size(), 0);
        if (m_rules.yielding.empty() && !m_rules.shares.empty())
            m_rules.yielding.push_back(static_cast<int>(
                std::max_element(m_rules.shares.begin(), m_rules.shares.end()) -
                m_rules.shares.begin()));
        if (!m_rules.rememberAs.isEmpty()) {
            QVariantList kept = readLayout(m_rules.rememberAs).toList();
            if (static_cast<size_t>(kept.size()) == m_rules.shares.size())
                for (size_t c = 0; c < m_rules.shares.size(); ++c)
                    m_rules.shares[c] = std::clamp(kept[static_cast<int>(c)].toDouble(), 0.0, 1.0);
        }
        view->viewport()->installEventFilter(this);
        view->header()->viewport()->installEventFilter(this);
        connect(view->header(), &QHeaderView::sectionResized, this, &ShareKeeper::takeDraggedWidths);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_view->viewport()) {
            if (event->type() == QEvent::Resize) apply();
        } else if (event->type() == QEvent::MouseButtonPress) {
            m_dragging = true;  // widths that change now are the user's
        } else if (event->type() == QEvent::MouseButtonRelease) {
            m_dragging = false;
        }
        return false;
    }

    void apply() {
        const int width = m_view->viewport()->width();
        std::vector<int> widths;
        int lacking = 0;
        for (size_t c = 0; c < m_rules.shares.size(); ++c) {
            widths.push_back(static_cast<int>(m_rules.shares[c] * width));
            lacking += std::max(0, m_rules.minimumWidths[c] - widths.back());
            widths.back() = std::max(widths.back(), m_rules.minimumWidths[c]);
        }
        for (size_t i = 0; i < m_rules.yielding.size() && lacking > 0; ++i) {
            int& yielding = widths[static_cast<size_t>(m_rules.yielding[i])];
            const bool last = i + 1 == m_rules.yielding.size();
            const int floor = std::max(width / 10, last ? 0 : m_rules.minimumWidths[static_cast<size_t>(m_rules.yielding[i])]);
            const int given = std::min(lacking, std::max(0, yielding - floor));
            yielding -= given;
            lacking -= given;
        }
        m_applying = true;
        for (size_t c = 0; c < widths.size(); ++c)
            m_view->setColumnWidth(static_cast<int>(c), widths[c]);
        m_applying = false;
    }

private:
    // A width the user dragged: every column's share is what it shows now.
    void takeDraggedWidths() {
        const int width = m_view->viewport()->width();
        if (m_applying || !m_dragging || width <= 0) return;
        for (size_t c = 0; c < m_rules.shares.size(); ++c)
            m_rules.shares[c] = static_cast<double>(m_view->columnWidth(static_cast<int>(c))) / width;
        if (m_rules.rememberAs.isEmpty()) return;
        QVariantList kept;
        for (double share : m_rules.shares) kept << share;
        storeLayout(m_rules.rememberAs, kept);
    }

    QTreeView* m_view;
    ColumnRules m_rules;
    bool m_applying = false;
    bool m_dragging = false;
};

}  // namespace

void keepColumnShares(QTreeView* view, ColumnRules rules) {
    (new ShareKeeper(view, std::move(rules)))->apply();
}

}  // namespace zeph
