#include "ColumnShares.h"

#include <QEvent>
#include <QTreeView>

#include <algorithm>

namespace zeph {

namespace {

class ShareKeeper : public QObject {
public:
    ShareKeeper(QTreeView* view, std::vector<double> shares, std::vector<int> minimumWidths)
        : QObject(view),
          m_view(view),
          m_shares(std::move(shares)),
          m_minimumWidths(std::move(minimumWidths)) {
        m_minimumWidths.resize(m_shares.size(), 0);
        view->viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize) apply();
        return false;
    }

    void apply() {
        int width = m_view->viewport()->width();
        std::vector<int> widths;
        int lacking = 0;
        for (size_t c = 0; c < m_shares.size(); ++c) {
            widths.push_back(static_cast<int>(m_shares[c] * width));
            lacking += std::max(0, m_minimumWidths[c] - widths.back());
            widths.back() = std::max(widths.back(), m_minimumWidths[c]);
        }
        auto largest = std::max_element(m_shares.begin(), m_shares.end()) - m_shares.begin();
        if (!widths.empty())
            widths[static_cast<size_t>(largest)] =
                std::max(widths[static_cast<size_t>(largest)] - lacking, width / 10);
        for (size_t c = 0; c < widths.size(); ++c)
            m_view->setColumnWidth(static_cast<int>(c), widths[c]);
    }

private:
    QTreeView* m_view;
    std::vector<double> m_shares;
    std::vector<int> m_minimumWidths;
};

}  // namespace

void keepColumnShares(QTreeView* view, std::vector<double> shares, std::vector<int> minimumWidths) {
    (new ShareKeeper(view, std::move(shares), std::move(minimumWidths)))->apply();
}

}  // namespace zeph
