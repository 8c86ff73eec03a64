#include "ColumnShares.h"

#include <QEvent>
#include <QTreeView>

namespace zeph {

namespace {

class ShareKeeper : public QObject {
public:
    ShareKeeper(QTreeView* view, std::vector<double> shares)
        : QObject(view), m_view(view), m_shares(std::move(shares)) {
        view->viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize) apply();
        return false;
    }

    void apply() {
        int width = m_view->viewport()->width();
        for (size_t c = 0; c < m_shares.size(); ++c)
            m_view->setColumnWidth(static_cast<int>(c), static_cast<int>(m_shares[c] * width));
    }

private:
    QTreeView* m_view;
    std::vector<double> m_shares;
};

}  // namespace

void keepColumnShares(QTreeView* view, std::vector<double> shares) {
    (new ShareKeeper(view, std::move(shares)))->apply();
}

}  // namespace zeph
