#include "GradientProgressBar.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace zeph {

GradientProgressBar::GradientProgressBar(QWidget* parent) : QWidget(parent) {
    m_background = palette().color(QPalette::Button);
    setMinimumHeight(20);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GradientProgressBar::setRange(int low, int high) {
    m_minimum = low;
    m_maximum = high;
    m_position = low;
    update();
}

void GradientProgressBar::setPos(int position) {
    m_position = position;
    update();
}

void GradientProgressBar::setColours(const QColor& start, const QColor& end,
                                     const QColor& background, const QColor& text) {
    m_start = start;
    m_end = end;
    m_background = background;
    m_text = text;
    update();
}

void GradientProgressBar::paintBar(QPainter& painter, const QSize& size) const {
    const int width = size.width(), height = size.height();
    if (!(m_minimum < m_position && m_position <= m_maximum) || m_maximum <= 0) {
        painter.fillRect(QRect(QPoint(0, 0), size), palette().color(QPalette::Button));
        return;
    }
    const int filled = static_cast<int>(static_cast<double>(m_position) / m_maximum * width);
    const int dr = m_end.red() - m_start.red(), dg = m_end.green() - m_start.green(),
              db = m_end.blue() - m_start.blue();
    // As many bands as the largest colour difference; equal colours make one band.
    const int bands = std::max({std::abs(dr), std::abs(dg), std::abs(db), 1});
    const double band = static_cast<double>(width) / bands;
    for (int i = 0; i < bands; ++i) {
        int left = static_cast<int>(i * band), right = static_cast<int>((i + 1) * band);
        QColor colour(m_start.red() + i * dr / bands, m_start.green() + i * dg / bands,
                      m_start.blue() + i * db / bands);
        painter.fillRect(QRect(left, 0, right - left, height + 1), colour);
        if (filled < right) {
            painter.fillRect(QRect(filled, 0, width - filled, height + 1), m_background);
            break;
        }
    }
    if (m_showPercent) {
        painter.setPen(m_text);
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter,
                         QStringLiteral("%1%").arg(m_position * 100 / m_maximum));
    }
}

void GradientProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintBar(painter, size());
}

}  // namespace zeph
