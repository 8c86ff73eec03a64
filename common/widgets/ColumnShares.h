// Keeps a list's column widths at shares of its visible width, whenever the
// list is resized. A column given a minimum width never gets less: what it
// lacks is taken from the yielding columns in their order, each down to a
// tenth of the width (by default from the column with the largest share).
// Widths the user drags become the new shares; with a name to remember them
// by, they are kept in the window layout and come back at the next start.
#pragma once

#include <QString>

#include <vector>

class QTreeView;

namespace zeph {

struct ColumnRules {
    std::vector<double> shares;
    std::vector<int> minimumWidths = {};
    std::vector<int> yielding = {};
    QString rememberAs = {};
};

void keepColumnShares(QTreeView* view, ColumnRules rules);
inline void keepColumnShares(QTreeView* view, std::vector<double> shares) {
    keepColumnShares(view, ColumnRules{std::move(shares)});
}

}  // namespace zeph
