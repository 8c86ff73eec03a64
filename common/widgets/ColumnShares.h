// Keeps a list's column widths at fixed shares of its visible width, whenever
// the list is resized. A column given a minimum width never gets less: what it
// lacks is taken from the column with the largest share.
#pragma once

#include <vector>

class QTreeView;

namespace zeph {

void keepColumnShares(QTreeView* view, std::vector<double> shares,
                      std::vector<int> minimumWidths = {});

}  // namespace zeph
