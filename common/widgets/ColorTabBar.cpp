#include "ColorTabBar.h"

#include <QPainter>

namespace zeph {

ColorTabBar::ColorTabBar(QWidget* parent) : QTabBar(parent) {
    setDrawBase(false);
    setExpanding(false);
}

void ColorTabBar::setBackground(const QColor& colour) {
    m_background = colour;
    update();
}

QSize ColorTabBar::tabSizeHint(int index) const {
    QSize text = fontMetrics().size(Qt::TextSingleLine, tabText(index));
    return QSize(text.width() + 14, text.height() + 10);
}

void ColorTabBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor edge = palette().color(QPalette::Dark);
    for (int i = 0; i < count(); ++i) {
        QRect tab = tabRect(i).adjusted(0, 0, -1, 0);
        bool selected = i == currentIndex();
        if (!selected) tab.adjust(0, 2, 0, 0);
        painter.fillRect(tab, selected ? m_background.lighter(104) : m_background.darker(104));
        painter.setPen(edge);
        painter.drawLine(tab.topLeft(), tab.topRight());
        painter.drawLine(tab.topLeft(), tab.bottomLeft());
        painter.drawLine(tab.topRight(), tab.bottomRight());
        if (!selected) painter.drawLine(tab.bottomLeft(), tab.bottomRight());
        painter.setPen(palette().color(QPalette::WindowText));
        QFont font = painter.font();
        font.setBold(selected);
        painter.setFont(font);
        painter.drawText(tab.adjusted(5, 5, 0, 0), Qt::AlignLeft | Qt::AlignTop, tabText(i));
    }
}

}  // namespace zeph
