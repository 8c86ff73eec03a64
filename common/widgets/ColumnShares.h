// Keeps a list's column widths at fixed shares of its visible width, whenever
// the list is resized.
#pragma once

#include <vector>

class QTreeView;

namespace zeph {

void keepColumnShares(QTreeView* view, std::vector<double> shares);

}  // namespace zeph
