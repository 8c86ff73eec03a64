// A list header that marks the sorted column with an up (ascending) or down
// (descending) triangle drawn in the highlight and shadow colours.
#pragma once

#include <QHeaderView>

namespace zeph {

class SortHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit SortHeader(QWidget* parent = nullptr);

    // Marks a column; -1 marks none.
    void setSortMark(int column, bool ascending);
    int sortColumn() const { return m_column; }
    bool ascending() const { return m_ascending; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    int m_column = -1;
    bool m_ascending = true;
};

}  // namespace zeph
