#include "SortHeader.h"

namespace zeph {

SortHeader::SortHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
}

void SortHeader::setSortMark(int column, bool ascending) {
    m_column = column;
    m_ascending = ascending;
    setSortIndicatorShown(column >= 0);
    setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

}  // namespace zeph
