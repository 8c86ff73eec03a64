// A list header that marks the sorted column with the platform's own sort
// indicator, up (ascending) or down (descending). The list sorts itself; the
// header only shows what it chose.
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

private:
    int m_column = -1;
    bool m_ascending = true;
};

}  // namespace zeph
