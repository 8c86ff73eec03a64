// A progress bar painted as a colour gradient from its start colour to its end
// colour, with the percentage written over it.
#pragma once

#include <QColor>
#include <QWidget>

namespace zeph {

class GradientProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit GradientProgressBar(QWidget* parent = nullptr);

    void setRange(int low, int high);
    void setPos(int position);
    int pos() const { return m_position; }
    void setColours(const QColor& start, const QColor& end, const QColor& background,
                    const QColor& text);
    void setShowPercent(bool show) { m_showPercent = show; }

    // Paints the bar of the given size (the widget paints itself with this).
    void paintBar(QPainter& painter, const QSize& size) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
    QColor m_start{255, 0, 0};
    QColor m_end{0, 0, 255};
    QColor m_background;
    QColor m_text{255, 255, 255};
    bool m_showPercent = true;
};

}  // namespace zeph
