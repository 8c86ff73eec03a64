// A tab bar that draws its own tabs, each filled with a settable background
// colour, with its caption 5 pixels right of and below the tab's corner.
#pragma once

#include <QColor>
#include <QTabBar>

namespace zeph {

class ColorTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit ColorTabBar(QWidget* parent = nullptr);

    void setBackground(const QColor& colour);
    QColor background() const { return m_background; }

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize tabSizeHint(int index) const override;

private:
    QColor m_background{240, 240, 255};
};

}  // namespace zeph
