#include "SortHeader.h"

#include <QPainter>
#include <QPolygon>

namespace zeph {

SortHeader::SortHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
}

void SortHeader::setSortMark(int column, bool ascending) {
    m_column = column;
    m_ascending = ascending;
    viewport()->update();
}

void SortHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    painter->fillRect(rect, palette().color(QPalette::Button));
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());

    // The sorted column keeps its right part free for the triangle, whose size
    // and margins are a quarter of the header's height.
    const int quarter = std::max(2, rect.height() / 4);
    QRect text = rect.adjusted(4, 0, -4, 0);
    if (logicalIndex == m_column) text.setRight(rect.right() - 4 * quarter);
    QVariant caption = model() ? model()->headerData(logicalIndex, orientation()) : QVariant();
    QVariant align = model()
                         ? model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole)
                         : QVariant();
    painter->setPen(palette().color(QPalette::ButtonText));
    Qt::Alignment alignment = align.isValid() ? Qt::Alignment(align.toInt()) : Qt::AlignLeft;
    painter->drawText(text, (alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter,
                      fontMetrics().elidedText(caption.toString(), Qt::ElideRight, text.width()));

    if (logicalIndex == m_column) {
        int right = rect.right() - quarter;
        int left = right - 2 * quarter;
        int top = rect.top() + quarter + quarter / 2;
        int bottom = rect.bottom() - quarter - quarter / 2;
        int middle = (left + right) / 2;
        QPoint apex = m_ascending ? QPoint(middle, top) : QPoint(middle, bottom);
        QPoint baseLeft = m_ascending ? QPoint(left, bottom) : QPoint(left, top);
        QPoint baseRight = m_ascending ? QPoint(right, bottom) : QPoint(right, top);
        painter->setPen(palette().color(QPalette::Light));
        painter->drawLine(apex, baseRight);
        painter->drawLine(m_ascending ? baseLeft : baseRight, m_ascending ? baseRight : baseLeft);
        painter->setPen(palette().color(QPalette::Shadow));
        painter->drawLine(apex, baseLeft);
        if (!m_ascending) painter->drawLine(baseLeft, baseRight);
    }
    painter->restore();
}

}  // namespace zeph
